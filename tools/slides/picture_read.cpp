// Raster pictures through libvips. The loader shrinks while it decodes where
// the format allows (JPEG by 2, 4 or 8, WebP and SVG by any factor); the
// rows then stream, a strip at a time, through the ICC conversion and an
// area-averaging scaler to the size asked for. The picture is turned upright
// last, when it is small. vips_thumbnail would do the same with a better
// filter, but its tiles take a few hundred rows of the file's full width at
// once: tens of megabytes a picture for an 8192-pixel-wide PNG.
#include "slides/picture_read.h"

#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>

#include "common/files.h"

namespace quillon_tools {

namespace {

// The loaders taken, by the name vips_foreign_find_load gives, and the
// format's name in messages. libvips' other loaders (ImageMagick, PDF,
// matrix and text files...) are left out: PDF documents go through poppler,
// and the rest are no slide pictures.
enum class Format { Jpeg, Png, WebP, Gif, Tiff, Heif, Svg };
struct Loader {
    const char *name;
    Format format;
    const char *formatName;
};
const Loader kLoaders[] = {
    {"VipsForeignLoadJpegFile", Format::Jpeg, "JPEG"},
    {"VipsForeignLoadPngFile", Format::Png, "PNG"},
    {"VipsForeignLoadWebpFile", Format::WebP, "WebP"},
    {"VipsForeignLoadNsgifFile", Format::Gif, "GIF"},
    {"VipsForeignLoadTiffFile", Format::Tiff, "TIFF"},
    {"VipsForeignLoadHeifFile", Format::Heif, "HEIF"},
    {"VipsForeignLoadSvgFile", Format::Svg, "SVG"},
};

// Pictures of more pixels than this are refused: they would take minutes
// even row by row. Those that a loader holds whole in memory are refused
// above kMaxWholePixels (256 MiB at 4 bytes a pixel).
constexpr uint64_t kMaxPixels = uint64_t(1) << 30;
constexpr uint64_t kMaxWholePixels = uint64_t(64) << 20;
// Rows asked of the loader at once.
constexpr int kStripRows = 16;

struct ImageUnref {
    void operator()(VipsImage *image) const { g_object_unref(image); }
};
using Image = std::unique_ptr<VipsImage, ImageUnref>;
struct RegionUnref {
    void operator()(VipsRegion *region) const { g_object_unref(region); }
};

// The first line of what libvips reported, and the report cleared. libvips
// keeps one report for the process: with several pictures failing at once
// the lines may mix, never the files the messages name.
std::string TakeVipsError() {
    char *all = vips_error_buffer_copy();
    std::string text = all ? all : "";
    g_free(all);
    size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    return text.empty() ? "no reason given" : text;
}

const Loader *FindLoader(const std::string &path) {
    const char *name = vips_foreign_find_load(path.c_str());
    vips_error_clear();
    if (!name) return nullptr;
    for (const Loader &l : kLoaders)
        if (std::strcmp(l.name, name) == 0) return &l;
    return nullptr;
}

int IntField(VipsImage *image, const char *name) {
    int value = 0;
    if (vips_image_get_typeof(image, name) == 0 || vips_image_get_int(image, name, &value) != 0)
        value = 0;
    return value;
}

// What the loader keeps in memory beyond the rows it is asked for.
uint64_t WholeDecodeBytes(Format format, VipsImage *header) {
    uint64_t pixels = uint64_t(header->Xsize) * uint64_t(header->Ysize);
    uint64_t sample = vips_format_sizeof(header->BandFmt);
    switch (format) {
    case Format::Png:
        return IntField(header, "interlaced") ? pixels * header->Bands * sample : 0;
    case Format::Jpeg:
        // Progressive: every coefficient of every scan, two bytes each.
        return IntField(header, "jpeg-multiscan") ? pixels * header->Bands * 2 : 0;
    case Format::Gif:
        return pixels * 4 * 2;  // the frame being composed and the one shown
    case Format::Heif:
        return pixels * 4;  // libheif hands over the whole decoded picture
    default:
        return 0;
    }
}

// Opens the file's header; the loader and what it says go into info.
bool OpenHeader(const std::string &path, const Loader *&loader, PictureInfo &info,
                std::string &error) {
    off_t size;
    if (!CheckRegularFile(path, size, error)) return false;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    loader = FindLoader(path);
    if (!loader) {
        error = path + ": not a picture or document quillon-slides reads";
        return false;
    }
    Image header(vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL,
                                          nullptr));
    info.format = loader->formatName;
    if (!header) {
        error = path + ": unsupported or damaged " + info.format + " (" + TakeVipsError() + ")";
        return false;
    }
    VipsImage *h = header.get();
    uint64_t pixels = uint64_t(h->Xsize) * uint64_t(h->Ysize);
    info.wholeDecodeBytes = WholeDecodeBytes(loader->format, h);
    if (pixels > kMaxPixels || (info.wholeDecodeBytes > 0 && pixels > kMaxWholePixels)) {
        uint64_t most = info.wholeDecodeBytes > 0 ? kMaxWholePixels : kMaxPixels;
        error = path + ": unsupported " + info.format + " size " + std::to_string(h->Xsize) + "x" +
                std::to_string(h->Ysize) + " (at most " + std::to_string(most) + " pixels" +
                (info.wholeDecodeBytes > 0 ? " in this form)" : ")");
        return false;
    }
    info.hasProfile = vips_image_get_typeof(h, VIPS_META_ICC_NAME) != 0;
    info.orientation = vips_image_get_orientation(h);
    if (info.orientation < 1 || info.orientation > 8) info.orientation = 1;
    bool swap = info.orientation >= 5;
    info.width = swap ? h->Ysize : h->Xsize;
    info.height = swap ? h->Xsize : h->Ysize;
    return true;
}

// Opens the pixels of a width x height picture, shrunk by the loader as far
// as it can while staying at least targetWidth x targetHeight.
Image OpenPixels(const std::string &path, const Loader &loader, int width, int height,
                 int targetWidth, int targetHeight) {
    const char *p = path.c_str();
    const VipsAccess seq = VIPS_ACCESS_SEQUENTIAL;
    const VipsFailOn fail = VIPS_FAIL_ON_ERROR;
    double scale = std::max(static_cast<double>(targetWidth) / width,
                            static_cast<double>(targetHeight) / height);
    switch (loader.format) {
    case Format::Jpeg: {
        int shrink = 1;
        while (shrink < 8 && (width + 2 * shrink - 1) / (2 * shrink) >= targetWidth &&
               (height + 2 * shrink - 1) / (2 * shrink) >= targetHeight)
            shrink *= 2;
        return Image(vips_image_new_from_file(p, "access", seq, "fail_on", fail, "shrink", shrink,
                                              "autorotate", FALSE, nullptr));
    }
    case Format::WebP:
        if (scale < 1)
            return Image(vips_image_new_from_file(p, "access", seq, "fail_on", fail, "scale",
                                                  scale, nullptr));
        break;
    case Format::Svg:
        // Drawn at the size asked for, whether smaller or larger; a little
        // over it so that rounding never leaves it short.
        return Image(vips_image_new_from_file(p, "access", seq, "fail_on", fail, "scale",
                                              scale * (1 + 1e-9), nullptr));
    default:
        break;
    }
    return Image(vips_image_new_from_file(p, "access", seq, "fail_on", fail, nullptr));
}

// Scales rows that come one by one from a sourceWidth x sourceHeight picture
// to a targetWidth x targetHeight one: each target pixel is the average of
// the source pixels it covers, weighted by the area covered.
class AreaScaler {
public:
    AreaScaler(int sourceWidth, int sourceHeight, RgbaCanvas &target)
        : sw_(sourceWidth), sh_(sourceHeight), target_(target),
          sx_(static_cast<double>(sourceWidth) / target.Width()),
          sy_(static_cast<double>(sourceHeight) / target.Height()),
          row_(static_cast<size_t>(target.Width()) * 3) {
        // Each target column's source pixels and their widths.
        for (int x = 0; x < target.Width(); ++x) {
            double x0 = x * sx_, x1 = (x + 1) * sx_;
            Span s;
            s.first = static_cast<int>(x0);
            for (int u = s.first; u < std::min(sw_, static_cast<int>(std::ceil(x1))); ++u) {
                double w = std::min(x1, u + 1.0) - std::max(x0, static_cast<double>(u));
                if (w > 0) s.weights.push_back(w);
                else if (s.weights.empty()) ++s.first;
            }
            s.total = 0;
            for (double w : s.weights) s.total += w;
            spans_.push_back(std::move(s));
        }
    }

