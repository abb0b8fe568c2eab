// Raster pictures through libvips. The loader shrinks while it decodes where
// the format allows (JPEG by 2, 4 or 8, WebP and SVG by any factor); the
// rows then stream, a strip at a time, through the ICC conversion and an
// area-averaging scaler to the size asked for. The picture is turned upright
// last, when it is small. vips_thumbnail would do the same with a better
// filter, but its tiles take a few hundred rows of the file's full width at
// once, so that its memory follows the file, not the slide.
// Plain PNGs of the slide's own size skip libvips (png_read.h); libvips
// starts only when a picture needs it.
#include "slides/picture_read.h"

#include <malloc.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "common/files.h"
#include "slides/area_scaler.h"
#include "slides/png_read.h"
#include "slides/vips_api.h"

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
const Loader kPngLoader = kLoaders[1];

// Pictures of more pixels than this are refused, even those read row by
// row: a gigapixel is far beyond any slide. Those that a loader holds whole
// in memory are refused above kMaxWholePixels (256 MiB at 4 bytes a pixel).
constexpr uint64_t kMaxPixels = uint64_t(1) << 30;
constexpr uint64_t kMaxWholePixels = uint64_t(64) << 20;
// Rows asked of the loader at once.
constexpr int kStripRows = 16;

struct ImageUnref {
    void operator()(VipsImage *image) const { Vips().g_object_unref(image); }
};
using Image = std::unique_ptr<VipsImage, ImageUnref>;
struct RegionUnref {
    void operator()(VipsRegion *region) const { Vips().g_object_unref(region); }
};

// The first line of what libvips reported, and the report cleared. libvips
// keeps one report for the process: with several pictures failing at once
// the lines may mix, never the files the messages name.
std::string TakeVipsError() {
    if (!Vips().error.empty()) return Vips().error;
    char *all = Vips().vips_error_buffer_copy();
    std::string text = all ? all : "";
    Vips().g_free(all);
    size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    return text.empty() ? "no reason given" : text;
}

std::string gProgram = "quillon-slides";

// Starts libvips once, from whichever thread needs it first: with one
// worker thread a picture (callers decode several pictures at once, and
// libvips' own pool would multiply them) and no cache (nothing is read
// twice). Loaders warn on standard error of what they skip or mend (a bad
// CRC, an unknown chunk, a colour description left unused); what counts
// comes back as an error instead, and standard error is the tool's.
bool StartVips(std::string &error) {
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        if (!Vips().error.empty()) {
            failure = Vips().error;
            return;
        }
        if (Vips().vips_init(gProgram.c_str()) != 0) {
            failure = "libvips cannot start: " + TakeVipsError();
            return;
        }
        Vips().vips_concurrency_set(1);
        Vips().vips_cache_set_max(0);
        Vips().g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING,
                          [](const char *, GLogLevelFlags, const char *, void *) {}, nullptr);
    });
    error = failure;
    return failure.empty();
}

const Loader *FindLoader(const std::string &path) {
    std::string error;
    if (!StartVips(error)) return nullptr;
    const char *name = Vips().vips_foreign_find_load(path.c_str());
    Vips().vips_error_clear();
    if (!name) return nullptr;
    for (const Loader &l : kLoaders)
        if (std::strcmp(l.name, name) == 0) return &l;
    return nullptr;
}

int IntField(VipsImage *image, const char *name) {
    int value = 0;
    if (Vips().vips_image_get_typeof(image, name) == 0 || Vips().vips_image_get_int(image, name, &value) != 0)
        value = 0;
    return value;
}

// What the loader keeps in memory beyond the rows it is asked for.
uint64_t WholeDecodeBytes(Format format, VipsImage *header) {
    uint64_t pixels = uint64_t(header->Xsize) * uint64_t(header->Ysize);
    uint64_t sample = Vips().vips_format_sizeof(header->BandFmt);
    switch (format) {
    case Format::Png:
        return IntField(header, "interlaced") ? pixels * header->Bands * sample : 0;
    case Format::Jpeg:
        // Progressive: every coefficient of every scan, two bytes each.
        return IntField(header, "jpeg-multiscan") ? pixels * header->Bands * 2 : 0;
    case Format::Gif:
        return pixels * 4 * 2;  // the frame being composed and the one shown
    case Format::Heif:
        // libheif decodes the whole picture into planes of its own (4:2:0
        // or better, more inside the AV1 and HEVC decoders), then converts
        // them into an interleaved RGB(A) picture that libvips reads from:
        // about two whole pictures at 4 bytes a pixel.
        return pixels * 4 * 2;
    default:
        return 0;
    }
}

