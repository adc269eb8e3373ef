// The demo's video input and output on FFmpeg's libraries: a recording
// decoded into I420 frames, and I420 frames encoded as H.264 in MPEG-TS.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <string>

// Reads the first video stream of a recording, frame by frame, as yuv420p.
class VideoReader {
public:
    ~VideoReader();
    // False, with a message in error(), when the file has no decodable video.
    bool open(const std::string &path);
    // The next frame, owned by the reader until the next call; null at the
    // end of the recording.
    AVFrame *next();
    int width() const { return decoder_->width; }
    int height() const { return decoder_->height; }
    AVRational frameRate() const { return rate_; }
    const std::string &error() const { return error_; }

private:
    bool receive();

    AVFormatContext *format_ = nullptr;
    AVCodecContext *decoder_ = nullptr;
    SwsContext *scale_ = nullptr;
    AVPacket *packet_ = av_packet_alloc();
    AVFrame *decoded_ = av_frame_alloc();
    AVFrame *frame_ = av_frame_alloc();  // yuv420p, what next() hands out
    int stream_ = -1;
    AVRational rate_{25, 1};
    bool draining_ = false;
    std::string error_;
};

// Writes yuv420p frames as H.264 into an MPEG-TS file.
class VideoWriter {
public:
    ~VideoWriter();
    bool open(const std::string &path, int width, int height, AVRational rate);
    // Encodes `frame` (yuv420p, the size given to open) as the next frame.
    bool write(const AVFrame *frame);
    // Flushes the encoder and closes the file.
    bool finish();
    const std::string &error() const { return error_; }

private:
    bool drain(const AVFrame *frame);

    AVFormatContext *format_ = nullptr;
    AVCodecContext *encoder_ = nullptr;
    AVStream *stream_ = nullptr;
    AVPacket *packet_ = av_packet_alloc();
    int64_t pts_ = 0;
    std::string error_;
};
