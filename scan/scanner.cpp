#include "scanner.h"

#include "timeline.h"
#include "ts.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <opencv2/imgproc.hpp>
#include <opencv2/video/background_segm.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace scan {
namespace {

using Clock = std::chrono::steady_clock;

// The background model: a long memory, so that a vehicle standing on the
// line for some seconds, or a long one of one colour, stays foreground
// (slow light changes are taken out before: see Brightness). A low share
// of the model counts as background, for the same reason: a new colour
// turns into road only once the road's own weight falls below it.
constexpr int kHistory = 1000;
constexpr double kVarThreshold = 25;
constexpr double kBackgroundRatio = 0.7;
// The model learns the road faster at first (a vehicle in the first picture
// leaves a ghost), never faster than this.
constexpr int kFirstHistory = 300;
// The first pictures only teach the model the road.
constexpr int kWarmUp = 3;
// A blob smaller than this (a share of the analysed picture, and pixels on
// each side) is noise, a moving lane marking's edge or a shaking kerb.
constexpr double kMinAreaShare = 0.0008;
constexpr double kMinSideShare = 0.016;
// Progress is reported this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
// Decoding threads unless the caller chooses.
constexpr int kDecoderThreads = 8;
// Pictures further apart than this many frame times, or a whole second,
// leave a gap: the bytes between could not be read.
constexpr int64_t kGapFrames = 4;
constexpr int64_t kGapMinMs = 1000;
constexpr int64_t kClockRate = tormo::ts::kClockRate;

struct FormatCloser {
    void operator()(AVFormatContext *f) const { avformat_close_input(&f); }
};
struct CodecCloser {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Reads a recording's video in the player's time: every packet's timestamps
// are replaced by its file time (90 kHz from the first picture) before it is
// decoded, so that the pictures, reordered by the decoder, come out with the
// times the player shows for them.
class Decoder {
public:
    // An empty text when the recording opened, else what went wrong.
    std::string open(const std::string &path, int threads, bool everyPicture = true)
    {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0)
            return path + ": " + std::strerror(errno);
        if (!S_ISREG(st.st_mode))
            return path + ": not a file";
        timeline = tormo::Timeline::read(path);
        if (!timeline)
            return path + ": no MPEG-TS recording with video";
        AVFormatContext *f = nullptr;
        int rc = avformat_open_input(&f, path.c_str(), nullptr, nullptr);
        if (rc < 0)
            return path + ": " + avError(rc);
        format.reset(f);
        if ((rc = avformat_find_stream_info(f, nullptr)) < 0)
            return path + ": " + avError(rc);
        video = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video < 0)
            return path + ": no video";
        for (unsigned i = 0; i < f->nb_streams; ++i)
            if (int(i) != video)
                f->streams[i]->discard = AVDISCARD_ALL;
        const AVStream *stream = f->streams[video];
        const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec)
            return path + ": no decoder for its video";
        codecContext.reset(avcodec_alloc_context3(codec));
        AVCodecContext *c = codecContext.get();
        avcodec_parameters_to_context(c, stream->codecpar);
        c->pkt_timebase = AVRational{1, int(kClockRate)};
        // More pictures in flight than cores keep the cores busy while
        // pictures wait for their references (as in the player).
        c->thread_count = threads > 0 ? threads
                                      : std::max(kDecoderThreads, int(std::thread::hardware_concurrency()) + 1);
        c->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        // Finding moving blobs needs no deblocked edges. (Grey-only decoding
        // would save the chroma too, but Debian's libavcodec is built without it.)
        c->skip_loop_filter = AVDISCARD_ALL;
        if (!everyPicture)
            c->skip_frame = AVDISCARD_NONREF;
        if ((rc = avcodec_open2(c, codec, nullptr)) < 0)
            return path + ": " + avError(rc);
        timeBase = stream->time_base;
        fileSize = st.st_size;
        packet.reset(av_packet_alloc());
        frame.reset(av_frame_alloc());
        if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
            frameMs = std::max<int64_t>(1, int64_t(1000 * av_q2d(av_inv_q(stream->avg_frame_rate))));
        return {};
    }

    // Hands each decoded picture to `picture(frame, ms, intact)` until the
    // end, or until `stop()` is true; `bad(ms)` hears of packets that did
    // not decode. Returns false when stopped.
    template <typename Picture, typename Bad, typename Stop>
    bool run(Picture picture, Bad bad, Stop stop)
    {
        AVCodecContext *c = codecContext.get();
        int64_t lastPos = 0;
        bool draining = false;
        for (;;) {
            if (stop())
                return false;
            if (!draining) {
                const int rc = av_read_frame(format.get(), packet.get());
                if (rc < 0) {
                    draining = true;
                    avcodec_send_packet(c, nullptr);
                } else if (packet->stream_index != video) {
                    av_packet_unref(packet.get());
                    continue;
                } else {
                    if (packet->pos >= 0)
                        lastPos = packet->pos;
                    bytesDone = lastPos;
                    packet->pts = fileClock(lastPos, packet->pts);
                    packet->dts = fileClock(lastPos, packet->dts);
                    const bool corrupt = packet->flags & AV_PKT_FLAG_CORRUPT;
                    const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
                    const int sent = avcodec_send_packet(c, packet.get());
                    if ((sent < 0 && sent != AVERROR(EAGAIN)) || corrupt) {
                        if (at != AV_NOPTS_VALUE)
                            bad(at * 1000 / kClockRate);
                    }
                    av_packet_unref(packet.get());
                }
            }
            for (;;) {
                const int rc = avcodec_receive_frame(c, frame.get());
                if (rc == AVERROR_EOF)
                    return true;
                if (rc < 0)
                    break;
                const int64_t t = frame->best_effort_timestamp;
                if (t != AV_NOPTS_VALUE) {
                    const bool intact = !frame->decode_error_flags && !(frame->flags & AV_FRAME_FLAG_CORRUPT);
                    picture(*frame, t * 1000 / kClockRate, intact);
                }
                av_frame_unref(frame.get());
            }
        }
    }

    int64_t size() const { return fileSize; }
    int64_t done() const { return bytesDone; }
    int64_t frameTimeMs() const { return frameMs; }

