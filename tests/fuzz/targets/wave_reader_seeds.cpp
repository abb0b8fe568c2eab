// Writes the seed corpus of the WAV reader fuzz target: accepted files of
// every rate, size, channel count and codec, and the refused and damaged
// kinds.
#include <cstdio>
#include <string>

#include "sound/wav_builder.h"

using namespace quillon::test;

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    int n = 0;
    bool ok = true;
    auto seed = [&](const char *name, const Bytes &bytes) {
        ok = WriteBytes(dir + "/" + std::to_string(n++) + "-" + name + ".wav", bytes) && ok;
    };
    const unsigned rates[] = {5512, 8000, 11025, 22050, 44100, 48000};
    for (unsigned rate : rates)
        for (unsigned channels = 1; channels <= 2; ++channels)
            for (unsigned bits = 8; bits <= 16; bits += 8) {
                Bytes data(bits == 8 ? StereoSweep8(300, 100, 3000, rate)
                                     : Samples16(Sine(300 * channels, 440, rate, 9000)));
                data.resize(300 * channels * bits / 8);
                seed("pcm", PcmWav(channels, rate, bits, data));
            }
    Bytes sine = Samples16(Sine(4100, 1000, 22050, 12000));
    seed("two-packets", PcmWav(1, 22050, 16, sine));
    seed("fmt-extra", Wav(FmtContent(1, 1, 22050, 16, true), Bytes(64, 0x40)));
    seed("list", Wav(FmtContent(1, 2, 44100, 8), Bytes(32, 0x80), Chunk("LIST", Bytes(12, 'a'))));
    seed("float", Wav(FmtContent(3, 1, 44100, 32, true), Bytes(32, 0)));
    seed("data-first", Riff(Cat({Chunk("data", Bytes(8, 1)), Chunk("fmt ", FmtContent(1, 1, 22050, 16))})));
    seed("huge-data", Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)),
                               Chunk("data", Bytes(16, 2), 0xFFFFFF00)}), 0xFFFFFFFF));
    seed("wrapping-fmt", Riff(Chunk("fmt ", FmtContent(1, 1, 22050, 16), 0xFFFFFFF8), 0xFFFFFFFF));
    seed("short-riff", Riff(Cat({Chunk("fmt ", FmtContent(1, 1, 22050, 16)), Chunk("data", Bytes(16, 3))}), 20));
    seed("channels-0", PcmWav(0, 22050, 16, Bytes(8, 4)));
    seed("bits-24", PcmWav(2, 44100, 24, Bytes(12, 5)));
    Bytes whole = PcmWav(1, 22050, 16, sine);
    seed("truncated", Bytes(whole.begin(), whole.begin() + 35));
    seed("empty-riff", Riff({}));
    seed("extensible-24", Wav(ExtensibleFmt(3, 48000, 24, 24, 0x7, 1), Bytes(90, 7)));
    seed("float-64", Wav(FmtContent(3, 2, 96000, 64, true), Floats64({0.5, -0.5, 2.0, -0.125})));
    seed("odd-chunk", Wav(FmtContent(1, 1, 8000, 16), Bytes(40, 9), Cat({Chunk("bext", Bytes(3, 'b')), Bytes{0}})));
    seed("streamed", Riff(Cat({Chunk("fmt ", FmtContent(1, 2, 16000, 16)), Chunk("data", Bytes(64, 5), 0)}), 0));
    // The codecs: G.711, and ADPCM blocks whole, cut short, padded (fact),
    // with more channels, inside WAVE_FORMAT_EXTENSIBLE, with coefficients
    // of the file's own.
    const std::vector<int16_t> tone = Sine(1200, 700, 8000, 20000);
    Bytes law(tone.size());
    for (size_t i = 0; i < tone.size(); ++i) law[i] = static_cast<uint8_t>(tone[i] >> 8);
    seed("mu-law", Wav(FmtContent(7, 1, 8000, 8, true), law));
    seed("a-law-stereo", Wav(FmtContent(6, 2, 11025, 8, true), law));
    seed("mu-law-extensible", Wav(ExtensibleFmt(1, 8000, 8, 8, 4, 7), law));
    const Bytes ima = ImaAdpcmWav(tone, 1, 8000, 256);
    seed("ima-adpcm", ima);
    seed("ima-adpcm-cut", Bytes(ima.begin(), ima.end() - 37));
    seed("ima-adpcm-stereo", ImaAdpcmWav(Sine(2400, 500, 22050, 15000), 2, 22050, 512));
    seed("ima-adpcm-3-channels", ImaAdpcmWav(Sine(1800, 300, 16000, 15000), 3, 16000, 36));
    seed("ima-adpcm-extensible",
         Wav(ExtensibleFmt(1, 96000, 4, 4, 4, 0x11, 256, Bytes{0xF9, 0x01}), ImaAdpcmData(tone, 1, 256)));
    seed("ima-adpcm-no-fields", Wav(CodecFmt(0x11, 1, 8000, 256, 4, {}), ImaAdpcmData(tone, 1, 256)));
    // Microsoft ADPCM blocks: a header of predictor, delta and two samples
    // per channel, then codes.
    Bytes ms;
    for (int b = 0; b < 6; ++b) {
        ms.insert(ms.end(), {static_cast<uint8_t>(b % 7), static_cast<uint8_t>(b % 7), 40, 0, 40, 0,
                             0xE8, 0x03, 0xD0, 0x07, 0x18, 0xFC, 0x30, 0xF8});
        for (int i = 0; i < 50; ++i) ms.push_back(static_cast<uint8_t>(i * 37 + b));
    }
    seed("ms-adpcm-stereo",
         Wav(CodecFmt(2, 2, 22050, 64, 4, MsAdpcmFields(52)), ms, Chunk("fact", Bytes{100, 1, 0, 0})));
    seed("ms-adpcm-own-pairs", Wav(CodecFmt(2, 1, 11025, 32, 4, MsAdpcmFields(52, {128, 64, -300, 700})), ms));
    seed("ms-adpcm-extensible", Wav(ExtensibleFmt(2, 48000, 4, 4, 3, 2, 64), ms));
    return ok ? 0 : 1;
}
