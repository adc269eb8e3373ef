// The passage scanner: finds every vehicle that crosses a counting line in
// a road recording (MPEG-TS, H.264 or any codec libavcodec decodes).
//
// Times are the player's: a passage's time is the position the player shows
// for the picture in which the vehicle is first past the line, across clock
// restarts and pauses too (the recording's clock is read and joined as the
// playback engine does it). Nothing here knows Qt; the window runs a scan on
// a worker thread, the command-line tool on its main thread.
#ifndef SCAN_SCANNER_H
#define SCAN_SCANNER_H

#include "tracker.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scan {

// A point in fractions of the picture: 0,0 its top-left corner, 1,1 its
// bottom-right one.
struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point &o) const { return x == o.x && y == o.y; }
};

// The counting line. By default across the whole picture at 60 % of its
// height, drawn from left to right (so that Down is towards the bottom).
struct Line {
    Point a{0.0, 0.6};
    Point b{1.0, 0.6};
    bool operator==(const Line &o) const { return a == o.a && b == o.b; }
    // "x1,y1,x2,y2" in fractions; nothing unless four numbers in 0..1 and
    // two distinct ends.
    static std::optional<Line> parse(const std::string &text);
    std::string text() const;  // the form parse reads
};

// A box in fractions of the picture.
struct Box {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};

struct Passage {
    int64_t ms = 0;  // the player's position for the picture, milliseconds
    Direction direction = Direction::Down;
    double along = 0;  // where it crossed, 0 at the line's a .. 1 at its b
    Box box;           // the vehicle at the crossing
};

// A stretch of the recording that could not be read (damaged bytes,
// pictures that did not decode), in the player's milliseconds.
struct Damage {
    int64_t fromMs = 0;
    int64_t toMs = 0;
};

struct Progress {
    double done = 0;         // 0 .. 1 of the file's bytes
    double secondsLeft = -1; // an estimate; negative until there is one
};

struct Options {
    Line line;
    // Called on the scanning thread, at most a few times a second.
    std::function<void(const Progress &)> progress;
    // Called on a thread of the scan's own for each passage as it is found (in
    // about the order of time; the result holds them sorted).
    std::function<void(const Passage &)> found;
    // Set from any thread: the scan ends within half a second.
    const std::atomic<bool> *cancel = nullptr;
    // The width the pictures are analysed at.
    int workWidth = 320;
    // Decoding threads; 0 for 8, or one more than the cores where that is more.
    int threads = 0;
    // Also the pictures that no other refers to (B-frames, mostly): every
    // picture is then analysed, at up to twice the decoding work. Without
    // them the blobs are followed at half the rate, which is plenty.
    bool everyPicture = false;
};

enum class Status {
    Done,       // the whole recording was read (damaged stretches aside)
    Cancelled,  // ended by the cancel flag; passages so far
    Unreadable, // no recording: `error` says why, no passages
};

struct Result {
    Status status = Status::Unreadable;
    std::string error;
    std::vector<Passage> passages;  // sorted by time
    std::vector<Damage> damaged;    // sorted, not overlapping
    double seconds = 0;             // the file time the pictures cover
    int width = 0;                  // the recording's picture size
    int height = 0;
};

Result scanRecording(const std::string &path, const Options &options);

// One picture of the recording in 8-bit grey, for showing the road while
// the counting line is set: the first picture shown at or after `seconds`.
struct Still {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> grey;  // width * height bytes, rows top to bottom
};
std::optional<Still> stillPicture(const std::string &path, double seconds = 1.0);

// "H:MM:SS.mmm"
std::string timeText(int64_t ms);
const char *directionName(Direction d);  // "down", "up"

}  // namespace scan

#endif