private:
    // A packet's timestamp (in its stream's time base) as file time, 90 kHz.
    int64_t fileClock(int64_t pos, int64_t stamp) const
    {
        if (stamp == AV_NOPTS_VALUE)
            return stamp;
        const int64_t clock = av_rescale_q(stamp, timeBase, AVRational{1, int(kClockRate)});
        return std::llround(timeline->secondsAt(pos, tormo::ts::wrap(clock)) * kClockRate);
    }

    std::optional<tormo::Timeline> timeline;
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecCloser> codecContext;
    std::unique_ptr<AVPacket, PacketFree> packet;
    std::unique_ptr<AVFrame, FrameFree> frame;
    AVRational timeBase{1, int(kClockRate)};
    int video = -1;
    int64_t fileSize = 0;
    int64_t bytesDone = 0;
    int64_t frameMs = 40;
};

// Takes the light of the sky out: every picture is scaled so that its median
// brightness is that of the first one (a passing cloud moves the median, a
// vehicle covering a small part of the road barely does).
class Brightness {
public:
    void apply(cv::Mat &grey)
    {
        int histogram[256] = {};
        for (int y = 0; y < grey.rows; y += 2) {
            const uint8_t *row = grey.ptr<uint8_t>(y);
            for (int x = 0; x < grey.cols; x += 2)
                ++histogram[row[x]];
        }
        const int half = ((grey.rows + 1) / 2) * ((grey.cols + 1) / 2) / 2;
        int median = 0;
        for (int sum = 0; median < 255 && (sum += histogram[median]) < half;)
            ++median;
        median = std::max(median, 1);
        if (reference == 0)
            reference = median;
        const double gain = double(reference) / median;
        if (std::abs(gain - 1) > 0.01)
            grey.convertTo(grey, -1, gain);
    }

private:
    int reference = 0;
};

// Moving blobs of one picture, in pixels of the analysed picture.
class Foreground {
public:
    Foreground(int width, int height)
        : model(cv::createBackgroundSubtractorMOG2(kHistory, kVarThreshold, false)),
          open(cv::getStructuringElement(cv::MORPH_RECT, {3, 3})),
          close(cv::getStructuringElement(cv::MORPH_ELLIPSE, {5, 5})),
          minArea(std::max(12.0, kMinAreaShare * width * height)),
          minSide(std::max(3.0, kMinSideShare * width))
    {
        model->setBackgroundRatio(kBackgroundRatio);
    }

