// The tracker's counting rules on made-up blob sequences: a 320x180 picture,
// the line across it at y = 108, 25 pictures a second.
#include "tracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using scan::BoxF;
using Sequence = std::vector<std::vector<BoxF>>;
constexpr double kLineY = 108;
constexpr int kFrameMs = 40;

// A box moving at a steady speed; `at(i)` is its place in picture i.
struct Mover {
    double x, y, w, h, vx, vy;
    BoxF at(int i) const { return {x + vx * i, y + vy * i, w, h}; }
};

// Down the picture, crossing the line at picture 32 (centre 20 + 3 * i = 108 - 0).
constexpr Mover kDown{100, 0, 30, 40, 0, 3};
constexpr Mover kUp{200, 160, 30, 40, 0, -3};

Sequence frames(int n, const std::function<void(int, std::vector<BoxF> &)> &make)
{
    Sequence s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        make(i, s[size_t(i)]);
    return s;
}

// The picture in which a box moving like kDown is first clearly past the line.
int downCrossing(const Mover &m)
{
    for (int i = 0;; ++i)
        if (m.at(i).centre().y > kLineY + 2)
            return i;
}

struct Row {
    std::string name;
    Sequence blobs;
    int down;
    int up;
    int firstFrame = -1;  // the first passage's picture, when it matters
};

std::vector<Row> rows()
{
    std::vector<Row> r;
    r.push_back({"one down", frames(70, [](int i, auto &b) { b.push_back(kDown.at(i)); }), 1, 0, downCrossing(kDown)});
    r.push_back({"one up", frames(70, [](int i, auto &b) { b.push_back(kUp.at(i)); }), 0, 1});
    // Split in two (front and back, 4 px apart) for ten pictures around the line.
    r.push_back({"split while crossing", frames(70, [](int i, auto &b) {
                     const BoxF v = kDown.at(i);
                     if (i >= 26 && i < 36) {
                         b.push_back({v.x, v.y, v.w, v.h / 2 - 2});
                         b.push_back({v.x, v.y + v.h / 2 + 2, v.w, v.h / 2 - 2});
                     } else {
                         b.push_back(v);
                     }
                 }),
                 1, 0, downCrossing(kDown)});
    // A truck seen as cab and trailer from its first picture on.
    r.push_back({"split from the start", frames(70, [](int i, auto &b) {
                     const BoxF v = kDown.at(i);
                     b.push_back({v.x, v.y + 26, v.w, 14});
                     b.push_back({v.x, v.y - 20, v.w, 42});
                 }),
                 1, 0});
    // Split the other way: left and right halves, as a windscreen the road's
    // colour might cut it.
    r.push_back({"split sideways", frames(70, [](int i, auto &b) {
                     const BoxF v = kDown.at(i);
                     if (i % 3 == 0) {
                         b.push_back({v.x, v.y, v.w / 2 - 2, v.h});
                         b.push_back({v.x + v.w / 2 + 2, v.y, v.w / 2 - 2, v.h});
                     } else {
                         b.push_back(v);
                     }
                 }),
                 1, 0});
    // Two lanes side by side, 12 px apart: two vehicles.
    r.push_back({"two lanes at once", frames(70, [](int i, auto &b) {
                     b.push_back(kDown.at(i));
                     b.push_back(Mover{142, 2, 30, 40, 0, 3}.at(i));
                 }),
                 2, 0});
    // The same two seen as one blob for eight pictures as they cross.
    r.push_back({"merged while crossing", frames(70, [](int i, auto &b) {
                     const BoxF p = kDown.at(i), q = Mover{136, 2, 30, 40, 0, 3}.at(i);
                     if (i >= 28 && i < 36)
                         b.push_back({p.x, std::min(p.y, q.y), q.right() - p.x, 42});
                     else
                         b.insert(b.end(), {p, q});
                 }),
                 2, 0});
    // Both directions at once in their own lanes.
    r.push_back({"both directions", frames(70, [](int i, auto &b) {
                     b.push_back(kDown.at(i));
                     b.push_back(kUp.at(i));
                 }),
                 1, 1});
    // Close following: 0.5 s (12 pictures) behind, 20 px of road between.
    r.push_back({"close following", frames(90, [](int i, auto &b) {
                     const Mover fast{100, -20, 30, 40, 0, 5};
                     b.push_back(fast.at(i));
                     if (i >= 12)
                         b.push_back(fast.at(i - 12));
                 }),
                 2, 0});
    // Stops with its centre 4 px short of the line for 3 s while it fades
    // into the road from its back, then drives on: one passage, when it moves.
    r.push_back({"stops on the line", frames(160, [](int i, auto &b) {
                     const int stop = 28, go = stop + 75;
                     if (i < stop) {
                         b.push_back(kDown.at(i));
                     } else if (i < go) {
                         BoxF v = kDown.at(stop);
                         const double fade = 0.3 * (i - stop);
                         b.push_back({v.x, v.y + std::min(fade, 30.0), v.w, v.h - std::min(fade, 30.0)});
                     } else {
                         b.push_back(kDown.at(stop + (i - go)));
                     }
                 }),
                 1, 0, 28 + 75 + (downCrossing(kDown) - 28)});
    // Stands on the line so long that it is lost for 20 pictures, then on.
    r.push_back({"lost while standing", frames(160, [](int i, auto &b) {
                     const int stop = 29, go = stop + 60;
                     if (i < stop)
                         b.push_back(kDown.at(i));
                     else if (i < go - 20)
                         b.push_back(kDown.at(stop));
                     else if (i >= go)
                         b.push_back(kDown.at(stop + (i - go)));
                 }),
                 1, 0});
    // Standing across the line, its box trembling by a pixel: no passage.
    r.push_back({"trembling on the line", frames(120, [](int i, auto &b) {
                     b.push_back({100.0 + (i % 2), kLineY - 20 + ((i / 2) % 2 ? 1.5 : -1.5), 30, 40});
                 }),
                 0, 0});
    // Down across the line and back up again: counted once.
    r.push_back({"turns back", frames(120, [](int i, auto &b) {
                     b.push_back(i < 45 ? kDown.at(i) : kDown.at(90 - i));
                 }),
                 1, 0, downCrossing(kDown)});
    // Single-picture noise on both sides of the line: nothing.
    r.push_back({"flicker", frames(60, [](int i, auto &b) {
                     if (i % 2)
                         b.push_back({50.0 + 7 * (i % 5), kLineY + (i % 4 ? 10 : -30), 8, 8});
                 }),
                 0, 0});
    return r;
}

