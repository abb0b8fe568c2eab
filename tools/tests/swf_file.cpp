// Reading back what the tools wrote, independently of the library's code.
#include "tests/swf_file.h"

#include <zlib.h>

#include <cmath>

#include <fstream>
#include <iterator>

namespace tools_test {

std::vector<const SwfTag *> SwfFile::All(int code) const {
    std::vector<const SwfTag *> out;
    for (const auto &frame : frames)
        for (const SwfTag &t : frame)
            if (t.code == code) out.push_back(&t);
    for (const SwfTag &t : trailing)
        if (t.code == code) out.push_back(&t);
    return out;
}

SwfFile ReadSwf(const std::string &path) {
    SwfFile f;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    f.actualSize = b.size();
    if (b.size() < 21 || b[0] != 'F' || b[1] != 'W' || b[2] != 'S') {
        f.problem = "no FWS header";
        return f;
    }
    f.version = b[3];
    f.fileLength = b[4] | b[5] << 8 | b[6] << 16 | static_cast<uint32_t>(b[7]) << 24;
    // RECT: 5-bit field width, then xMin, xMax, yMin, yMax, most significant bit first.
    size_t bit = 64;
    auto bits = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit) v = (v << 1) | ((b[bit / 8] >> (7 - bit % 8)) & 1);
        return v;
    };
    int n = static_cast<int>(bits(5));
    bits(n);
    f.xMax = static_cast<int32_t>(bits(n));
    bits(n);
    f.yMax = static_cast<int32_t>(bits(n));
    size_t at = (bit + 7) / 8;
    if (at + 4 > b.size()) {
        f.problem = "header cut short";
        return f;
    }
    f.frameRate = b[at + 1];
    f.frameCount = b[at + 2] | b[at + 3] << 8;
    at += 4;
    std::vector<SwfTag> current;
    while (at + 2 <= b.size()) {
        uint32_t head = b[at] | b[at + 1] << 8;
        at += 2;
        SwfTag t;
        t.code = static_cast<int>(head >> 6);
        uint32_t length = head & 0x3F;
        if (length == 0x3F) {
            if (at + 4 > b.size()) break;
            length = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
            at += 4;
        }
        if (at + length > b.size()) {
            f.problem = "tag " + std::to_string(t.code) + " runs past the end";
            return f;
        }
        t.body.assign(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + length));
        at += length;
        if (t.code == kEnd) {
            f.ended = true;
            break;
        }
        if (t.code == kShowFrame) {
            f.frames.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(std::move(t));
        }
    }
    f.trailing = std::move(current);
    if (!f.ended) {
        f.problem = "no End tag";
        return f;
    }
    if (at != b.size()) {
        f.problem = "bytes after the End tag";
        return f;
    }
    f.ok = true;
    return f;
}

Bitmap DecodeLossless(const SwfTag &tag) {
    Bitmap bm;
    const std::vector<uint8_t> &b = tag.body;
    if ((tag.code != kDefineBitsLossless && tag.code != kDefineBitsLossless2) || b.size() < 7)
        return bm;
    bm.id = b[0] | b[1] << 8;
    bm.format = b[2];
    bm.width = b[3] | b[4] << 8;
    bm.height = b[5] | b[6] << 8;
    size_t at = 7;
    if (bm.format == 3) {
        if (b.size() < 8) return bm;
        bm.colours = b[7] + 1;
        at = 8;
    }
    bool alpha = tag.code == kDefineBitsLossless2;
    size_t entry = alpha ? 4 : 3;
    size_t rowBytes = bm.format == 3 ? (static_cast<size_t>(bm.width) + 3) / 4 * 4
                                     : static_cast<size_t>(bm.width) * 4;
    size_t paletteBytes = bm.format == 3 ? bm.colours * entry : 0;
    std::vector<uint8_t> raw(paletteBytes + rowBytes * bm.height);
    uLongf rawLength = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawLength, b.data() + at, static_cast<uLong>(b.size() - at)) != Z_OK ||
        rawLength != raw.size())
        return bm;
    bm.rgba.resize(static_cast<size_t>(bm.width) * bm.height * 4);
    for (int y = 0; y < bm.height; ++y)
        for (int x = 0; x < bm.width; ++x) {
            uint8_t *out = &bm.rgba[(static_cast<size_t>(y) * bm.width + x) * 4];
            if (bm.format == 3) {
                uint8_t index = raw[paletteBytes + y * rowBytes + x];
                if (index >= bm.colours) return Bitmap();
                const uint8_t *p = &raw[index * entry];
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
                out[3] = alpha ? p[3] : 255;
            } else {
                const uint8_t *p = &raw[y * rowBytes + x * 4];  // alpha or padding, red, green, blue
                out[0] = p[1];
                out[1] = p[2];
                out[2] = p[3];
                out[3] = alpha ? p[0] : 255;
            }
        }
    bm.ok = true;
    return bm;
}

std::vector<Bitmap> SlideBitmaps(const SwfFile &movie) {
    std::vector<Bitmap> out;
    for (const SwfTag *t : movie.All(kDefineBitsLossless)) {
        Bitmap b = DecodeLossless(*t);
        if (b.format == 3) out.push_back(b);
    }
    return out;
}

double Psnr(const std::vector<uint8_t> &rgb, const Bitmap &b) {
    double sum = 0;
    size_t n = rgb.size() / 3;
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            double d = static_cast<double>(rgb[i * 3 + c]) - b.rgba[i * 4 + c];
            sum += d * d;
        }
    double mse = sum / (n * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace tools_test
