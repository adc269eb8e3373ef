// Finds the keyframe a seek must decode from, with libavformat: MPEG-TS has
// no index, and the player's own seek lands on the keyframe after the point
// it is given, whole keyframe intervals past the target when they are long.
#ifndef TORMO_KEYFRAMES_H
#define TORMO_KEYFRAMES_H

#include <memory>
#include <optional>

struct AVFormatContext;
struct AVPacket;

namespace tormo {

class Timeline;

class Keyframes {
public:
    // Null when libavformat cannot read the recording or it has no video.
    static std::unique_ptr<Keyframes> open(const Timeline &timeline);
    ~Keyframes();
    Keyframes(const Keyframes &) = delete;
    Keyframes &operator=(const Keyframes &) = delete;

    // The file time of the last keyframe shown at or before `seconds`;
    // nothing when no keyframe comes that early.
    std::optional<double> before(double seconds);

private:
    Keyframes(const Timeline &timeline, AVFormatContext *format, AVPacket *packet, int video)
        : timeline(timeline), format(format), packet(packet), video(video) {}
    std::optional<double> lastIn(int64_t from, int64_t to, double seconds);

    const Timeline &timeline;
    AVFormatContext *format;
    AVPacket *packet;
    int video;
};

}  // namespace tormo

#endif
