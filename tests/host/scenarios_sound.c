/* Sound: "sound" writes a WAV file (a 1 kHz sine, 22050 Hz, 16-bit mono,
 * one second) into the data directory and builds a one-slide 320x240 movie
 * that starts it in frame 0 and stops there. "sound-48k-float" does the same
 * with a 48 kHz stereo file of 32-bit float samples (1 kHz left, 500 Hz
 * right, a fact and a LIST chunk before the data), which the library
 * resamples to 44.1 kHz. */
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

/* One second of sine at rate: channel c at 1000 / (c + 1) Hz. 16-bit PCM
 * has the canonical 44-byte header; float has an 18-byte format chunk, a
 * fact chunk and a LIST chunk before the data. Returns 0 on success. */
static int WriteSineWave(const char *path, unsigned long rate, int channels, int isFloat) {
    const unsigned long frames = rate, sampleBytes = isFloat ? 4 : 2;
    const unsigned long dataBytes = frames * channels * sampleBytes;
    static const unsigned char list[] = "LIST\x0c\0\0\0INFOISFT\0\0\0\0";
    const unsigned long fmtBytes = isFloat ? 18 : 16;
    const unsigned long extraBytes = isFloat ? 12 + sizeof list - 1 : 0;
    unsigned char header[80];
    unsigned char sample[4];
    size_t size = 0;
    FILE *f;
    unsigned long i;
    int c, ok = 1;
    memcpy(header, "RIFF", 4);
    PutLE(header + 4, 4 + 8 + fmtBytes + extraBytes + 8 + dataBytes, 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    PutLE(header + 16, fmtBytes, 4);
    PutLE(header + 20, isFloat ? 3 : 1, 2);                  /* float or PCM */
    PutLE(header + 22, (unsigned long)channels, 2);
    PutLE(header + 24, rate, 4);
    PutLE(header + 28, rate * channels * sampleBytes, 4);    /* bytes per second */
    PutLE(header + 32, channels * sampleBytes, 2);           /* block align */
    PutLE(header + 34, sampleBytes * 8, 2);                  /* bits */
    size = 36;
    if (isFloat) {
        PutLE(header + 36, 0, 2);                            /* no extra format bytes */
        memcpy(header + 38, "fact", 4);
        PutLE(header + 42, 4, 4);
        PutLE(header + 46, frames, 4);
        memcpy(header + 50, list, sizeof list - 1);
        size = 50 + sizeof list - 1;
    }
    memcpy(header + size, "data", 4);
    PutLE(header + size + 4, dataBytes, 4);
    size += 8;
    f = fopen(path, "wb");
    if (!f) return 1;
    if (fwrite(header, 1, size, f) != size) ok = 0;
    for (i = 0; ok && i < frames; ++i) {
        for (c = 0; c < channels; ++c) {
            double v = sin(2.0 * 3.14159265358979323846 * 1000.0 / (c + 1) * (double)i / rate);
            if (isFloat) {
                float x = (float)(0.4 * v);
                unsigned long bits;
                unsigned int u;
                memcpy(&u, &x, 4);
                bits = u;
                PutLE(sample, bits, 4);
            } else {
                v *= 12000.0;
                PutLE(sample, (unsigned long)(long)(v < 0 ? v - 0.5 : v + 0.5) & 0xFFFFUL, 2);
            }
            if (fwrite(sample, 1, sampleBytes, f) != sampleBytes) ok = 0;
        }
    }
    if (fclose(f) != 0) ok = 0;
    return ok ? 0 : 1;
}

/* A white slide with a blue band across the middle, starting the sound of
 * the WAV file name in dataDir. */
static int SoundMovie(const QuillonApi *q, const char *path, const char *dataDir, const char *name,
                      unsigned long rate, int channels, int isFloat) {
    static const unsigned char palette[] = {255, 255, 255, 40, 90, 200};
    char wav[4096];
    unsigned char *pixels;
    int x, y;
    if (snprintf(wav, sizeof wav, "%s/%s", dataDir, name) >= (int)sizeof wav) return 1;
    if (WriteSineWave(wav, rate, channels, isFloat) != 0) {
        fprintf(stderr, "sound: cannot write %s\n", wav);
        return 1;
    }
    pixels = malloc(kSoundStageW * kSoundStageH);
    if (!pixels) return 1;
    for (y = 0; y < kSoundStageH; ++y)
        for (x = 0; x < kSoundStageW; ++x)
            pixels[y * kSoundStageW + x] = (unsigned char)(y >= 100 && y < 140);
    q->CreateMovie(kSoundStageW, kSoundStageH, 1, 12);
    q->CreateFrame(pixels, palette, 2);
    q->AddSound(wav);
    q->StopFrame(-1);
    q->NextSlide();
    q->WriteMovie(path);
    q->DestroyMovie();
    free(pixels);
    return 0;
}

static int SoundInFirstFrame(const QuillonApi *q, const char *path, const char *dataDir) {
    return SoundMovie(q, path, dataDir, "sine-1k-22050-mono16.wav", 22050, 1, 0);
}

static int FloatSoundAt48k(const QuillonApi *q, const char *path, const char *dataDir) {
    return SoundMovie(q, path, dataDir, "sine-48000-stereo-float.wav", 48000, 2, 1);
}

const QuillonScenarioEntry quillonSoundScenarios[] = {
    {"sound", SoundInFirstFrame},
    {"sound-48k-float", FloatSoundAt48k},
    {NULL, NULL},
};
