#include "keyframes.h"

#include "timeline.h"
#include "ts.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <climits>

namespace tormo {
namespace {

// A picture a hair past the second (float timestamps) still counts as that
// second.
constexpr double kSlack = 0.01;
// The first look backwards from where the timeline places the target.
constexpr int64_t kFirstStep = 1 << 20;

}  // namespace

std::unique_ptr<Keyframes> Keyframes::open(const Timeline &timeline)
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, timeline.path().c_str(), nullptr, nullptr) < 0)
        return nullptr;
    // The streams come from the program tables; only the video is read, and
    // its parser marks the keyframes.
    int video = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const bool isVideo = format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        if (isVideo && video < 0)
            video = int(i);
        else
            format->streams[i]->discard = AVDISCARD_ALL;
    }
    AVPacket *packet = video >= 0 ? av_packet_alloc() : nullptr;
    if (!packet) {
        avformat_close_input(&format);
        return nullptr;
    }
    return std::unique_ptr<Keyframes>(new Keyframes(timeline, format, packet, video));
}

Keyframes::~Keyframes()
{
    av_packet_free(&packet);
    avformat_close_input(&format);
}

std::optional<double> Keyframes::before(double seconds)
{
    // From where the timeline places the target, then further back in
    // growing steps: a keyframe interval can be as long as the file.
    int64_t from = timeline.positionBefore(seconds);
    int64_t to = INT64_MAX;
    int64_t step = kFirstStep;
    for (;;) {
        if (const auto found = lastIn(from, to, seconds))
            return found;
        if (from == 0)
            return std::nullopt;
        to = from;
        from = std::max<int64_t>(0, from - step);
        step *= 2;
    }
}

// The last keyframe shown at or before `seconds` among the pictures whose
// first packet lies in [from, to).
std::optional<double> Keyframes::lastIn(int64_t from, int64_t to, double seconds)
{
    if (av_seek_frame(format, -1, from, AVSEEK_FLAG_BYTE) < 0)
        return std::nullopt;
    std::optional<double> last;
    while (av_read_frame(format, packet) >= 0) {
        const AVPacket &p = *packet;
        const int64_t decode = p.dts != AV_NOPTS_VALUE ? p.dts : p.pts;
        bool past = false;
        if (p.stream_index == video && p.pos >= 0 && decode != AV_NOPTS_VALUE) {
            // Packets come in decode order: once one decodes after the
            // target, none that follows is shown before it.
            past = p.pos >= to || timeline.secondsAt(p.pos, ts::wrap(decode)) > seconds + kSlack;
            if (!past && (p.flags & AV_PKT_FLAG_KEY) && p.pts != AV_NOPTS_VALUE) {
                const double shown = timeline.secondsAt(p.pos, ts::wrap(p.pts));
                if (shown <= seconds + kSlack)
                    last = shown;
            }
        }
        av_packet_unref(packet);
        if (past)
            break;
    }
    return last;
}

}  // namespace tormo
