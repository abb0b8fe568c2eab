// FFmpeg's demuxers and decoders for the sounds of quillon-slides, its
// resampler only to turn every sample format into 16-bit interleaved
// samples (the rate stays: the library resamples to the movie's rates).
#include "slides/sound_decode.h"

#include <mutex>
#include <vector>

#include "slides/ffmpeg_api.h"

namespace quillon_tools {

namespace {

// The demuxers taken: sound files only. Playlists (HLS, concat, ...) would
// open other files and addresses the file names, and synthesizers and
// video formats are no sounds.
const char kSoundFormats[] =
    "wav,w64,flac,ogg,mp3,mov,aac,asf,aiff,caf,matroska,au,amr,wv,ape,tta,voc,ac3,eac3,dts,"
    "mpc,mpc8,gsm";

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    Ffmpeg().av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

struct SoundDecoder::State {
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwrContext *resampler = nullptr;
    int resamplerFormat = -1;  // the sample format resampler was made for
    AVPacket *packet = nullptr;
    AVFrame *frame = nullptr;
    int stream = -1;
    std::vector<int16_t> samples;

    ~State() {
        Ffmpeg().swr_free(&resampler);
        Ffmpeg().av_frame_free(&frame);
        Ffmpeg().av_packet_free(&packet);
        Ffmpeg().avcodec_free_context(&codec);
        Ffmpeg().avformat_close_input(&format);
    }
};

SoundDecoder::SoundDecoder() = default;
SoundDecoder::~SoundDecoder() = default;

bool SoundDecoder::Open(const std::string &path, std::string &error) {
    // FFmpeg reports on standard error, which is the tool's; what counts
    // comes back as an error code.
    if (!Ffmpeg().error.empty()) {
        error = Ffmpeg().error;
        return false;
    }
    static std::once_flag quiet;
    std::call_once(quiet, [] { Ffmpeg().av_log_set_level(AV_LOG_QUIET); });
    state_ = std::make_unique<State>();
    State &s = *state_;
    AVDictionary *options = nullptr;
    Ffmpeg().av_dict_set(&options, "format_whitelist", kSoundFormats, 0);
    Ffmpeg().av_dict_set(&options, "protocol_whitelist", "file", 0);
    // "file:" so that a name with a colon is never taken for a protocol.
    int status = Ffmpeg().avformat_open_input(&s.format, ("file:" + path).c_str(), nullptr, &options);
    Ffmpeg().av_dict_free(&options);
    if (status >= 0) status = Ffmpeg().avformat_find_stream_info(s.format, nullptr);
    if (status < 0) {
        error = AvError(status);
        return false;
    }
    const AVCodec *decoder = nullptr;
    s.stream = Ffmpeg().av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (s.stream < 0) {
        error = s.stream == AVERROR_DECODER_NOT_FOUND ? "no decoder for its sound" : "no sound in it";
        return false;
    }
    s.codec = Ffmpeg().avcodec_alloc_context3(decoder);
    status = s.codec ? Ffmpeg().avcodec_parameters_to_context(s.codec, s.format->streams[s.stream]->codecpar)
                     : AVERROR(ENOMEM);
    if (status >= 0) status = Ffmpeg().avcodec_open2(s.codec, decoder, nullptr);
    s.packet = Ffmpeg().av_packet_alloc();
    s.frame = Ffmpeg().av_frame_alloc();
    if (status >= 0 && (!s.packet || !s.frame)) status = AVERROR(ENOMEM);
    if (status < 0) {
        error = AvError(status);
        return false;
    }
    rate_ = s.codec->sample_rate;
    channels_ = s.codec->ch_layout.nb_channels;
    return true;
}

bool SoundDecoder::Convert(const Sink &sink, std::string &error) {
    State &s = *state_;
    AVFrame *f = s.frame;
    if (f->sample_rate != rate_ || f->ch_layout.nb_channels != channels_) {
        error = "the sound changes its rate or channels midway";
        return false;
    }
    if (!s.resampler || s.resamplerFormat != f->format) {
        Ffmpeg().swr_free(&s.resampler);
        if (Ffmpeg().swr_alloc_set_opts2(&s.resampler, &f->ch_layout, AV_SAMPLE_FMT_S16, rate_, &f->ch_layout,
                                static_cast<AVSampleFormat>(f->format), rate_, 0, nullptr) < 0 ||
            Ffmpeg().swr_init(s.resampler) < 0) {
            error = "its samples cannot be converted";
            return false;
        }
        s.resamplerFormat = f->format;
    }
    s.samples.resize(static_cast<size_t>(f->nb_samples) * channels_);
    uint8_t *out = reinterpret_cast<uint8_t *>(s.samples.data());
    int frames = Ffmpeg().swr_convert(s.resampler, &out, f->nb_samples,
                             const_cast<const uint8_t **>(f->extended_data), f->nb_samples);
    if (frames < 0) {
        error = AvError(frames);
        return false;
    }
    if (frames > 0 && !sink(s.samples.data(), static_cast<size_t>(frames))) {
        error = "stopped";
        return false;
    }
    return true;
}

bool SoundDecoder::Decode(const Sink &sink, std::string &error) {
    State &s = *state_;
    auto drain = [&] {
        while (Ffmpeg().avcodec_receive_frame(s.codec, s.frame) == 0) {
            bool converted = Convert(sink, error);
            Ffmpeg().av_frame_unref(s.frame);
            if (!converted) return false;
        }
        return true;
    };
    // A read error ends the stream, as a file cut short does: the samples
    // before it stand.
    while (Ffmpeg().av_read_frame(s.format, s.packet) >= 0) {
        if (s.packet->stream_index == s.stream) Ffmpeg().avcodec_send_packet(s.codec, s.packet);
        Ffmpeg().av_packet_unref(s.packet);
        if (!drain()) return false;
    }
    Ffmpeg().avcodec_send_packet(s.codec, nullptr);
    return drain();
}

}  // namespace quillon_tools