    // Source row v, opaque RGB, three bytes a pixel.
    void AddRow(int v, const uint8_t *rgb) {
        const int tw = target_.Width(), th = target_.Height();
        if (tw == sw_ && th == sh_) {  // the same size: the pixels as they are
            for (int x = 0; x < tw; ++x, rgb += 3) target_.Set(x, v, Rgba{rgb[0], rgb[1], rgb[2], 255});
            return;
        }
        for (int x = 0; x < tw; ++x) {
            const Span &s = spans_[static_cast<size_t>(x)];
            double sum[3] = {0, 0, 0};
            const uint8_t *p = rgb + static_cast<size_t>(s.first) * 3;
            for (double w : s.weights) {
                sum[0] += p[0] * w;
                sum[1] += p[1] * w;
                sum[2] += p[2] * w;
                p += 3;
            }
            for (int c = 0; c < 3; ++c) row_[static_cast<size_t>(x) * 3 + c] = sum[c] / s.total;
        }
        // The target rows this source row covers a part of.
        int first = static_cast<int>(v / sy_), last = std::min(th - 1, static_cast<int>((v + 1) / sy_));
        for (int y = first; y <= last; ++y) {
            double y0 = y * sy_, y1 = (y + 1) * sy_;
            double w = std::min(y1, v + 1.0) - std::max(y0, static_cast<double>(v));
            if (w <= 0) continue;
            Pending &p = Row(y);
            for (size_t i = 0; i < row_.size(); ++i) p.sum[i] += row_[i] * w;
            p.total += w;
        }
        // Rows whose sources are all in are done.
        while (!pending_.empty() && ((pending_.front().y + 1) * sy_ <= v + 1 || v + 1 == sh_)) {
            Finish(pending_.front());
            spare_.push_back(std::move(pending_.front()));
            pending_.pop_front();
        }
    }

private:
    struct Span {
        int first = 0;
        std::vector<double> weights;
        double total = 0;
    };
    struct Pending {
        int y = 0;
        std::vector<double> sum;
        double total = 0;
    };

