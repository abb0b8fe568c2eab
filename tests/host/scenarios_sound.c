/* Sound: "sound" writes a WAV file (a 1 kHz sine, 22050 Hz, 16-bit mono,
 * one second) into the data directory and builds a one-slide 320x240 movie
 * that starts it in frame 0 and stops there. "sound-48k-float" does the same
 * with a 48 kHz stereo file of 32-bit float samples (1 kHz left, 500 Hz
 * right, a fact and a LIST chunk before the data), which the library
 * resamples to 44.1 kHz. "sound-codecs" starts a sound of its own on each of
 * three slides: mu-law, IMA ADPCM and Microsoft ADPCM. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quillon_api.h"

enum { kSoundStageW = 320, kSoundStageH = 240 };

static void PutLE(unsigned char *p, unsigned long value, int bytes) {
    int i;
    for (i = 0; i < bytes; ++i) p[i] = (unsigned char)(value >> (8 * i));
}

/* Writes a WAV file: the format chunk (tag, channels, rate, block align,
 * bits, then, unless fieldBytes is negative, the size of the format's own
 * fields and the fields), a fact chunk of frames unless frames is 0, the
 * chunks in more, and the data chunk. Returns 0 on success. */
static int WriteWave(const char *path, unsigned tag, int channels, unsigned long rate,
                     unsigned blockAlign, unsigned bits, const unsigned char *fields,
                     int fieldBytes, unsigned long frames, const unsigned char *more,
                     size_t moreBytes, const unsigned char *data, unsigned long dataBytes) {
    const size_t fmtBytes = fieldBytes < 0 ? 16 : 18 + (size_t)fieldBytes;
    unsigned char header[128];
    size_t size = 20 + fmtBytes;
    FILE *f;
    int ok;
    memcpy(header, "RIFF", 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    PutLE(header + 16, fmtBytes, 4);
    PutLE(header + 20, tag, 2);
    PutLE(header + 22, (unsigned long)channels, 2);
    PutLE(header + 24, rate, 4);
    PutLE(header + 28, rate * blockAlign, 4);                /* bytes per second */
    PutLE(header + 32, blockAlign, 2);
    PutLE(header + 34, bits, 2);
    if (fieldBytes >= 0) {
        PutLE(header + 36, (unsigned long)fieldBytes, 2);
        if (fieldBytes) memcpy(header + 38, fields, (size_t)fieldBytes);
    }
    if (frames) {
        memcpy(header + size, "fact", 4);
        PutLE(header + size + 4, 4, 4);
        PutLE(header + size + 8, frames, 4);
        size += 12;
    }
    if (moreBytes) memcpy(header + size, more, moreBytes);
    size += moreBytes;
    memcpy(header + size, "data", 4);
    PutLE(header + size + 4, dataBytes, 4);
    size += 8;
    PutLE(header + 4, size - 8 + dataBytes, 4);
    f = fopen(path, "wb");
    if (!f) return 1;
    ok = fwrite(header, 1, size, f) == size && fwrite(data, 1, dataBytes, f) == dataBytes;
    return fclose(f) == 0 && ok ? 0 : 1;
}

/* One second of sine at rate: channel c at 1000 / (c + 1) Hz; float has a
 * fact and a LIST chunk before the data. Returns 0 on success. */
static int WriteSineWave(const char *path, unsigned long rate, int channels, int isFloat) {
    static const unsigned char list[] = "LIST\x0c\0\0\0INFOISFT\0\0\0\0";
    const unsigned sampleBytes = isFloat ? 4 : 2;
    const unsigned long dataBytes = rate * channels * sampleBytes;
    unsigned char *data = malloc(dataBytes), *p = data;
    unsigned long i;
    int c, status;
    if (!data) return 1;
    for (i = 0; i < rate; ++i) {
        for (c = 0; c < channels; ++c, p += sampleBytes) {
            double v = sin(2.0 * 3.14159265358979323846 * 1000.0 / (c + 1) * (double)i / rate);
            if (isFloat) {
                float x = (float)(0.4 * v);
                unsigned int u;
                memcpy(&u, &x, 4);
                PutLE(p, u, 4);
            } else {
                v *= 12000.0;
                PutLE(p, (unsigned long)(long)(v < 0 ? v - 0.5 : v + 0.5) & 0xFFFFUL, 2);
            }
        }
    }
    status = WriteWave(path, isFloat ? 3 : 1, channels, rate, channels * sampleBytes,
                       sampleBytes * 8, NULL, isFloat ? 0 : -1, isFloat ? rate : 0, list,
                       isFloat ? sizeof list - 1 : 0, data, dataBytes);
    free(data);
    return status;
}

/* White slides with a band across the middle in colour 1 + slide of palette,
 * each starting the sound of the WAV file wavs[slide]; the movie stops in
 * its last frame. */
static int SoundSlides(const QuillonApi *q, const char *path, char (*wavs)[4096], int slides,
                       const unsigned char *palette, int colours) {
    unsigned char *pixels = malloc(kSoundStageW * kSoundStageH);
    int slide, x, y;
    if (!pixels) return 1;
    q->CreateMovie(kSoundStageW, kSoundStageH, slides, 12);
    for (slide = 0; slide < slides; ++slide) {
        for (y = 0; y < kSoundStageH; ++y)
            for (x = 0; x < kSoundStageW; ++x)
                pixels[y * kSoundStageW + x] = (unsigned char)(y >= 100 && y < 140 ? 1 + slide : 0);
        q->CreateFrame(pixels, palette, colours);
        q->AddSound(wavs[slide]);
        q->NextSlide();
    }
    q->StopFrame(-1);
    q->WriteMovie(path);
    q->DestroyMovie();
    free(pixels);
    return 0;
}

/* A one-slide movie starting the sine of WriteSineWave in dataDir/name. */
static int SoundMovie(const QuillonApi *q, const char *path, const char *dataDir, const char *name,
                      unsigned long rate, int channels, int isFloat) {
    static const unsigned char palette[] = {255, 255, 255, 40, 90, 200};
    char wav[1][4096];
    if (snprintf(wav[0], sizeof wav[0], "%s/%s", dataDir, name) >= (int)sizeof wav[0]) return 1;
    if (WriteSineWave(wav[0], rate, channels, isFloat) != 0) {
        fprintf(stderr, "sound: cannot write %s\n", wav[0]);
        return 1;
    }
    return SoundSlides(q, path, wav, 1, palette, 2);
}

static int SoundInFirstFrame(const QuillonApi *q, const char *path, const char *dataDir) {
    return SoundMovie(q, path, dataDir, "sine-1k-22050-mono16.wav", 22050, 1, 0);
}

static int FloatSoundAt48k(const QuillonApi *q, const char *path, const char *dataDir) {
    return SoundMovie(q, path, dataDir, "sine-48000-stereo-float.wav", 48000, 2, 1);
}

/* A compressed WAV file: the format chunk with extraBytes of the format's own
 * fields, a fact chunk of frames, and blocks of data. ADPCM blocks get valid
 * headers (first samples, step or predictor index, delta) and codes from a
 * fixed pseudo-random sequence, so every machine decodes the same noise.
 * Returns 0 on success. */
static int WriteCodecWave(const char *path, unsigned tag, int channels, unsigned long rate,
                          unsigned blockAlign, unsigned bits, const unsigned char *extra,
                          unsigned extraBytes, unsigned long frames, unsigned long blocks) {
    const unsigned long dataBytes = blockAlign * blocks;
    unsigned char *data = malloc(dataBytes);
    unsigned long i, seed = 12345;
    int c, status;
    if (!data) return 1;
    for (i = 0; i < dataBytes; ++i) {
        seed = (seed * 1103515245UL + 12345UL) & 0x7FFFFFFFUL;
        data[i] = (unsigned char)(seed >> 16);
        if (tag == 7) {  /* mu-law: a 440 Hz tone */
            long v = (long)(100.0 * sin(2.0 * 3.14159265358979323846 * 440.0 * (double)i / rate));
            data[i] = (unsigned char)(v < 0 ? 0x7F + v : 0xFF - v);
        }
    }
    for (i = 0; tag != 7 && i < blocks; ++i) {
        unsigned char *b = data + i * blockAlign;
        for (c = 0; c < channels; ++c) {
            if (tag == 0x11) {       /* IMA ADPCM: sample, step index, reserved */
                PutLE(b + 4 * c, (unsigned long)(1000 * c), 2);
                b[4 * c + 2] = (unsigned char)(20 + c);
                b[4 * c + 3] = 0;
            } else {                 /* Microsoft ADPCM: predictor, delta, samples */
                b[c] = (unsigned char)((i + c) % 7);
                PutLE(b + channels + 2 * c, 64, 2);
                PutLE(b + 3 * channels + 2 * c, 500, 2);
                PutLE(b + 5 * channels + 2 * c, 400, 2);
            }
        }
    }
    status = WriteWave(path, tag, channels, rate, blockAlign, bits, extra, (int)extraBytes, frames,
                       NULL, 0, data, dataBytes);
    free(data);
    return status;
}

/* Three slides, each starting a sound of its own in its frame: 8 kHz
 * mu-law, 22 kHz stereo IMA ADPCM whose fact chunk ends the sound inside
 * the last block, and 11 kHz Microsoft ADPCM with the standard
 * coefficients. */
static int CodecSounds(const QuillonApi *q, const char *path, const char *dataDir) {
    static const unsigned char imaFields[] = {0xF9, 0x03};  /* 1017 frames a block */
    static const unsigned char msFields[] = {
        0xF4, 0x03, 7, 0, 0, 1, 0, 0, 0, 2, 0, 0xFF, 0, 0, 0, 0, 0xC0, 0, 0x40, 0,
        0xF0, 0, 0, 0, 0xCC, 1, 0x30, 0xFF, 0x88, 1, 0x18, 0xFF};  /* 1012 frames a block */
    static const unsigned char palette[] = {255, 255, 255, 40, 90, 200, 200, 60, 40, 40, 160, 60};
    const char *names[3] = {"prompt-mulaw.wav", "ima-adpcm.wav", "ms-adpcm.wav"};
    char wav[3][4096];
    int slide;
    for (slide = 0; slide < 3; ++slide)
        if (snprintf(wav[slide], sizeof wav[slide], "%s/%s", dataDir, names[slide]) >= (int)sizeof wav[slide])
            return 1;
    if (WriteCodecWave(wav[0], 7, 1, 8000, 1, 8, NULL, 0, 6000, 6000) != 0 ||
        WriteCodecWave(wav[1], 0x11, 2, 22050, 1024, 4, imaFields, 2, 9000, 9) != 0 ||
        WriteCodecWave(wav[2], 2, 1, 11025, 512, 4, msFields, 32, 5060, 5) != 0) {
        fprintf(stderr, "sound-codecs: cannot write the WAV files in %s\n", dataDir);
        return 1;
    }
    return SoundSlides(q, path, wav, 3, palette, 4);
}

const QuillonScenarioEntry quillonSoundScenarios[] = {
    {"sound", SoundInFirstFrame},
    {"sound-48k-float", FloatSoundAt48k},
    {"sound-codecs", CodecSounds},
    {NULL, NULL},
};
