// Sound tags: the WAV file read and encoded at construction, the tags that
// define, announce and start the sound, and the Sound item that adds them.
#include "sound/sound_tags.h"

#include <algorithm>

#include "sound/adpcm_encoder.h"
#include "sound/resampler.h"

namespace quillon {

DefineSoundTag::DefineSoundTag(std::FILE *file, int32_t bitsPerCode)
    : characterId_(NextCharacterId()) {
    if (!file) return;
    WaveReader reader;
    if (!reader.Open(file, format_)) return;
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
    AdpcmEncoder encoder(format_.rate * 4u + format_.is16Bit * 2u + format_.stereo, bitsPerCode);
    encoded_.reserve(AdpcmEncodedSize(format_.sampleCount, static_cast<int>(channels),
                                      bitsPerCode < 2 ? 2 : (bitsPerCode > 5 ? 5 : bitsPerCode)));
    // One packet at a time, so that every packet's first frame finds the
    // frame after it in the same block, as when the whole sound is encoded
    // at once.
    std::vector<int16_t> block(static_cast<size_t>(AdpcmEncoder::kFramesPerPacket) * channels);
    uint32_t left = format_.sampleCount;
    if (left == 0) encoder.EncodeFrames(nullptr, 0, encoded_);  // the code size alone
    while (left > 0) {
        const uint32_t n = left < AdpcmEncoder::kFramesPerPacket ? left : AdpcmEncoder::kFramesPerPacket;
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
    body.WriteUI16(characterId_);
    body.WriteBits(format_.compression, 4);
    body.WriteBits(format_.rate, 2);
    body.WriteBits(format_.is16Bit, 1);
    body.WriteBits(format_.stereo, 1);
    body.WriteUI32(format_.sampleCount);
    if (dataSize_ > 0) body.AppendBlock(data_, dataSize_);
    stream.WriteTag(14, body.Length(), &body);
}

void SoundStreamHeadTag::Write(SwfStream &stream) {
    SwfStream body;
    body.WriteUI8(playbackFormat_);
    body.WriteBits(1, 4);  // StreamSoundCompression: ADPCM
    body.WriteBits(0, 2);  // StreamSoundRate: the 5.5 kHz code, whatever the sound's rate
    body.WriteBits(1, 1);  // StreamSoundSize: 16-bit
    body.WriteBits(stereo_, 1);
    body.WriteUI16(sampleCount_);
    stream.WriteTag(18, 4, &body);
}

SoundInfo::SoundInfo(uint8_t syncFlags, uint8_t hasEnvelope, uint8_t hasLoops,
                     uint8_t hasOutPoint, uint8_t hasInPoint, uint32_t inPoint,
                     uint32_t outPoint, uint16_t loopCount, uint8_t envelopePointCount,
                     std::unique_ptr<SoundEnvelope> envelope)
    : syncFlags_(syncFlags), hasEnvelope_(hasEnvelope), hasLoops_(hasLoops),
      hasOutPoint_(hasOutPoint), hasInPoint_(hasInPoint), inPoint_(inPoint),
      outPoint_(outPoint), loopCount_(loopCount), envelopePointCount_(envelopePointCount),
      envelope_(std::move(envelope)) {}

void SoundInfo::Write(SwfStream &stream) const {
    stream.WriteBits(syncFlags_, 4);
    stream.WriteBits(hasEnvelope_, 1);
    stream.WriteBits(hasLoops_, 1);
    stream.WriteBits(hasOutPoint_, 1);
    stream.WriteBits(hasInPoint_, 1);
    if (hasInPoint_) stream.WriteUI32(inPoint_);
    if (hasOutPoint_) stream.WriteUI32(outPoint_);
    if (hasLoops_) stream.WriteUI16(loopCount_);
    if (hasEnvelope_) {
        stream.WriteUI8(envelopePointCount_);
        // A missing record is written as zeros, so the announced bytes are there.
        SoundEnvelope e = envelope_ ? *envelope_ : SoundEnvelope{0, 0, 0};
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
    stream.WriteTag(15, body.Length(), &body);
}

Sound::Sound(std::FILE *file, int32_t bitsPerCode)
    : defineSound_(std::make_unique<DefineSoundTag>(file, bitsPerCode)),
      format_(defineSound_->Format()) {
    SetCharacterId(defineSound_->CharacterId());
}

void Sound::AddToFrame(Frame &frame, Movie &movie) {
    if (!PrepareForMovie(movie)) return;
    auto info = std::make_unique<SoundInfo>(1, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    if (!defined_) {
        // Made when no character id was left: it cannot be defined.
        if (!defineSound_ || defineSound_->CharacterId() == 0) return;
        frame.AddTag(std::make_unique<SoundStreamHeadTag>(
            static_cast<uint8_t>(format_.rate * 4 + format_.is16Bit * 2 + format_.stereo),
            format_.stereo, static_cast<uint16_t>(format_.sampleCount)));
        frame.AddTag(std::move(defineSound_));
        MarkDefined(movie);
    }
    frame.AddTag(std::make_unique<StartSoundTag>(static_cast<uint16_t>(GetCharacterId()),
                                                 std::move(info)));
}

}  // namespace quillon