    Pending &Row(int y) {
        for (Pending &p : pending_)
            if (p.y == y) return p;
        Pending p;
        if (!spare_.empty()) {
            p = std::move(spare_.back());
            spare_.pop_back();
        }
        p.y = y;
        p.sum.assign(row_.size(), 0);
        p.total = 0;
        pending_.push_back(std::move(p));
        return pending_.back();
    }

    void Finish(const Pending &p) {
        for (int x = 0; x < target_.Width(); ++x) {
            auto c = [&](int k) {
                return static_cast<uint8_t>(
                    std::lround(p.sum[static_cast<size_t>(x) * 3 + k] / p.total));
            };
            target_.Set(x, p.y, Rgba{c(0), c(1), c(2), 255});
        }
    }

    const int sw_, sh_;
    RgbaCanvas &target_;
    const double sx_, sy_;
    std::vector<Span> spans_;
    std::vector<double> row_;
    std::deque<Pending> pending_;  // target rows still taking source rows, in order
    std::vector<Pending> spare_;
};

// The picture turned upright by its EXIF orientation: mirrored (2, 4),
// turned half round (3), transposed (5), turned a quarter clockwise (6),
// transversed (7) or a quarter anticlockwise (8).
void TurnUpright(int orientation, const RgbaCanvas &stored, RgbaCanvas &upright) {
    const int w = stored.Width(), h = stored.Height();
    bool swap = orientation >= 5;
    upright.Resize(swap ? h : w, swap ? w : h);
    for (int y = 0; y < upright.Height(); ++y)
        for (int x = 0; x < upright.Width(); ++x) {
            int u = x, v = y;
            switch (orientation) {
            case 2: u = w - 1 - x; break;
            case 3: u = w - 1 - x; v = h - 1 - y; break;
            case 4: v = h - 1 - y; break;
            case 5: u = y; v = x; break;
            case 6: u = y; v = h - 1 - x; break;
            case 7: u = w - 1 - y; v = h - 1 - x; break;
            case 8: u = w - 1 - y; v = x; break;
            default: break;
            }
            upright.Set(x, y, stored.At(u, v));
        }
}

}  // namespace

bool StartPictureReading(const char *program, std::string &error) {
    if (VIPS_INIT(program) != 0) {
        error = "libvips cannot start: " + TakeVipsError();
        return false;
    }
    // Callers decode several pictures at once, one a thread; libvips' own
    // thread pool would multiply them. Nothing is read twice: no cache.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    // Loaders warn on standard error of what they skip or mend (a bad CRC,
    // an unknown chunk, a colour description left unused); what counts
    // comes back as an error instead, and standard error is the tool's.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const char *, GLogLevelFlags, const char *,
                                                      void *) {}, nullptr);
    return true;
}

