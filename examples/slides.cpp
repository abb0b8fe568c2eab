// slides.cpp -- a C++ host: three slides, each a picture in a std::vector,
// with a link on the last one. Writes the file named on the command line
// (slides.swf without one).
//
//   c++ slides.cpp $(pkg-config --cflags --libs quillon) -o slides && ./slides
#include <cstdio>
#include <vector>

#include "quillon.h"

namespace {

constexpr int kWidth = 480, kHeight = 270;

// A white slide with a band of colour 1 whose height grows with the slide.
std::vector<unsigned char> Slide(int number) {
    std::vector<unsigned char> pixels(kWidth * kHeight, 0);
    for (int y = kHeight - 30 * (number + 1); y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) pixels[y * kWidth + x] = 1;
    }
    return pixels;
}

}  // namespace

int main(int argc, char **argv) {
    const char *out = argc > 1 ? argv[1] : "slides.swf";
    const std::vector<unsigned char> palette = {255, 255, 255, 200, 60, 20};
    const int slides = 3;

    CreateMovie(kWidth, kHeight, slides, 12);
    for (int i = 0; i < slides; ++i) {
        const std::vector<unsigned char> pixels = Slide(i);
        CreateFrame(pixels.data(), palette.data(), 2);
        if (i == slides - 1) AddHyperLink("https://example.org/", "_blank", 0, 0, 99, 29);
        StopFrame(-1);
        NextSlide();
    }
    WriteMovie(out);
    DestroyMovie();

    if (std::FILE *written = std::fopen(out, "rb")) {
        std::fclose(written);
        std::printf("quillon %s wrote %s\n", QUILLON_VERSION_STRING, out);
        return 0;
    }
    std::fprintf(stderr, "slides: %s was not written\n", out);
    return 1;
}
