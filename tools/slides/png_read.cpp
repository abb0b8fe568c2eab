// PNG input through libpng's simplified reading interface, which expands
// palettes, grey levels, 16-bit samples and interlacing to 8-bit RGBA.
#include "slides/png_read.h"

#include "common/files.h"

#include <png.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace quillon_tools {

namespace {
constexpr uint64_t kMaxPngPixels = 64 * 1024 * 1024;
struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
}  // namespace

namespace {

// Opens path and reads the PNG header into image; the file stays open in file.
bool BeginRead(const std::string &path, std::unique_ptr<std::FILE, FileCloser> &file,
               png_image &image, std::string &error) {
    off_t size;
    if (!CheckRegularFile(path, size, error)) return false;
    file.reset(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return false;
    }
    unsigned char signature[8];
    size_t got = std::fread(signature, 1, sizeof signature, file.get());
    if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        if (std::ferror(file.get()))
            error = path + ": cannot be read: " + std::strerror(errno);
        else
            error = path + ": not a PNG image";
        return false;
    }
    std::rewind(file.get());

    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_stdio(&image, file.get())) {
        error = path + ": unsupported or damaged PNG (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    // Decoded pictures take 4 bytes a pixel: at most 256 MiB.
    if (image.width == 0 || image.height == 0 || image.width > 65535 || image.height > 65535 ||
        static_cast<uint64_t>(image.width) * image.height > kMaxPngPixels) {
        error = path + ": unsupported PNG size " + std::to_string(image.width) + "x" +
                std::to_string(image.height) + " (at most 65535 pixels a side and " +
                std::to_string(kMaxPngPixels) + " in all)";
        png_image_free(&image);
        return false;
    }
    return true;
}

}  // namespace

bool ProbePng(const std::string &path, int &width, int &height, std::string &error) {
    std::unique_ptr<std::FILE, FileCloser> file;
    png_image image;
    if (!BeginRead(path, file, image, error)) return false;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    png_image_free(&image);
    return true;
}

bool ReadPng(const std::string &path, RgbaCanvas &picture, std::string &error) {
    std::unique_ptr<std::FILE, FileCloser> file;
    png_image image;
    if (!BeginRead(path, file, image, error)) return false;
    image.format = PNG_FORMAT_RGBA;
    picture.Resize(static_cast<int>(image.width), static_cast<int>(image.height));
    static_assert(sizeof(Rgba) == 4, "RGBA pixels are four packed bytes");
    if (!png_image_finish_read(&image, nullptr, picture.Pixels().data(), 0, nullptr)) {
        error = path + ": unsupported or damaged PNG (" + image.message + ")";
        png_image_free(&image);
        return false;
    }
    png_image_free(&image);
    return true;
}

}  // namespace quillon_tools