    std::vector<BoxF> blobs(const cv::Mat &grey)
    {
        ++seen;
        model->apply(grey, mask, seen < 2 ? -1.0 : 1.0 / std::min(seen + kFirstHistory, kHistory));
        cv::morphologyEx(mask, mask, cv::MORPH_OPEN, open);
        cv::morphologyEx(mask, mask, cv::MORPH_CLOSE, close);
        const int n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
        std::vector<BoxF> out;
        for (int i = 1; i < n; ++i) {
            const int *s = stats.ptr<int>(i);
            if (s[cv::CC_STAT_AREA] < minArea || s[cv::CC_STAT_WIDTH] < minSide ||
                s[cv::CC_STAT_HEIGHT] < minSide)
                continue;
            out.push_back({double(s[cv::CC_STAT_LEFT]), double(s[cv::CC_STAT_TOP]),
                           double(s[cv::CC_STAT_WIDTH]), double(s[cv::CC_STAT_HEIGHT])});
        }
        return out;
    }

private:
    cv::Ptr<cv::BackgroundSubtractorMOG2> model;
    cv::Mat open, close, mask, labels, stats, centroids;
    double minArea;
    double minSide;
    int seen = 0;
};

// Stretches of damage, merged.
// Downsized pictures handed from decoding to their analysis, which run side
// by side: the decoder's threads alone leave the cores partly idle while
// they wait for their references. A few pictures at most are in hand.
class Handover {
public:
    struct Picture {
        cv::Mat grey;
        int64_t ms;
    };
    void put(Picture picture)
    {
        std::unique_lock<std::mutex> lock(mutex);
        room.wait(lock, [this] { return queue.size() < kDepth; });
        queue.push_back(std::move(picture));
        ready.notify_one();
    }
    // The next picture; nothing once the decoding has ended and all are taken.
    std::optional<Picture> take()
    {
        std::unique_lock<std::mutex> lock(mutex);
        ready.wait(lock, [this] { return !queue.empty() || ended; });
        if (queue.empty())
            return std::nullopt;
        Picture picture = std::move(queue.front());
        queue.pop_front();
        room.notify_one();
        return picture;
    }
    void end()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        ready.notify_all();
    }

private:
    static constexpr size_t kDepth = 8;
    std::mutex mutex;
    std::condition_variable ready, room;
    std::deque<Picture> queue;
    bool ended = false;
};

void addDamage(std::vector<Damage> &damaged, int64_t from, int64_t to)
{
    if (to < from)
        std::swap(from, to);
    if (!damaged.empty() && from <= damaged.back().toMs) {
        damaged.back().toMs = std::max(damaged.back().toMs, to);
        return;
    }
    damaged.push_back({from, to});
}

}  // namespace

std::optional<Line> Line::parse(const std::string &text)
{
    double v[4];
    char rest = 0;
    if (std::sscanf(text.c_str(), "%lf,%lf,%lf,%lf%c", &v[0], &v[1], &v[2], &v[3], &rest) != 4)
        return std::nullopt;
    for (double x : v)
        if (!(x >= 0 && x <= 1))
            return std::nullopt;
    if (v[0] == v[2] && v[1] == v[3])
        return std::nullopt;
    return Line{{v[0], v[1]}, {v[2], v[3]}};
}

std::string Line::text() const
{
    char out[96];
    std::snprintf(out, sizeof out, "%.4f,%.4f,%.4f,%.4f", a.x, a.y, b.x, b.y);
    return out;
}

std::string timeText(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    char out[32];
    std::snprintf(out, sizeof out, "%lld:%02lld:%02lld.%03lld", (long long)(ms / 3600000),
                  (long long)(ms / 60000 % 60), (long long)(ms / 1000 % 60), (long long)(ms % 1000));
    return out;
}

const char *directionName(Direction d) { return d == Direction::Down ? "down" : "up"; }

