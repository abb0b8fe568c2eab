/* Sound: "sound" writes a WAV file (a 1 kHz sine, 22050 Hz, 16-bit mono,
 * one second) into the data directory and builds a one-slide 320x240 movie
 * that starts it in frame 0 and stops there. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quillon_api.h"

enum { kSoundStageW = 320, kSoundStageH = 240, kSoundRate = 22050, kSoundFrames = 22050 };

static void PutLE(unsigned char *p, unsigned long value, int bytes) {
    int i;
    for (i = 0; i < bytes; ++i) p[i] = (unsigned char)(value >> (8 * i));
}

/* The canonical 44-byte header, then the samples. Returns 0 on success. */
static int WriteSineWave(const char *path) {
    const unsigned long dataBytes = kSoundFrames * 2UL;
    unsigned char header[44];
    unsigned char sample[2];
    FILE *f;
    long i;
    int ok = 1;
    memcpy(header, "RIFF", 4);
    PutLE(header + 4, 36 + dataBytes, 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    PutLE(header + 16, 16, 4);
    PutLE(header + 20, 1, 2);                /* PCM */
    PutLE(header + 22, 1, 2);                /* mono */
    PutLE(header + 24, kSoundRate, 4);
    PutLE(header + 28, kSoundRate * 2UL, 4); /* bytes per second */
    PutLE(header + 32, 2, 2);                /* block align */
    PutLE(header + 34, 16, 2);               /* bits */
    memcpy(header + 36, "data", 4);
    PutLE(header + 40, dataBytes, 4);
    f = fopen(path, "wb");
    if (!f) return 1;
    if (fwrite(header, 1, sizeof header, f) != sizeof header) ok = 0;
    for (i = 0; ok && i < kSoundFrames; ++i) {
        double v = 12000.0 * sin(2.0 * 3.14159265358979323846 * 1000.0 * (double)i / kSoundRate);
        PutLE(sample, (unsigned long)(long)(v < 0 ? v - 0.5 : v + 0.5) & 0xFFFFUL, 2);
        if (fwrite(sample, 1, 2, f) != 2) ok = 0;
    }
    if (fclose(f) != 0) ok = 0;
    return ok ? 0 : 1;
}

static int SoundInFirstFrame(const QuillonApi *q, const char *path, const char *dataDir) {
    static const unsigned char palette[] = {255, 255, 255, 40, 90, 200};
    char wav[4096];
    unsigned char *pixels;
    int x, y;
    if (snprintf(wav, sizeof wav, "%s/sine-1k-22050-mono16.wav", dataDir) >= (int)sizeof wav) return 1;
    if (WriteSineWave(wav) != 0) {
        fprintf(stderr, "sound: cannot write %s\n", wav);
        return 1;
    }
    pixels = malloc(kSoundStageW * kSoundStageH);
    if (!pixels) return 1;
    /* White, with a blue band across the middle. */
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

const QuillonScenarioEntry quillonSoundScenarios[] = {
    {"sound", SoundInFirstFrame},
    {NULL, NULL},
};
