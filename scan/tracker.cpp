#include "tracker.h"

#include <algorithm>
#include <cmath>

namespace scan {
namespace {

// A blob belongs to a track when it touches the track's predicted box grown
// by this much: the parts of a vehicle that the background split apart lie
// close together, the vehicle in the next lane further away.
constexpr double kGateMin = 2.0;
constexpr double kGateShare = 0.2;
constexpr double kGateMax = 4.0;
// A blob that covers this share of the predicted boxes of two tracks or more
// is their vehicles merged: each track goes on by its own motion.
constexpr double kMergedCover = 0.3;
// Tracks that share blobs this many pictures in a row while their boxes
// overlap this much are one vehicle followed twice.
constexpr int kFuseAfter = 8;
constexpr double kFuseOverlap = 0.3;
// Boxes this alike are the same vehicle at once.
constexpr double kSameOverlap = 0.6;
// A track is given up after this many pictures without a blob; one that
// stood still, after ten seconds: a vehicle standing on the line fades into
// the road, and when it drives on, its blob is the same track again.
constexpr int kMaxMissed = 10;
constexpr int kMaxMissedStill = 250;
constexpr int kSettledAge = 10;
// A side of the line counts once the centre is this far from it (pixels):
// a box jittering on the line does not cross it.
constexpr double kSideMargin = 2.0;
// How far past its ends the line still counts (a share of its length).
constexpr double kEndSlack = 0.02;
// How much bigger than predicted a track's parts may make it.
constexpr double kGrowth = 1.4;
// New blobs this close together are one vehicle's parts (pixels).
constexpr double kPartsGap = 4.0;
// A crossing is handed out this many pictures later, or when its track ends.
constexpr int kHold = 12;
// The share of new motion in a track's velocity.
constexpr double kVelocityGain = 0.4;
// Slower than this across the line (pixels a picture), a track keeps the
// heading it had.
constexpr double kMoving = 0.2;

double speedOf(PointF v) { return std::hypot(v.x, v.y); }

double area(const BoxF &b) { return std::max(0.0, b.w) * std::max(0.0, b.h); }

BoxF grown(const BoxF &b, double by) { return {b.x - by, b.y - by, b.w + 2 * by, b.h + 2 * by}; }

double overlap(const BoxF &p, const BoxF &q)
{
    const double w = std::min(p.right(), q.right()) - std::max(p.x, q.x);
    const double h = std::min(p.bottom(), q.bottom()) - std::max(p.y, q.y);
    return w > 0 && h > 0 ? w * h : 0.0;
}

double iou(const BoxF &p, const BoxF &q)
{
    const double i = overlap(p, q);
    const double u = area(p) + area(q) - i;
    return u > 0 ? i / u : 0.0;
}

// The road between two boxes: 0 when they touch or overlap.
double gapBetween(const BoxF &p, const BoxF &q)
{
    const double dx = std::max({0.0, p.x - q.right(), q.x - p.right()});
    const double dy = std::max({0.0, p.y - q.bottom(), q.y - p.bottom()});
    return std::max(dx, dy);
}

BoxF unite(const BoxF &p, const BoxF &q)
{
    const double x = std::min(p.x, q.x), y = std::min(p.y, q.y);
    return {x, y, std::max(p.right(), q.right()) - x, std::max(p.bottom(), q.bottom()) - y};
}

BoxF moved(const BoxF &b, PointF v) { return {b.x + v.x, b.y + v.y, b.w, b.h}; }

}  // namespace

Tracker::Tracker(PointF a, PointF b)
    : a(a), b(b), length(std::max(1e-9, std::hypot(b.x - a.x, b.y - a.y)))
{
}

double Tracker::sideOf(PointF p) const
{
    return ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / length;
}

double Tracker::alongOf(PointF p) const
{
    return ((b.x - a.x) * (p.x - a.x) + (b.y - a.y) * (p.y - a.y)) / (length * length);
}

// The track was seen in this picture: which side of the line is it on now?
// Its place is its front, less half its longest reach: a vehicle that stands
// still fades into the road from its back first (its back covered the road
// longest), and its box's centre would creep across the line.
void Tracker::look(Track &track, int64_t ms)
{
    const BoxF &box = track.box;
    const double corners[4] = {sideOf({box.x, box.y}), sideOf({box.right(), box.y}),
                               sideOf({box.x, box.bottom()}), sideOf({box.right(), box.bottom()})};
    const double nearest = *std::min_element(corners, corners + 4);
    const double furthest = *std::max_element(corners, corners + 4);
    track.extent = std::max(track.extent, furthest - nearest);
    const double across = ((b.x - a.x) * track.velocity.y - (b.y - a.y) * track.velocity.x) / length;
    if (std::abs(across) > kMoving)
        track.heading = across > 0 ? 1 : -1;
    const double d = track.heading > 0   ? furthest - track.extent / 2
                     : track.heading < 0 ? nearest + track.extent / 2
                                         : (nearest + furthest) / 2;
    const int side = d > kSideMargin ? 1 : d < -kSideMargin ? -1 : 0;
    if (side == 0)
        return;
    if (track.side != 0 && side != track.side && !track.counted) {
        const double along = alongOf(box.centre());
        if (along >= -kEndSlack && along <= 1 + kEndSlack) {
            track.counted = track.pending = true;
            track.sincePending = 0;
            track.crossing = {ms, side > 0 ? Direction::Down : Direction::Up,
                              std::clamp(along, 0.0, 1.0), track.box};
        }
    }
    track.side = side;
}

// One vehicle was followed as two tracks: `keep` goes on, counted once.
void Tracker::fuse(Track &keep, Track &gone)
{
    if (gone.pending && !keep.counted) {
        keep.pending = true;
        keep.sincePending = gone.sincePending;
        keep.crossing = gone.crossing;
    } else if (gone.counted && !gone.pending && keep.pending) {
        keep.pending = false;  // handed out already, as the other track's
    }
    keep.counted = keep.counted || gone.counted;
    if (keep.side == 0)
        keep.side = gone.side;
    keep.extent = std::max(keep.extent, gone.extent);
    keep.box = unite(keep.box, gone.box);
    gone.pending = false;
}

std::vector<Crossing> Tracker::step(int64_t ms, const std::vector<BoxF> &blobs)
{
    const size_t n = tracks.size();
    std::vector<BoxF> predicted(n);
    for (size_t t = 0; t < n; ++t)
        predicted[t] = moved(tracks[t].box, tracks[t].velocity);

    // Each blob goes to the track it touches most, or to all the tracks it
    // covers when it is their vehicles merged, or starts a track.
    std::vector<std::vector<BoxF>> own(n);
    std::vector<int> shared(n, 0);
    std::vector<BoxF> fresh;
    for (const BoxF &blob : blobs) {
        std::vector<size_t> touching;
        size_t best = n;
        double bestOverlap = 0;
        for (size_t t = 0; t < n; ++t) {
            const BoxF &p = predicted[t];
            const double gate = std::clamp(kGateShare * std::min(p.w, p.h), kGateMin, kGateMax);
            const double o = overlap(blob, grown(p, gate));
            if (o <= 0)
                continue;
            touching.push_back(t);
            if (o > bestOverlap) {
                bestOverlap = o;
                best = t;
            }
        }
        std::vector<size_t> covered;
        for (size_t t : touching)
            if (overlap(blob, predicted[t]) >= kMergedCover * area(predicted[t]))
                covered.push_back(t);
        if (covered.size() >= 2) {
            for (size_t t : covered)
                ++shared[t];
        } else if (best < n) {
            own[best].push_back(blob);
        } else {
            fresh.push_back(blob);
        }
    }

    // A blob that would make a track much bigger than it was is the next
    // vehicle coming up close behind (or beside) it: a track of its own.
    for (size_t t = 0; t < n; ++t) {
        if (own[t].size() < 2)
            continue;
        const BoxF &p = predicted[t];
        std::sort(own[t].begin(), own[t].end(),
                  [&](const BoxF &x, const BoxF &y) { return overlap(x, p) > overlap(y, p); });
        BoxF box = own[t].front();
        const double most = kGrowth * std::max(area(p), area(box));
        std::vector<BoxF> kept{box};
        for (size_t i = 1; i < own[t].size(); ++i) {
            const BoxF grown = unite(box, own[t][i]);
            if (area(grown) <= most) {
                box = grown;
                kept.push_back(own[t][i]);
            } else {
                fresh.push_back(own[t][i]);
            }
        }
        own[t] = kept;
    }

    for (size_t t = 0; t < n; ++t) {
        Track &track = tracks[t];
        const BoxF before = track.box;
        const bool seen = !own[t].empty() || shared[t] > 0;
        if (!own[t].empty()) {
            BoxF box = own[t].front();
            for (const BoxF &o : own[t])
                box = unite(box, o);
            // Beside a merged blob, a small part of its own says little.
            track.box = shared[t] && area(box) < 0.5 * area(predicted[t]) ? predicted[t] : box;
        } else {
            track.box = predicted[t];
        }
        track.together = shared[t] ? track.together + 1 : 0;
        track.missed = seen ? 0 : track.missed + 1;
        if (!own[t].empty() && !shared[t]) {
            const PointF c0 = before.centre(), c1 = track.box.centre();
            const PointF motion{c1.x - c0.x, c1.y - c0.y};
            if (track.age == 1)
                track.velocity = motion;
            else
                track.velocity = {track.velocity.x + kVelocityGain * (motion.x - track.velocity.x),
                                  track.velocity.y + kVelocityGain * (motion.y - track.velocity.y)};
        }
        ++track.age;
        if (seen)
            look(track, ms);
    }

    // The parts of a vehicle that has just come into view are one track.
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < fresh.size() && !joined; ++i)
            for (size_t j = i + 1; j < fresh.size() && !joined; ++j)
                if (gapBetween(fresh[i], fresh[j]) <= kPartsGap) {
                    fresh[i] = unite(fresh[i], fresh[j]);
                    fresh.erase(fresh.begin() + long(j));
                    joined = true;
                }
    }
    for (const BoxF &blob : fresh) {
        Track track;
        track.box = blob;
        track.age = 1;
        look(track, ms);
        tracks.push_back(track);
    }

    // The same vehicle followed twice: the older track keeps it.
    for (size_t i = 0; i < tracks.size(); ++i) {
        for (size_t j = i + 1; j < tracks.size(); ++j) {
            Track &p = tracks[i], &q = tracks[j];
            if (p.fused || q.fused || p.missed > 0 || q.missed > 0)
                continue;
            const double o = iou(p.box, q.box);
            const bool twice = o >= kSameOverlap ||
                (p.together >= kFuseAfter && q.together >= kFuseAfter && o >= kFuseOverlap);
            if (!twice)
                continue;
            Track &keep = p.age >= q.age ? p : q;
            Track &gone = p.age >= q.age ? q : p;
            fuse(keep, gone);
            gone.missed = kMaxMissed + 1;
            gone.fused = true;
        }
    }

    std::vector<Crossing> out;
    for (Track &track : tracks) {
        if (!track.pending)
            continue;
        if (++track.sincePending > kHold || track.missed > kMaxMissed) {
            track.pending = false;
            out.push_back(track.crossing);
        }
    }
    tracks.erase(std::remove_if(tracks.begin(), tracks.end(),
                                [](const Track &t) {
                                    const bool still = t.age >= kSettledAge && speedOf(t.velocity) < kMoving;
                                    return t.missed > (still && !t.fused ? kMaxMissedStill : kMaxMissed);
                                }),
                 tracks.end());
    return out;
}

std::vector<Crossing> Tracker::finish()
{
    std::vector<Crossing> out;
    for (Track &track : tracks)
        if (track.pending)
            out.push_back(track.crossing);
    tracks.clear();
    std::sort(out.begin(), out.end(), [](const Crossing &p, const Crossing &q) { return p.ms < q.ms; });
    return out;
}

}  // namespace scan