void PrintTo(const Row &row, std::ostream *os) { *os << row.name; }

class Counting : public testing::TestWithParam<Row> {};

TEST_P(Counting, Rule)
{
    const Row &row = GetParam();
    scan::Tracker tracker({0, kLineY}, {320, kLineY});
    std::vector<scan::Crossing> all;
    for (size_t i = 0; i < row.blobs.size(); ++i)
        for (const auto &c : tracker.step(int64_t(i) * kFrameMs, row.blobs[i]))
            all.push_back(c);
    for (const auto &c : tracker.finish())
        all.push_back(c);
    int down = 0, up = 0;
    for (const auto &c : all)
        (c.direction == scan::Direction::Down ? down : up)++;
    EXPECT_EQ(down, row.down);
    EXPECT_EQ(up, row.up);
    if (row.firstFrame >= 0 && !all.empty()) {
        EXPECT_EQ(all.front().ms, row.firstFrame * kFrameMs);
    }
}

INSTANTIATE_TEST_SUITE_P(Tracker, Counting, testing::ValuesIn(rows()), [](const auto &info) {
    std::string n = info.param.name;
    for (char &c : n)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
});

// Where on the line, and the direction by side for a line at a slant drawn
// from right to left: crossing it downwards is from its right side to its left.
TEST(Tracker, SlantedLineFromRightToLeft)
{
    scan::Tracker tracker({320, 120}, {0, 90});
    std::vector<scan::Crossing> all;
    for (int i = 0; i < 70; ++i)
        for (const auto &c : tracker.step(i * kFrameMs, {kDown.at(i)}))
            all.push_back(c);
    for (const auto &c : tracker.finish())
        all.push_back(c);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].direction, scan::Direction::Up);
    EXPECT_NEAR(all[0].along, (320 - 115) / 320.0, 0.02);
}

}  // namespace
