// Sound tags: the WAV file read and encoded at construction, the tags that
// define, announce and start the sound, and the Sound item that adds them.
#include "sound/sound_tags.h"

#include <algorithm>

#include "sound/adpcm_encoder.h"
#include "sound/resampler.h"

namespace quillon {

DefineSoundTag::DefineSoundTag(MovieContext &context, OwnedFile file, int32_t bitsPerCode)
    : CharacterTag(context) {
    if (!file) return;
    WaveReader reader;
    if (!reader.Open(file.get(), format_)) return;
    plays_ = true;
    const uint32_t channels = reader.OutputChannels();
    // Files at a SWF rate are encoded as they are; others go through the
    // resampler first.
    std::unique_ptr<Resampler> resampler;
    FrameSource *source = &reader;
    if (reader.NeedsResampling()) {
        resampler = std::make_unique<Resampler>(reader, channels, 2 * reader.SampleRate(),
                                                SwfRateHalfHertz(format_.rate));
        source = resampler.get();
    }
    AdpcmEncoder encoder(RateSizeStereo(format_), bitsPerCode);
    encoded_.reserve(AdpcmEncodedSize(format_.sampleCount, static_cast<int>(channels),
                                      ClampBitsPerCode(bitsPerCode)));
    // One packet at a time, so that every packet's first frame finds the
    // frame after it in the same block, as when the whole sound is encoded
    // at once.
    std::vector<int16_t> block(static_cast<size_t>(kAdpcmFramesPerPacket) * channels);
    uint32_t left = format_.sampleCount;
    if (left == 0) encoder.EncodeFrames(nullptr, 0, encoded_);  // the code size alone
    while (left > 0) {
        const uint32_t n = left < kAdpcmFramesPerPacket ? left : kAdpcmFramesPerPacket;
        const uint32_t got = source->Read(block.data(), n);
        // A file that shrank while it was read: the sound keeps its length.
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got) * channels, block.end(), int16_t{0});
        encoder.EncodeFrames(block.data(), n, encoded_);
        left -= n;
    }
    encoder.Finish(encoded_);
    data_ = encoded_.data();
    dataSize_ = static_cast<uint32_t>(encoded_.size());
}

void DefineSoundTag::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(CharacterId());
    body.WriteBits(format_.compression, 4);
    body.WriteBits(format_.rate, 2);
    body.WriteBits(format_.is16Bit, 1);
    body.WriteBits(format_.stereo, 1);
    body.WriteUI32(format_.sampleCount);
    if (dataSize_ > 0) body.AppendBlock(data_, dataSize_);
    stream.WriteTag(TagCode::DefineSound, body.Length(), &body);
}

void SoundStreamHeadTag::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI8(playbackFormat_);
    body.WriteBits(kSoundAdpcm, 4);        // StreamSoundCompression
    body.WriteBits(kSoundRate5k5, 2);      // StreamSoundRate, whatever the sound's rate
    body.WriteBits(kSoundSize16Bit, 1);    // StreamSoundSize
    body.WriteBits(stereo_, 1);
    body.WriteUI16(sampleCount_);
    stream.WriteTag(TagCode::SoundStreamHead, body.Length(), &body);
}

void SoundInfo::Write(SwfStream &stream) const {
    stream.WriteBits(f_.syncFlags, 4);
    stream.WriteBits(f_.hasEnvelope, 1);
    stream.WriteBits(f_.hasLoops, 1);
    stream.WriteBits(f_.hasOutPoint, 1);
    stream.WriteBits(f_.hasInPoint, 1);
    if (f_.hasInPoint) stream.WriteUI32(f_.inPoint);
    if (f_.hasOutPoint) stream.WriteUI32(f_.outPoint);
    if (f_.hasLoops) stream.WriteUI16(f_.loopCount);
    if (f_.hasEnvelope) {
        stream.WriteUI8(f_.envelopePointCount);
        // A missing record is written as zeros, so the announced bytes are there.
        SoundEnvelope e = f_.envelope ? *f_.envelope : SoundEnvelope{0, 0, 0};
        stream.WriteUI32(e.pos44);
        stream.WriteUI16(e.leftLevel);
        stream.WriteUI16(e.rightLevel);
    }
}

void StartSoundTag::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI16(soundId_);
    if (soundInfo_) soundInfo_->Write(body);
    body.FlushBits();
    stream.WriteTag(TagCode::StartSound, body.Length(), &body);
}

Sound::Sound(MovieContext &context, OwnedFile file, int32_t bitsPerCode)
    : defineSound_(std::make_unique<DefineSoundTag>(context, std::move(file), bitsPerCode)),
      format_(defineSound_->Format()), plays_(defineSound_->Plays()) {
    SetCharacterId(defineSound_->CharacterId());
}

void Sound::AddToFrame(Frame &frame, Movie &movie) {
    if (!PrepareForMovie(movie)) return;
    SoundInfoFields fields;
    fields.syncFlags = kSyncNoMultiple;
    auto info = std::make_unique<SoundInfo>(std::move(fields));
    if (!DefinedIn(movie)) {
        // Made when no character id was left: it cannot be defined.
        if (!defineSound_ || defineSound_->CharacterId() == 0) return;
        frame.AddTag(std::make_unique<SoundStreamHeadTag>(
            RateSizeStereo(format_), format_.stereo, static_cast<uint16_t>(format_.sampleCount)));
        frame.AddTag(std::move(defineSound_));
        MarkDefined(movie);
    }
    frame.AddTag(std::make_unique<StartSoundTag>(static_cast<uint16_t>(GetCharacterId()),
                                                 std::move(info)));
}

}  // namespace quillon
