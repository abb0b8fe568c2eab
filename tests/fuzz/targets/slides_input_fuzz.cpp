// libFuzzer target over quillon-slides' own input glue: each input is
// written to a file and read as the tool reads its inputs. One that starts
// as a PDF document is opened, and its first pages sized, their links read
// and drawn; any other is probed as a picture through the loader allow-list
// (libpng for plain PNGs, libvips for the rest) and decoded for a small
// stage and at its own size; what is no picture is checked and decoded as a
// sound, into the temporary WAV file the library would read.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "slides/pdf_read.h"
#include "slides/picture_read.h"
#include "slides/sound_file.h"

using namespace quillon_tools;

namespace {

// Pictures are decoded only up to this size: a few bytes can declare a
// picture that takes seconds to decode row by row, which the tool accepts
// and the fuzzer would take for a hang.
constexpr uint64_t kMostPixels = uint64_t(1) << 22;

std::string InputPath() {
    static const std::string path = [] {
        const char *tmp = getenv("TMPDIR");
        std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-fuzz-XXXXXX";
        if (!mkdtemp(dir.data())) std::abort();
        return dir + "/input";
    }();
    return path;
}

void ReadPdf(const std::string &path) {
    std::string error;
    std::unique_ptr<PdfDocument> pdf = PdfDocument::Open(path, error);
    if (!pdf) return;
    RgbaCanvas picture(1, 1);
    std::vector<uint8_t> scratch;
    for (int page = 0; page < std::min(pdf->PageCount(), 3); ++page) {
        double width = 0, height = 0;
        pdf->PageSize(page, width, height);
        PageFit fit = FitPage(width, height, 64, 48);
        if (fit.width < 1 || fit.height < 1 || fit.width > 64 || fit.height > 48) std::abort();
        pdf->Links(page);
        pdf->Render(page, 64, 48, Rgb{255, 255, 255}, picture, scratch, error);
    }
}

void ReadPictureOrSound(const std::string &path) {
    std::string error;
    PictureInfo info;
    if (ProbePicture(path, info, error)) {
        if (uint64_t(info.width) * uint64_t(info.height) > kMostPixels) return;
        RgbaCanvas picture(1, 1);
        if (ReadPicture(path, 64, 48, Rgb{0, 0, 0}, picture, error) &&
            (picture.Width() > 64 || picture.Height() > 48))
            std::abort();
        ReadPicture(path, info.width, info.height, Rgb{0, 0, 0}, picture, error);
        return;
    }
    SoundFile sound;
    std::string wav;
    if (sound.Open(path, error) && sound.Prepare(wav, error)) sound.Release();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    std::string error;
    StartPictureReading("slides_input_fuzz", error);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string path = InputPath();
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    if (LooksLikePdf(path)) ReadPdf(path);
    else ReadPictureOrSound(path);
    return 0;
}