bool IsPicture(const std::string &path) { return FindLoader(path) != nullptr; }

bool ProbePicture(const std::string &path, PictureInfo &info, std::string &error) {
    const Loader *loader;
    return OpenHeader(path, loader, info, error);
}

void FitSize(int width, int height, int boxWidth, int boxHeight, int &fitWidth, int &fitHeight) {
    double scale = std::min(static_cast<double>(boxWidth) / width,
                            static_cast<double>(boxHeight) / height);
    fitWidth = std::min(boxWidth, std::max(1, static_cast<int>(std::lround(width * scale))));
    fitHeight = std::min(boxHeight, std::max(1, static_cast<int>(std::lround(height * scale))));
}

bool ReadPicture(const std::string &path, int width, int height, Rgb background,
                 RgbaCanvas &picture, std::string &error) {
    const Loader *loader;
    PictureInfo info;
    if (!OpenHeader(path, loader, info, error)) return false;
    auto failed = [&] {
        error = path + ": unsupported or damaged " + info.format + " (" + TakeVipsError() + ")";
        return false;
    };
    int fitWidth, fitHeight;
    FitSize(info.width, info.height, width, height, fitWidth, fitHeight);
    // The size in the file's own orientation.
    bool swap = info.orientation >= 5;
    int storedWidth = swap ? fitHeight : fitWidth, storedHeight = swap ? fitWidth : fitHeight;
    Image image = OpenPixels(path, *loader, swap ? info.height : info.width,
                             swap ? info.width : info.height, storedWidth, storedHeight);
    if (!image) return failed();
    VipsImage *out = nullptr;
    // A picture with a profile of its own is converted to sRGB; one without
    // is sRGB already. (Through the colour engine an untagged picture would
    // not keep its pixels.)
    if (info.hasProfile) {
        if (vips_icc_transform(image.get(), &out, "srgb", "embedded", TRUE, nullptr) != 0)
            return failed();
        image.reset(out);
    }
    // Grey, 16-bit, CMYK and the like become 8-bit sRGB; alpha stays.
    if (vips_image_get_interpretation(image.get()) != VIPS_INTERPRETATION_sRGB ||
        image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0)
            return failed();
        image.reset(out);
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (vips_cast_uchar(image.get(), &out, nullptr) != 0) return failed();
        image.reset(out);
    }
    const int bands = image->Bands, w = image->Xsize, h = image->Ysize;
    if (bands != 3 && bands != 4) {
        error = path + ": unsupported " + info.format + " with " + std::to_string(bands) +
                " channels";
        return false;
    }

    // The rows in order, a strip at a time, drawn over the background and
    // scaled as they come.
    RgbaCanvas stored(storedWidth, storedHeight);
    AreaScaler scaler(w, h, stored);
    std::unique_ptr<VipsRegion, RegionUnref> region(vips_region_new(image.get()));
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3);
    for (int top = 0; top < h; top += kStripRows) {
        VipsRect strip{0, top, w, std::min(kStripRows, h - top)};
        if (vips_region_prepare(region.get(), &strip) != 0) return failed();
        for (int v = top; v < top + strip.height; ++v) {
            const uint8_t *p = reinterpret_cast<const uint8_t *>(VIPS_REGION_ADDR(region.get(), 0, v));
            for (int x = 0; x < w; ++x, p += bands) {
                uint8_t *q = &rgb[static_cast<size_t>(x) * 3];
                int a = bands == 4 ? p[3] : 255;
                if (a == 255) {
                    q[0] = p[0], q[1] = p[1], q[2] = p[2];
                } else {
                    auto mix = [&](uint8_t c, uint8_t bg) {
                        return static_cast<uint8_t>((c * a + bg * (255 - a) + 127) / 255);
                    };
                    q[0] = mix(p[0], background.r);
                    q[1] = mix(p[1], background.g);
                    q[2] = mix(p[2], background.b);
                }
            }
            scaler.AddRow(v, rgb.data());
        }
    }
    if (info.orientation == 1) {
        std::swap(picture, stored);
    } else {
        TurnUpright(info.orientation, stored, picture);
    }
    return true;
}

}  // namespace quillon_tools