// Refuses a picture too large to decode; whole: what its loader holds.
bool CheckSize(const std::string &path, const PictureInfo &info, int width, int height,
               std::string &error) {
    uint64_t pixels = uint64_t(width) * uint64_t(height);
    bool whole = info.wholeDecodeBytes > 0;
    if (pixels <= kMaxPixels && (!whole || pixels <= kMaxWholePixels)) return true;
    error = path + ": unsupported " + info.format + " size " + std::to_string(width) + "x" +
            std::to_string(height) + " (at most " +
            std::to_string(whole ? kMaxWholePixels : kMaxPixels) + " pixels" +
            (whole ? " in this form)" : ")");
    return false;
}

// The header of a plain PNG (png_read.h), read without libvips: false when
// the file is no PNG, or one that libvips must read.
bool ProbePlainPng(const std::string &path, PictureInfo &info, bool &plain, std::string &error) {
    plain = false;
    PngHeader header;
    if (!IsPngFile(path)) return true;
    if (!ProbePng(path, header, error)) return false;
    if (!header.plain) return true;
    plain = true;
    info.format = kPngLoader.formatName;
    info.width = header.width;
    info.height = header.height;
    // Interlaced: the loader holds the whole picture, at most 4 bands.
    info.wholeDecodeBytes = header.interlaced ? uint64_t(header.width) * uint64_t(header.height) * 4 : 0;
    return CheckSize(path, info, header.width, header.height, error);
}

// Opens the file's header through libvips; the loader and what it says go
// into info.
bool OpenVipsHeader(const std::string &path, const Loader *&loader, PictureInfo &info,
                    std::string &error) {
    if (!StartVips(error)) return false;
    loader = FindLoader(path);
    if (!loader) {
        error = path + ": not a picture or document quillon-slides reads";
        return false;
    }
    Image header(Vips().vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr));
    info.format = loader->formatName;
    if (!header) {
        error = path + ": unsupported or damaged " + info.format + " (" + TakeVipsError() + ")";
        return false;
    }
    VipsImage *h = header.get();
    info.wholeDecodeBytes = WholeDecodeBytes(loader->format, h);
    if (!CheckSize(path, info, h->Xsize, h->Ysize, error)) return false;
    info.hasProfile = Vips().vips_image_get_typeof(h, VIPS_META_ICC_NAME) != 0;
    info.orientation = Vips().vips_image_get_orientation(h);
    if (info.orientation < 1 || info.orientation > 8) info.orientation = 1;
    bool swap = info.orientation >= 5;
    info.width = swap ? h->Ysize : h->Xsize;
    info.height = swap ? h->Xsize : h->Ysize;
    return true;
}

// The header, from libpng for a plain PNG (plain set), else from libvips
// (loader set).
bool OpenHeader(const std::string &path, const Loader *&loader, bool &plain, PictureInfo &info,
                std::string &error) {
    off_t size;
    if (!CheckRegularFile(path, size, error)) return false;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    loader = nullptr;
    if (!ProbePlainPng(path, info, plain, error)) return false;
    return plain || OpenVipsHeader(path, loader, info, error);
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
        return Image(Vips().vips_image_new_from_file(p, "access", seq, "fail_on", fail, "shrink", shrink,
                                              "autorotate", FALSE, nullptr));
    }
    case Format::WebP:
        if (scale < 1)
            return Image(Vips().vips_image_new_from_file(p, "access", seq, "fail_on", fail, "scale",
                                                  scale, nullptr));
        break;
    case Format::Svg:
        // Drawn at the size asked for, whether smaller or larger; a little
        // over it so that rounding never leaves it short.
        return Image(Vips().vips_image_new_from_file(p, "access", seq, "fail_on", fail, "scale",
                                              scale * (1 + 1e-9), nullptr));
    default:
        break;
    }
    return Image(Vips().vips_image_new_from_file(p, "access", seq, "fail_on", fail, nullptr));
}

// The picture as 8-bit sRGB, its alpha kept. A picture with a profile of
// its own is converted to sRGB; one without is sRGB already (through the
// colour engine an untagged picture would not keep its pixels). Grey,
// 16-bit, CMYK and the like become 8-bit sRGB.
bool ToSrgb(Image &image, bool hasProfile) {
    VipsImage *out = nullptr;
    if (hasProfile) {
        if (Vips().vips_icc_transform(image.get(), &out, "srgb", "embedded", TRUE, nullptr) != 0)
            return false;
        image.reset(out);
    }
    if (Vips().vips_image_get_interpretation(image.get()) != VIPS_INTERPRETATION_sRGB ||
        image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (Vips().vips_colourspace(image.get(), &out, VIPS_INTERPRETATION_sRGB, nullptr) != 0)
            return false;
        image.reset(out);
    }
    if (image->BandFmt != VIPS_FORMAT_UCHAR) {
        if (Vips().vips_cast_uchar(image.get(), &out, nullptr) != 0) return false;
        image.reset(out);
    }
    return true;
}

