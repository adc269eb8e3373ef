#include "video.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace {

std::string averror(const char *what, int rc)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, text, sizeof text);
    return std::string(what) + ": " + text;
}

}  // namespace

VideoReader::~VideoReader()
{
    sws_freeContext(scale_);
    av_frame_free(&frame_);
    av_frame_free(&decoded_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&format_);
}

bool VideoReader::open(const std::string &path)
{
    int rc = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (rc < 0 || (rc = avformat_find_stream_info(format_, nullptr)) < 0) {
        error_ = averror(path.c_str(), rc);
        return false;
    }
    const AVCodec *codec = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream_ < 0) {
        error_ = averror(path.c_str(), stream_);
        return false;
    }
    AVStream *stream = format_->streams[stream_];
    decoder_ = avcodec_alloc_context3(codec);
    if ((rc = avcodec_parameters_to_context(decoder_, stream->codecpar)) < 0 ||
        (rc = avcodec_open2(decoder_, codec, nullptr)) < 0) {
        error_ = averror("decoder", rc);
        return false;
    }
    if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        rate_ = stream->avg_frame_rate;
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = decoder_->width;
    frame_->height = decoder_->height;
    if ((rc = av_frame_get_buffer(frame_, 0)) < 0) {
        error_ = averror("frame", rc);
        return false;
    }
    return true;
}

// One decoded frame into frame_, converted from whatever the stream holds.
bool VideoReader::receive()
{
    if (avcodec_receive_frame(decoder_, decoded_) < 0)
        return false;
    scale_ = sws_getCachedContext(scale_, decoded_->width, decoded_->height,
                                  AVPixelFormat(decoded_->format), frame_->width,
                                  frame_->height, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                                  nullptr, nullptr, nullptr);
    const bool ok = scale_ && av_frame_make_writable(frame_) >= 0 &&
                    sws_scale(scale_, decoded_->data, decoded_->linesize, 0,
                              decoded_->height, frame_->data, frame_->linesize) > 0;
    av_frame_unref(decoded_);
    return ok;
}

AVFrame *VideoReader::next()
{
    for (;;) {
        if (receive())
            return frame_;
        if (draining_)
            return nullptr;
        if (av_read_frame(format_, packet_) < 0) {
            draining_ = true;
            avcodec_send_packet(decoder_, nullptr);
            continue;
        }
        if (packet_->stream_index == stream_)
            avcodec_send_packet(decoder_, packet_);
        av_packet_unref(packet_);
    }
}

VideoWriter::~VideoWriter()
{
    av_packet_free(&packet_);
    avcodec_free_context(&encoder_);
    if (format_ && !(format_->oformat->flags & AVFMT_NOFILE))
        avio_closep(&format_->pb);
    avformat_free_context(format_);
}

bool VideoWriter::open(const std::string &path, int width, int height,
                       AVRational rate)
{
    int rc = avformat_alloc_output_context2(&format_, nullptr, "mpegts", path.c_str());
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (rc < 0 || !codec) {
        error_ = rc < 0 ? averror("mpegts", rc) : "no H.264 encoder";
        return false;
    }
    encoder_ = avcodec_alloc_context3(codec);
    encoder_->width = width;
    encoder_->height = height;
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->time_base = av_inv_q(rate);
    encoder_->framerate = rate;
    encoder_->gop_size = 50;
    av_opt_set(encoder_->priv_data, "preset", "veryfast", 0);
    stream_ = avformat_new_stream(format_, nullptr);
    if ((rc = avcodec_open2(encoder_, codec, nullptr)) < 0 ||
        (rc = avcodec_parameters_from_context(stream_->codecpar, encoder_)) < 0 ||
        (rc = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0 ||
        (rc = avformat_write_header(format_, nullptr)) < 0) {
        error_ = averror(path.c_str(), rc);
        return false;
    }
    stream_->time_base = stream_->time_base.num ? stream_->time_base : encoder_->time_base;
    return true;
}

bool VideoWriter::drain(const AVFrame *frame)
{
    int rc = avcodec_send_frame(encoder_, frame);
    if (rc < 0) {
        error_ = averror("encoder", rc);
        return false;
    }
    while ((rc = avcodec_receive_packet(encoder_, packet_)) >= 0) {
        av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        if ((rc = av_interleaved_write_frame(format_, packet_)) < 0) {
            error_ = averror("write", rc);
            return false;
        }
    }
    return rc == AVERROR(EAGAIN) || rc == AVERROR_EOF;
}

bool VideoWriter::write(const AVFrame *frame)
{
    // The encoder takes its own reference; the caller goes on drawing into
    // its frame afterwards, so the encoder gets a copy.
    AVFrame *copy = av_frame_clone(frame);
    if (!copy || av_frame_make_writable(copy) < 0) {
        av_frame_free(&copy);
        error_ = "out of memory";
        return false;
    }
    copy->pts = pts_++;
    const bool ok = drain(copy);
    av_frame_free(&copy);
    return ok;
}

bool VideoWriter::finish()
{
    return drain(nullptr) && av_write_trailer(format_) >= 0;
}
