// Follows the moving blobs of a fixed road camera from picture to picture
// and counts a passage when one crosses the counting line. Knows nothing of
// video: it is handed the blobs of each picture, so that its rules can be
// tried on made-up sequences.
#ifndef SCAN_TRACKER_H
#define SCAN_TRACKER_H

#include <cstdint>
#include <vector>

namespace scan {

// A point or a size in pixels of the picture the blobs were found in.
struct PointF {
    double x = 0;
    double y = 0;
};

// An axis-aligned box in pixels: top-left corner and size.
struct BoxF {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    double right() const { return x + w; }
    double bottom() const { return y + h; }
    PointF centre() const { return {x + w / 2, y + h / 2}; }
};

// Which way a passage crossed the line a -> b: Down goes from its left side
// to its right side as the picture shows it (y grows downwards), which for a
// line drawn from the left edge to the right edge is from the top of the
// picture towards its bottom.
enum class Direction { Down, Up };

// A track that crossed the line.
struct Crossing {
    int64_t ms = 0;       // the time of the first picture on the far side
    Direction direction = Direction::Down;
    double along = 0;     // where on the line, 0 at a .. 1 at b
    BoxF box;             // the track's box in that picture
};

class Tracker {
public:
    // The counting line from `a` to `b`, in pixels.
    Tracker(PointF a, PointF b);

    // The blobs of the next picture, shown at `ms`. Returns the crossings
    // that are now certain (a crossing waits a moment, in case its track
    // turns out to be a part of another one).
    std::vector<Crossing> step(int64_t ms, const std::vector<BoxF> &blobs);
    // The crossings still waiting, at the end of the recording.
    std::vector<Crossing> finish();

private:
    struct Track {
        BoxF box;
        PointF velocity;       // pixels per picture
        int age = 0;           // pictures since it was first seen
        int missed = 0;        // pictures in a row without a blob
        int together = 0;      // pictures in a row sharing a blob with another track
        int side = 0;          // last side of the line it was clearly on: -1, +1, 0 unknown
        int heading = 0;       // which way it moves across the line: -1, +1, 0 not yet
        double extent = 0;     // its longest reach across the line so far, pixels
        bool counted = false;
        bool fused = false;    // part of another track now: to be dropped
        bool pending = false;  // counted, not yet handed out
        int sincePending = 0;
        Crossing crossing;
    };

    double sideOf(PointF p) const;  // signed distance from the line, pixels
    double alongOf(PointF p) const;
    void look(Track &track, int64_t ms);
    void fuse(Track &keep, Track &gone);

    PointF a;
    PointF b;
    double length;
    std::vector<Track> tracks;
};

}  // namespace scan

#endif