// Row y of a region's 8-bit pixels (VIPS_REGION_ADDR, without the call it
// makes into libvips for the pixel size).
const uint8_t *RowOf(const VipsRegion *region, int y, int bands) {
    return reinterpret_cast<const uint8_t *>(region->data) +
           static_cast<size_t>(y - region->valid.top) * region->bpl -
           static_cast<ptrdiff_t>(region->valid.left) * bands;
}

// The rows of an 8-bit RGB or RGBA image in order, a strip at a time,
// drawn over the background and scaled into stored as they come.
bool StreamRows(VipsImage *image, Rgb background, RgbaCanvas &stored) {
    const int bands = image->Bands, w = image->Xsize, h = image->Ysize;
    AreaScaler scaler(w, h, stored);
    std::unique_ptr<VipsRegion, RegionUnref> region(Vips().vips_region_new(image));
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * 3);
    for (int top = 0; top < h; top += kStripRows) {
        VipsRect strip{0, top, w, std::min(kStripRows, h - top)};
        if (Vips().vips_region_prepare(region.get(), &strip) != 0) return false;
        for (int v = top; v < top + strip.height; ++v) {
            const uint8_t *p = RowOf(region.get(), v, bands);
            for (int x = 0; x < w; ++x, p += bands)
                OverBackground(p, bands == 4 ? p[3] : 255, background, &rgb[static_cast<size_t>(x) * 3]);
            scaler.AddRow(v, rgb.data());
        }
    }
    return true;
}

// Decodes through libvips into stored, a storedWidth x storedHeight picture
// in the file's own orientation.
bool ReadThroughVips(const std::string &path, const Loader &loader, const PictureInfo &info,
                     Rgb background, RgbaCanvas &stored, std::string &error) {
    auto failed = [&] {
        error = path + ": unsupported or damaged " + info.format + " (" + TakeVipsError() + ")";
        return false;
    };
    bool swap = info.orientation >= 5;
    Image image = OpenPixels(path, loader, swap ? info.height : info.width,
                             swap ? info.width : info.height, stored.Width(), stored.Height());
    if (!image || !ToSrgb(image, info.hasProfile)) return failed();
    if (image->Bands != 3 && image->Bands != 4) {
        error = path + ": unsupported " + info.format + " with " + std::to_string(image->Bands) +
                " channels";
        return false;
    }
    return StreamRows(image.get(), background, stored) || failed();
}

}  // namespace

bool StartPictureReading(const char *program, std::string &error) {
    gProgram = program;
    // Buffers of a megabyte and more (a decoder's whole picture, its
    // planes) are mapped for themselves and given back when freed. glibc
    // would otherwise raise that threshold after the first such buffer is
    // freed, and keep the later ones in the heap of the thread that
    // decoded them, each worker's and each decoder thread's: pictures that
    // take turns within the budget would then hold memory in turn.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    error.clear();
    return true;
}

bool IsPicture(const std::string &path) { return IsPngFile(path) || FindLoader(path) != nullptr; }

bool ProbePicture(const std::string &path, PictureInfo &info, std::string &error) {
    const Loader *loader;
    bool plain;
    return OpenHeader(path, loader, plain, info, error);
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
    bool plain;
    PictureInfo info;
    if (!OpenHeader(path, loader, plain, info, error)) return false;
    int fitWidth, fitHeight;
    FitSize(info.width, info.height, width, height, fitWidth, fitHeight);
    if (plain && fitWidth == info.width && fitHeight == info.height)
        return ReadPlainPng(path, background, picture, error);
    if (plain && !(loader = FindLoader(path))) {
        error = path + ": unsupported or damaged PNG (" + TakeVipsError() + ")";
        return false;
    }
    // The size in the file's own orientation.
    bool swap = info.orientation >= 5;
    RgbaCanvas stored(swap ? fitHeight : fitWidth, swap ? fitWidth : fitHeight);
    if (!ReadThroughVips(path, *loader, info, background, stored, error)) return false;
    if (info.orientation == 1) {
        std::swap(picture, stored);
    } else {
        TurnUpright(info.orientation, stored, picture);
    }
    return true;
}

}  // namespace quillon_tools
