// FFmpeg's libraries, loaded when the first sound is opened: decks without
// sounds never map them and the codec libraries they bring.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <string>

namespace quillon_tools {

#define QUILLON_FFMPEG_FUNCTIONS(X) \
    X(av_dict_free) \
    X(av_dict_set) \
    X(av_find_best_stream) \
    X(av_frame_alloc) \
    X(av_frame_free) \
    X(av_frame_unref) \
    X(av_log_set_level) \
    X(av_packet_alloc) \
    X(av_packet_free) \
    X(av_packet_unref) \
    X(av_read_frame) \
    X(av_strerror) \
    X(avcodec_alloc_context3) \
    X(avcodec_free_context) \
    X(avcodec_open2) \
    X(avcodec_parameters_to_context) \
    X(avcodec_receive_frame) \
    X(avcodec_send_packet) \
    X(avformat_close_input) \
    X(avformat_find_stream_info) \
    X(avformat_open_input) \
    X(swr_alloc_set_opts2) \
    X(swr_convert) \
    X(swr_free) \
    X(swr_init)

struct FfmpegApi {
#define QUILLON_FFMPEG_POINTER(f) decltype(&::f) f = nullptr;
    QUILLON_FFMPEG_FUNCTIONS(QUILLON_FFMPEG_POINTER)
#undef QUILLON_FFMPEG_POINTER
    std::string error;  // why the libraries could not be loaded; empty when they were
};

// Loads libavformat (with libavcodec and libavutil) and libswresample once
// for the process (thread-safe), and gives their functions.
const FfmpegApi &Ffmpeg();

}  // namespace quillon_tools
