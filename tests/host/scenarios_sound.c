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

/* A WAV file of a scenario: the format chunk (tag, channels, rate, block
 * align, bits, then, unless fieldBytes is negative, the size of the format's
 * own fields and the fields), a fact chunk of frames unless frames is 0, and
 * the data in blocks. */
typedef struct {
    const char *name;
    unsigned tag;
    int channels;
    unsigned long rate;
    unsigned blockAlign, bits;
    const unsigned char *fields;
    int fieldBytes;
    unsigned long frames, blocks;
} SoundWave;

/* Writes the wave. Its data: a second of sine for PCM (1) and float (3),
 * channel c at 1000 / (c + 1) Hz, float with a LIST chunk before the data;
 * a 440 Hz tone for mu-law (7); for ADPCM (0x11, 2) valid block headers
 * (first samples, step or predictor index, delta) and codes from a fixed
 * pseudo-random sequence, so every machine decodes the same noise. Returns
 * 0 on success. */
static int WriteSoundWave(const char *path, const SoundWave *w) {
    static const unsigned char list[] = "LIST\x0c\0\0\0INFOISFT\0\0\0\0";
    const unsigned long dataBytes = w->blockAlign * w->blocks;
    const size_t fmtBytes = w->fieldBytes < 0 ? 16 : 18 + (size_t)w->fieldBytes;
    const unsigned sampleBytes = w->bits / 8;
    unsigned char header[128], *data = malloc(dataBytes);
    size_t size = 20 + fmtBytes;
    unsigned long i, seed = 12345;
    FILE *f;
    int c, ok;
    if (!data) return 1;
    for (i = 0; i < dataBytes; ++i) {
        seed = (seed * 1103515245UL + 12345UL) & 0x7FFFFFFFUL;
        data[i] = (unsigned char)(seed >> 16);
        if (w->tag == 7) {  /* mu-law: a 440 Hz tone */
            long v = (long)(100.0 * sin(2.0 * 3.14159265358979323846 * 440.0 * (double)i / w->rate));
            data[i] = (unsigned char)(v < 0 ? 0x7F + v : 0xFF - v);
        }
    }
    for (i = 0; (w->tag == 0x11 || w->tag == 2) && i < w->blocks; ++i) {
        unsigned char *b = data + i * w->blockAlign;
        for (c = 0; c < w->channels; ++c) {
            if (w->tag == 0x11) {    /* IMA ADPCM: sample, step index, reserved */
                PutLE(b + 4 * c, (unsigned long)(1000 * c), 2);
                b[4 * c + 2] = (unsigned char)(20 + c);
                b[4 * c + 3] = 0;
            } else {                 /* Microsoft ADPCM: predictor, delta, samples */
                b[c] = (unsigned char)((i + c) % 7);
                PutLE(b + w->channels + 2 * c, 64, 2);
                PutLE(b + 3 * w->channels + 2 * c, 500, 2);
                PutLE(b + 5 * w->channels + 2 * c, 400, 2);
            }
        }
    }
    for (i = 0; (w->tag == 1 || w->tag == 3) && i < w->blocks; ++i) {
        for (c = 0; c < w->channels; ++c) {
            unsigned char *p = data + (i * w->channels + c) * sampleBytes;
            double v = sin(2.0 * 3.14159265358979323846 * 1000.0 / (c + 1) * (double)i / w->rate);
            if (w->tag == 3) {
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
    memcpy(header, "RIFF", 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    PutLE(header + 16, fmtBytes, 4);
    PutLE(header + 20, w->tag, 2);
    PutLE(header + 22, (unsigned long)w->channels, 2);
    PutLE(header + 24, w->rate, 4);
    PutLE(header + 28, w->rate * w->blockAlign, 4);          /* bytes per second */
    PutLE(header + 32, w->blockAlign, 2);
    PutLE(header + 34, w->bits, 2);
    if (w->fieldBytes >= 0) {
        PutLE(header + 36, (unsigned long)w->fieldBytes, 2);
        if (w->fieldBytes) memcpy(header + 38, w->fields, (size_t)w->fieldBytes);
    }
    if (w->frames) {
        memcpy(header + size, "fact", 4);
        PutLE(header + size + 4, 4, 4);
        PutLE(header + size + 8, w->frames, 4);
        size += 12;
    }
    if (w->tag == 3) {
        memcpy(header + size, list, sizeof list - 1);
        size += sizeof list - 1;
    }
    memcpy(header + size, "data", 4);
    PutLE(header + size + 4, dataBytes, 4);
    size += 8;
    PutLE(header + 4, size - 8 + dataBytes, 4);
    f = fopen(path, "wb");
    ok = f && fwrite(header, 1, size, f) == size && fwrite(data, 1, dataBytes, f) == dataBytes;
    if (f && fclose(f) != 0) ok = 0;
    free(data);
    return ok ? 0 : 1;
}

/* Writes the waves into dataDir and builds a movie of white slides with a
 * band across the middle in colour 1 + slide of palette, each starting the
 * sound of its wave; the movie stops in its last frame. */
static int SoundSlides(const QuillonApi *q, const char *path, const char *dataDir,
                       const SoundWave *waves, int slides, const unsigned char *palette,
                       int colours) {
    char wav[3][4096];
    unsigned char *pixels;
    int slide, x, y;
    for (slide = 0; slide < slides; ++slide) {
        const int length = snprintf(wav[slide], sizeof wav[slide], "%s/%s", dataDir, waves[slide].name);
        if (length >= (int)sizeof wav[slide] || WriteSoundWave(wav[slide], &waves[slide]) != 0) {
            fprintf(stderr, "sound: cannot write %s in %s\n", waves[slide].name, dataDir);
            return 1;
        }
    }
    pixels = malloc(kSoundStageW * kSoundStageH);
    if (!pixels) return 1;
    q->CreateMovie(kSoundStageW, kSoundStageH, slides, 12);
    for (slide = 0; slide < slides; ++slide) {
        for (y = 0; y < kSoundStageH; ++y)
            for (x = 0; x < kSoundStageW; ++x)
                pixels[y * kSoundStageW + x] = (unsigned char)(y >= 100 && y < 140 ? 1 + slide : 0);
        q->CreateFrame(pixels, palette, colours);
        q->AddSound(wav[slide]);
        q->NextSlide();
    }
    q->StopFrame(-1);
    free(pixels);
    return QuillonFinish(q, path, 0);
}

static const unsigned char kWhiteAndBlue[] = {255, 255, 255, 40, 90, 200};

static int SoundInFirstFrame(const QuillonApi *q, const char *path, const char *dataDir) {
    static const SoundWave wave = {"sine-1k-22050-mono16.wav", 1, 1, 22050, 2, 16, NULL, -1, 0, 22050};
    return SoundSlides(q, path, dataDir, &wave, 1, kWhiteAndBlue, 2);
}

static int FloatSoundAt48k(const QuillonApi *q, const char *path, const char *dataDir) {
    static const SoundWave wave = {"sine-48000-stereo-float.wav", 3, 2, 48000, 8, 32, NULL, 0, 48000, 48000};
    return SoundSlides(q, path, dataDir, &wave, 1, kWhiteAndBlue, 2);
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
    static const SoundWave waves[3] = {
        {"prompt-mulaw.wav", 7, 1, 8000, 1, 8, NULL, 0, 6000, 6000},
        {"ima-adpcm.wav", 0x11, 2, 22050, 1024, 4, imaFields, 2, 9000, 9},
        {"ms-adpcm.wav", 2, 1, 11025, 512, 4, msFields, 32, 5060, 5},
    };
    return SoundSlides(q, path, dataDir, waves, 3, palette, 4);
}

const QuillonScenarioEntry quillonSoundScenarios[] = {
    {"sound", NULL, SoundInFirstFrame},
    {"sound-48k-float", NULL, FloatSoundAt48k},
    {"sound-codecs", NULL, CodecSounds},
    {NULL, NULL, NULL},
};
