// PNG input through libpng's sequential reading interface: the chunks up to
// IDAT for the header, then every row expanded to 8-bit RGBA straight into
// the picture (interlaced files too: their passes fill the same rows).
#include "slides/png_read.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/files.h"
#include "slides/area_scaler.h"

namespace quillon_tools {

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// libpng's reader and its info, freed together; its first error message.
class PngReader {
public:
    PngReader() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~PngReader() { png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr); }
    PngReader(const PngReader &) = delete;
    PngReader &operator=(const PngReader &) = delete;

    bool Ready() const { return png_ && info_; }
    png_structp png() { return png_; }
    png_infop info() { return info_; }
    const std::string &Message() const { return message_; }

private:
    static void OnError(png_structp png, png_const_charp message) {
        auto *reader = static_cast<PngReader *>(png_get_error_ptr(png));
        reader->message_ = message ? message : "no reason given";
        png_longjmp(png, 1);
    }
    // Warnings are of what libpng mends or skips; libvips ignores them too.
    static void OnWarning(png_structp, png_const_charp) {}

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    std::string message_;
};

File OpenPng(const std::string &path, std::string &error) {
    off_t size;
    if (!CheckRegularFile(path, size, error)) return nullptr;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) error = path + ": cannot be read: " + std::strerror(errno);
    return file;
}

std::string Damaged(const std::string &path, const PngReader &reader) {
    return path + ": unsupported or damaged PNG (" + reader.Message() + ")";
}

// png_read_info with its errors caught; the header from what it read.
// Nothing with a destructor lives in this frame, which libpng's errors
// leave by longjmp.
bool ReadInfo(PngReader &reader, std::FILE *file, PngHeader &header) {
    png_structp png = reader.png();
    png_infop info = reader.info();
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_info(png, info);
    header.width = static_cast<int>(png_get_image_width(png, info));
    header.height = static_cast<int>(png_get_image_height(png, info));
    header.bitDepth = png_get_bit_depth(png, info);
    header.channels = png_get_channels(png, info);
    header.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    header.plain = header.bitDepth <= 8 && !png_get_valid(png, info, PNG_INFO_iCCP) &&
                   !png_get_valid(png, info, PNG_INFO_eXIf);
    return true;
}

// Every row as 8-bit RGBA into rows: palettes, grey and low depths
// expanded, tRNS as alpha, opaque pictures given an alpha of 255.
bool ReadRows(PngReader &reader, png_bytepp rows) {
    png_structp png = reader.png();
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, reader.info());
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool IsPngFile(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_byte signature[8];
    bool png = std::fread(signature, 1, sizeof signature, f) == sizeof signature &&
               png_sig_cmp(signature, 0, sizeof signature) == 0;
    std::fclose(f);
    return png;
}

bool ProbePng(const std::string &path, PngHeader &header, std::string &error) {
    File file = OpenPng(path, error);
    if (!file) return false;
    PngReader reader;
    if (!reader.Ready() || !ReadInfo(reader, file.get(), header)) {
        error = Damaged(path, reader);
        return false;
    }
    return true;
}

bool ReadPlainPng(const std::string &path, Rgb background, RgbaCanvas &picture, std::string &error) {
    File file = OpenPng(path, error);
    if (!file) return false;
    PngReader reader;
    PngHeader header;
    if (!reader.Ready() || !ReadInfo(reader, file.get(), header)) {
        error = Damaged(path, reader);
        return false;
    }
    static_assert(sizeof(Rgba) == 4, "RGBA pixels are four packed bytes");
    picture.Resize(header.width, header.height);
    std::vector<png_bytep> rows(static_cast<size_t>(header.height));
    for (int y = 0; y < header.height; ++y)
        rows[static_cast<size_t>(y)] =
            reinterpret_cast<png_bytep>(&picture.Pixels()[static_cast<size_t>(y) * header.width]);
    if (!ReadRows(reader, rows.data())) {
        error = Damaged(path, reader);
        return false;
    }
    for (Rgba &p : picture.Pixels()) {
        uint8_t *bytes = reinterpret_cast<uint8_t *>(&p);
        OverBackground(bytes, bytes[3], background, bytes);
        bytes[3] = 255;
    }
    return true;
}

}  // namespace quillon_tools
