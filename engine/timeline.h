// The timeline of an MPEG-TS recording as its reviewer sees it: one
// continuous clock from the first picture to the last.
//
// A camera that restarts writes a new run of timestamps into the same file,
// from 0 or wherever its clock stands, and a pause in recording makes the
// clock jump forward. Each such break starts a run; the runs are joined so
// that a run's first picture follows the previous run's last one after one
// frame time, and the timestamps of every packet of the run are moved by the
// run's offset. Playing the file with its timestamps moved so gives one
// clock that only goes forward, and the file time is the time the pictures
// cover. A forward jump across damaged bytes is no pause: its time is kept.
#ifndef TORMO_TIMELINE_H
#define TORMO_TIMELINE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tormo {

// How a clock is read: a small file whole, a larger one at samples across it
// (a 2-hour camera recording is some 2 GB, too much to read while the
// reviewer waits).
struct ClockReading {
    int64_t wholeFile = 32 << 20;  // read whole up to this size
    int64_t spacing = 1 << 20;     // else a sample every so many bytes, up to 1024
};

class Timeline {
public:
    // Reads the clock of the recording at `path`, whole or sampled, looking
    // closely wherever two samples disagree. Nothing when it is no MPEG-TS
    // or has no video timestamps.
    static std::optional<Timeline> read(const std::string &path, const ClockReading &reading = {});

    // True when the clock breaks: the file must be played with its
    // timestamps moved (offsetAt).
    bool breaks() const { return runs.size() > 1; }
    // What is added, on the wrapping 33-bit clock, to every timestamp of the
    // packet at byte `pos`.
    int64_t offsetAt(int64_t pos) const;
    // The file time, in seconds from the first picture, of timestamp `stamp`
    // found in the packet at byte `pos`.
    double secondsAt(int64_t pos, int64_t stamp) const;
    // A byte position whose pictures come at or before file time `seconds`
    // (0 for times before the second mark).
    int64_t positionBefore(double seconds) const;
    const std::string &path() const { return filePath; }
    int64_t size() const { return fileSize; }

private:
    // A known video timestamp: `clock` is its file clock (90 kHz, moved by
    // its run's offset, not wrapped).
    struct Mark {
        int64_t pos;
        int64_t clock;
    };
    // From byte `pos` on, timestamps are moved by `offset`.
    struct Run {
        int64_t pos;
        int64_t offset;
    };
    struct Found;
    class Reader;
    void join(const std::vector<Found> &found);

    std::vector<Mark> marks;
    std::vector<Run> runs;
    int64_t origin = 0;  // the file clock of the first picture
    std::string filePath;
    int64_t fileSize = 0;
};

}  // namespace tormo

#endif
