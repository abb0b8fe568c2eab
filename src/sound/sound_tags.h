// Sound tags and the Sound display item: DefineSound (14) with the ADPCM
// data, SoundStreamHead (18) and StartSound (15) with its SOUNDINFO record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "characters/display_item.h"
#include "movie/tag.h"
#include "platform/files.h"
#include "sound/wave_reader.h"

namespace quillon {

// A sound character. Reads, converts and encodes the WAV file block by block
// when constructed; the encoded bytes live as long as the tag, which refers
// to them as an external block when it is written.
class DefineSoundTag : public CharacterTag {
public:
    // file: an open WAV file (mode "rb", at its start) or null; it is read
    // whole and closed before the constructor returns. A null or refused
    // file gives a sound without data that keeps the format fields read
    // before the refusal. bitsPerCode: 2 to 5, others are clamped. The id is
    // drawn from context.
    DefineSoundTag(MovieContext &context, OwnedFile file, int32_t bitsPerCode);
    void Write(SwfStream &stream) override;

    const SoundFormat &Format() const { return format_; }
    // False for a null or refused file: the sound is silent.
    bool Plays() const { return plays_; }
    uint32_t DataSize() const { return dataSize_; }
    const std::vector<uint8_t> &Encoded() const { return encoded_; }

private:
    SoundFormat format_;
    bool plays_ = false;
    uint32_t dataSize_ = 0;
    const uint8_t *data_ = nullptr;  // first byte of encoded_, or null
    std::vector<uint8_t> encoded_;
};

// The low byte of a sound's format fields: rate code (2 bits), 16-bit flag,
// stereo flag; SoundStreamHead's playback format and the encoder take it.
inline uint8_t RateSizeStereo(const SoundFormat &f) {
    return static_cast<uint8_t>(f.rate << kSoundRateShift | (f.is16Bit ? kSound16BitFlag : 0) |
                                (f.stereo ? kSoundStereoFlag : 0));
}

// SoundStreamHead: the playback format of the sound; the stream format is
// always ADPCM, code 0 rate, 16-bit. No SoundStreamBlock follows.
class SoundStreamHeadTag : public Tag {
public:
    // playbackFormat: rate * 4 + is16Bit * 2 + stereo; sampleCount: the low
    // 16 bits of the sound's sample count.
    SoundStreamHeadTag(uint8_t playbackFormat, uint8_t stereo, uint16_t sampleCount)
        : playbackFormat_(playbackFormat), stereo_(stereo), sampleCount_(sampleCount) {}
    void Write(SwfStream &stream) override;

private:
    uint8_t playbackFormat_;
    uint8_t stereo_;
    uint16_t sampleCount_;
};

// SOUNDENVELOPE
struct SoundEnvelope {
    uint32_t pos44;
    uint16_t leftLevel;
    uint16_t rightLevel;
};

// The fields of a SOUNDINFO, in the order of the record. The has-flags are
// 0 or 1 and announce the fields after them.
struct SoundInfoFields {
    uint8_t syncFlags = 0;  // kSyncNoMultiple, kSyncStop
    uint8_t hasEnvelope = 0, hasLoops = 0, hasOutPoint = 0, hasInPoint = 0;
    uint32_t inPoint = 0, outPoint = 0;
    uint16_t loopCount = 0;
    uint8_t envelopePointCount = 0;
    std::unique_ptr<SoundEnvelope> envelope;
};

// SOUNDINFO: sync flags, the has-flags, and the fields they announce.
class SoundInfo {
public:
    explicit SoundInfo(SoundInfoFields fields) : f_(std::move(fields)) {}
    // syncFlags fill 4 bits, then one bit per has-flag. Ends byte-aligned
    // only when the stream was.
    void Write(SwfStream &stream) const;

private:
    SoundInfoFields f_;
};

// StartSound: starts the sound character soundId.
class StartSoundTag : public Tag {
public:
    StartSoundTag(uint16_t soundId, std::unique_ptr<SoundInfo> soundInfo)
        : soundId_(soundId), soundInfo_(std::move(soundInfo)) {}
    void Write(SwfStream &stream) override;

private:
    uint16_t soundId_;
    std::unique_ptr<SoundInfo> soundInfo_;
};

// An event sound as a display item. The first showing adds SoundStreamHead,
// DefineSound and StartSound; later showings only a StartSound. A sound is
// never placed: it has no PlaceObject2 and no placement record.
class Sound : public DisplayItem {
public:
    // file: as DefineSoundTag takes it; the sound's id is drawn from
    // context at once.
    Sound(MovieContext &context, OwnedFile file, int32_t bitsPerCode);
    void AddToFrame(Frame &frame, Movie &movie) override;
    bool Plays() const { return plays_; }

protected:
    // Its DefineSound went to a frame: once that movie is written, the
    // sound cannot be defined again.
    bool CanRedefine() const override { return defineSound_ != nullptr; }

private:
    std::unique_ptr<DefineSoundTag> defineSound_;  // until the first showing
    SoundFormat format_;                           // kept for later showings
    bool plays_;                                   // the file was read
};

}  // namespace quillon