Result scanRecording(const std::string &path, const Options &options)
{
    Result result;
    Decoder decoder;
    result.error = decoder.open(path, options.threads, options.everyPicture);
    if (!result.error.empty())
        return result;

    std::unique_ptr<Foreground> foreground;
    std::unique_ptr<Tracker> tracker;
    Brightness brightness;
    Handover handover;
    int workW = 0, workH = 0;
    int pictures = 0;
    int64_t lastGood = -1;   // the time of the last picture read whole
    int64_t badFrom = -1;    // since when nothing was read whole
    const auto started = Clock::now();
    auto lastReport = started;

    const auto hand = [&](const std::vector<Crossing> &crossings) {
        for (const Crossing &c : crossings) {
            const Passage p{c.ms, c.direction, c.along,
                            {c.box.x / workW, c.box.y / workH, c.box.w / workW, c.box.h / workH}};
            result.passages.push_back(p);
            if (options.found)
                options.found(p);
        }
    };
    const auto bad = [&](int64_t ms) {
        if (badFrom < 0)
            badFrom = lastGood >= 0 ? std::min(lastGood, ms) : ms;
    };
    const auto picture = [&](const AVFrame &frame, int64_t ms, bool intact) {
        result.seconds = std::max(result.seconds, ms / 1000.0);
        if (!intact) {
            bad(ms);
            return;
        }
        const int64_t gap = std::max(kGapMinMs, kGapFrames * decoder.frameTimeMs());
        if (badFrom >= 0) {
            addDamage(result.damaged, badFrom, ms);
            badFrom = -1;
        } else if (lastGood >= 0 && ms - lastGood > gap) {
            addDamage(result.damaged, lastGood, ms);
        }
        lastGood = ms;
        if (!tracker) {
            result.width = frame.width;
            result.height = frame.height;
            workW = std::min(options.workWidth, frame.width);
            workH = std::max(1, int(std::lround(double(frame.height) * workW / frame.width)));
            foreground = std::make_unique<Foreground>(workW, workH);
            const Line &l = options.line;
            tracker = std::make_unique<Tracker>(PointF{l.a.x * workW, l.a.y * workH},
                                                PointF{l.b.x * workW, l.b.y * workH});
        }
        const cv::Mat luma(frame.height, frame.width, CV_8UC1, frame.data[0], size_t(frame.linesize[0]));
        cv::Mat small;
        cv::resize(luma, small, {workW, workH}, 0, 0, cv::INTER_AREA);
        handover.put({std::move(small), ms});
    };
    // The analysis, on a thread of its own; the decoder made what it uses
    // before handing over the first picture.
    std::thread analysis([&] {
        while (auto p = handover.take()) {
            brightness.apply(p->grey);
            std::vector<BoxF> blobs = foreground->blobs(p->grey);
            if (++pictures <= kWarmUp)
                blobs.clear();
            hand(tracker->step(p->ms, blobs));
        }
    });
    const auto stop = [&] {
        if (options.cancel && options.cancel->load(std::memory_order_relaxed))
            return true;
        const auto now = Clock::now();
        if (options.progress && now - lastReport >= kProgressEvery) {
            lastReport = now;
            Progress p;
            p.done = decoder.size() > 0 ? std::clamp(double(decoder.done()) / decoder.size(), 0.0, 1.0) : 0;
            const double spent = std::chrono::duration<double>(now - started).count();
            if (p.done > 0.001)
                p.secondsLeft = spent * (1 - p.done) / p.done;
            options.progress(p);
        }
        return false;
    };

    const bool whole = decoder.run(picture, bad, stop);
    handover.end();
    analysis.join();
    if (badFrom >= 0)
        addDamage(result.damaged, badFrom, int64_t(result.seconds * 1000));
    if (tracker)
        hand(tracker->finish());
    std::stable_sort(result.passages.begin(), result.passages.end(),
                     [](const Passage &p, const Passage &q) { return p.ms < q.ms; });
    result.status = whole ? Status::Done : Status::Cancelled;
    if (whole && options.progress)
        options.progress({1.0, 0.0});
    return result;
}

std::optional<Still> stillPicture(const std::string &path, double seconds)
{
    Decoder decoder;
    if (!decoder.open(path, 0).empty())
        return std::nullopt;
    std::optional<Still> still;
    bool enough = false;
    decoder.run(
        [&](const AVFrame &frame, int64_t ms, bool intact) {
            if (!intact || enough)
                return;
            Still s;
            s.width = frame.width;
            s.height = frame.height;
            s.grey.resize(size_t(s.width) * s.height);
            for (int y = 0; y < s.height; ++y)
                std::memcpy(&s.grey[size_t(y) * s.width], frame.data[0] + y * frame.linesize[0], s.width);
            still = std::move(s);
            enough = ms >= seconds * 1000;
        },
        [](int64_t) {}, [&] { return enough; });
    return still;
}

}  // namespace scan
