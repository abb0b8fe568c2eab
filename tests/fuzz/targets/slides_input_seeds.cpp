// Writes the seed corpus of the slides_input fuzz target: small files of the
// kinds the tools' tests make. Pictures in every format the allow-list takes
// (plain, interlaced, palette and alpha PNGs, JPEG baseline and
// progressive, WebP, GIF, TIFF, HEIF, AVIF, SVG), written by libvips from one
// picture; a PDF document with a web link, an internal link and a named
// destination, drawn with cairo; WAV files (built byte by byte, with and
// without samples) and other sounds encoded by ffmpeg.
#include <cairo-pdf.h>
#include <cairo.h>
#include <vips/vips.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/wav_builder.h"

using namespace quillon::test;

namespace {

std::vector<uint8_t> Picture(int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                rgb.push_back(static_cast<uint8_t>(128 + 120 * std::sin(x * 0.3 + y * 0.2 + c * 2.1)));
    return rgb;
}

bool WritePictures(const std::string &dir) {
    const int w = 24, h = 16;
    const std::vector<uint8_t> rgb = Picture(w, h);
    VipsImage *image = vips_image_new_from_memory_copy(rgb.data(), rgb.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    VipsImage *alpha = nullptr;
    if (!image || vips_bandjoin_const1(image, &alpha, 128, nullptr) != 0) return false;
    bool ok = true;
    for (const char *name : {"plain.png", "interlaced.png[interlace]", "palette.png[palette,bitdepth=4]",
                             "deep.png[bitdepth=16]", "baseline.jpg", "progressive.jpg[interlace]", "picture.webp",
                             "picture.gif", "picture.tif", "picture.heic[Q=30]", "picture.avif[Q=30,effort=0]"})
        ok = vips_image_write_to_file(image, (dir + "/" + name).c_str(), nullptr) == 0 && ok;
    ok = vips_image_write_to_file(alpha, (dir + "/alpha.png").c_str(), nullptr) == 0 && ok;
    g_object_unref(alpha);
    g_object_unref(image);
    std::FILE *svg = std::fopen((dir + "/drawing.svg").c_str(), "w");
    if (!svg) return false;
    std::fputs("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
               "<rect width=\"20\" height=\"20\" fill=\"#c81e28\"/></svg>\n", svg);
    return std::fclose(svg) == 0 && ok;
}

bool WritePdf(const std::string &path) {
    cairo_surface_t *surface = cairo_pdf_surface_create(path.c_str(), 200, 150);
    cairo_t *cr = cairo_create(surface);
    for (int page = 0; page < 2; ++page) {
        cairo_set_source_rgb(cr, 0.2, 0.3 + 0.3 * page, 0.6);
        cairo_rectangle(cr, 20, 20, 100, 60);
        cairo_fill(cr);
        cairo_tag_begin(cr, CAIRO_TAG_LINK, page == 0 ? "uri='https://example.com/'" : "dest='first'");
        cairo_rectangle(cr, 20, 100, 50, 20);
        cairo_fill(cr);
        cairo_tag_end(cr, CAIRO_TAG_LINK);
        if (page == 0) {
            cairo_tag_begin(cr, CAIRO_TAG_DEST, "name='first'");
            cairo_rectangle(cr, 150, 20, 10, 10);
            cairo_fill(cr);
            cairo_tag_end(cr, CAIRO_TAG_DEST);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

bool WriteSounds(const std::string &dir) {
    const Bytes tone = Samples16(Sine(800, 440, 8000, 9000)), mono16 = FmtContent(1, 1, 8000, 16);
    bool ok = WriteBytes(dir + "/tone.wav", PcmWav(1, 8000, 16, tone));
    ok = WriteBytes(dir + "/no-data.wav", Riff(Cat({Chunk("fmt ", mono16), Chunk("LIST", Bytes(4, 'I'))}))) && ok;
    ok = WriteBytes(dir + "/slow.wav", PcmWav(1, 1234, 8, Bytes(200, 0x90))) && ok;
    ok = WriteBytes(dir + "/ima.wav", ImaAdpcmWav(Sine(1000, 440, 8000, 9000), 1, 8000, 256)) && ok;
    ok = WriteBytes(dir + "/unpadded.wav",
                    Riff(Cat({Chunk("JUNK", Bytes(3, 'a')), Chunk("fmt ", mono16), Chunk("data", tone)}))) && ok;
    for (const char *sound : {"tone.flac", "tone.ogg", "tone.opus", "tone.mp3", "tone.m4a", "tone.wma", "tone.aiff"}) {
        const std::string command = "ffmpeg -nostdin -v error -y -i '" + dir + "/tone.wav' -t 0.1 '" + dir + "/" +
                                    sound + "'";
        ok = std::system(command.c_str()) == 0 && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    if (VIPS_INIT(argv[0]) != 0) return 1;
    const bool ok = WritePictures(dir) && WritePdf(dir + "/talk.pdf") && WriteSounds(dir);
    if (!ok) std::fprintf(stderr, "%s: a seed could not be written\n", argv[0]);
    return ok ? 0 : 1;
}
