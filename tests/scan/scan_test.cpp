// The scanner on generated road recordings against their true passages: end
// to end, across a clock restart, cancelled, damaged; and recogscan.
#include "roadgen.h"
#include "scanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string kMedia = SCAN_TEST_MEDIA;
constexpr int64_t kWithinMs = 500;
constexpr int64_t kFrameMs = 40;

std::vector<roadgen::TruePassage> truthOf(const std::string &name)
{
    std::vector<roadgen::TruePassage> truth;
    EXPECT_TRUE(roadgen::readTruth(kMedia + "/" + name + ".csv", truth));
    return truth;
}

// How many of `truth` have a found passage of their direction within
// kWithinMs (each found one used once).
int matched(const std::vector<roadgen::TruePassage> &truth, const std::vector<scan::Passage> &found)
{
    std::vector<bool> used(found.size());
    int hits = 0;
    for (const auto &t : truth) {
        for (size_t i = 0; i < found.size(); ++i) {
            if (!used[i] && std::llabs(found[i].ms - t.ms) <= kWithinMs &&
                (found[i].direction == scan::Direction::Down) == t.down) {
                used[i] = true;
                ++hits;
                break;
            }
        }
    }
    return hits;
}

TEST(Scan, GeneratedRecordingAgainstItsTruth)
{
    const auto truth = truthOf("mixed");
    const scan::Result r = scan::scanRecording(kMedia + "/mixed.ts", {});
    ASSERT_EQ(r.status, scan::Status::Done) << r.error;
    EXPECT_EQ(r.width, 640);
    EXPECT_TRUE(r.damaged.empty());
    EXPECT_EQ(matched(truth, r.passages), int(truth.size()));
    EXPECT_EQ(r.passages.size(), truth.size());
    for (size_t i = 0; i < r.passages.size() && i < truth.size(); ++i)
        EXPECT_NEAR(r.passages[i].along, truth[i].along, 0.05) << i;
}

// The second recording's clock starts from 0 again: the player joins it one
// picture after the first one's last, and so does every passage's time.
TEST(Scan, TimesFollowThePlayerAcrossAClockRestart)
{
    const scan::Result first = scan::scanRecording(kMedia + "/mixed.ts", {});
    const int64_t joinMs = std::llround(first.seconds * 1000) + kFrameMs;
    auto truth = truthOf("mixed");
    for (auto p : truthOf("later")) {
        p.ms += joinMs;
        truth.push_back(p);
    }
    const scan::Result r = scan::scanRecording(kMedia + "/restart.ts", {});
    ASSERT_EQ(r.status, scan::Status::Done) << r.error;
    EXPECT_EQ(matched(truth, r.passages), int(truth.size()));
    EXPECT_EQ(r.passages.size(), truth.size());
    for (const scan::Passage &p : r.passages)
        EXPECT_EQ(p.ms % kFrameMs, 0) << p.ms << " is no picture's time";
    EXPECT_NEAR(r.seconds, first.seconds + 0.04 + truthOf("later").back().ms / 1000.0, 3.0);
}

TEST(Scan, CancelEndsTheScanAtOnce)
{
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelled;
    scan::Options options;
    options.cancel = &cancel;
    options.progress = [&](const scan::Progress &p) {
        if (!cancel && p.done > 0) {
            cancelled = std::chrono::steady_clock::now();
            cancel = true;
        }
    };
    const scan::Result r = scan::scanRecording(kMedia + "/restart.ts", options);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - cancelled).count();
    EXPECT_EQ(r.status, scan::Status::Cancelled);
    EXPECT_LT(took, 0.5);
    EXPECT_LT(r.seconds, 20.0);

    // And from another thread, as the window does.
    std::atomic<bool> stop{false};
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
    });
    scan::Options quiet;
    quiet.cancel = &stop;
    EXPECT_EQ(scan::scanRecording(kMedia + "/restart.ts", quiet).status, scan::Status::Cancelled);
    other.join();
}

// A copy of the generated recording with `how` done to it.
std::string damagedCopy(const std::string &name, const std::function<void(std::string &)> &how)
{
    std::ifstream in(kMedia + "/mixed.ts", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    how(bytes);
    const std::string path = kMedia + "/damaged-" + name + ".ts";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct DamageRow {
    std::string name;
    std::function<void(std::string &)> how;
    bool readable;
    std::optional<bool> damageReported;  // none: either (a torn last picture may decode)
};

void PrintTo(const DamageRow &row, std::ostream *os) { *os << row.name; }

class Damaged : public testing::TestWithParam<DamageRow> {};

TEST_P(Damaged, ReadWhatCanBeRead)
{
    const DamageRow &row = GetParam();
    const std::string path = damagedCopy(row.name, row.how);
    const scan::Result r = scan::scanRecording(path, {});
    if (!row.readable) {
        EXPECT_EQ(r.status, scan::Status::Unreadable);
        EXPECT_FALSE(r.error.empty());
        EXPECT_TRUE(r.passages.empty());
        return;
    }
    ASSERT_EQ(r.status, scan::Status::Done) << r.error;
    if (row.damageReported) {
        EXPECT_EQ(!r.damaged.empty(), *row.damageReported);
    }
    // Every passage well clear of the damage (and of the end) is found.
    std::vector<roadgen::TruePassage> clear;
    for (const auto &t : truthOf("mixed")) {
        bool near = t.ms > r.seconds * 1000 - 2000;
        for (const scan::Damage &d : r.damaged)
            near = near || (t.ms > d.fromMs - 2000 && t.ms < d.toMs + 2000);
        if (!near)
            clear.push_back(t);
    }
    EXPECT_GE(clear.size(), 4u);
    EXPECT_EQ(matched(clear, r.passages), int(clear.size()));
}

void overwrite(std::string &b, double from, double to, char with)
{
    std::mt19937 rng(9);
    for (size_t i = size_t(b.size() * from); i < size_t(b.size() * to); ++i)
        b[i] = with ? char(rng()) : 0;
}

INSTANTIATE_TEST_SUITE_P(
    Scan, Damaged,
    testing::Values(DamageRow{"garbage", [](std::string &b) { overwrite(b, 0.40, 0.46, 1); }, true, true},
                    DamageRow{"zeros", [](std::string &b) { overwrite(b, 0.55, 0.60, 0); }, true, true},
                    DamageRow{"cut", [](std::string &b) { b.resize(b.size() / 2 + 77); }, true, std::nullopt},
                    DamageRow{"noise", [](std::string &b) { overwrite(b, 0, 1, 1); }, false, false},
                    DamageRow{"empty", [](std::string &b) { b.clear(); }, false, false}),
    [](const auto &info) { return info.param.name; });

TEST(Scan, MissingFileSaysSo)
{
    const scan::Result r = scan::scanRecording(kMedia + "/none.ts", {});
    EXPECT_EQ(r.status, scan::Status::Unreadable);
    EXPECT_NE(r.error.find("No such file"), std::string::npos) << r.error;
}

TEST(Scan, LineText)
{
    EXPECT_EQ(scan::Line::parse("0,0.6,1,0.6"), scan::Line{});
    EXPECT_FALSE(scan::Line::parse("0,0.6,1"));
    EXPECT_FALSE(scan::Line::parse("0,0.6,1,1.2"));
    EXPECT_FALSE(scan::Line::parse("0.5,0.5,0.5,0.5"));
    EXPECT_FALSE(scan::Line::parse("0,0.6,1,0.6x"));
    const scan::Line l{{0.1, 0.2}, {0.9, 0.7}};
    EXPECT_EQ(scan::Line::parse(l.text()), l);
    EXPECT_EQ(scan::timeText(3723004), "1:02:03.004");
}

struct Outcome {
    int status;
    std::string out;
};

Outcome recogscan(const std::string &args)
{
    Outcome run;
    FILE *p = popen((std::string(RECOGSCAN) + " " + args + " 2>&1").c_str(), "r");
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;)
        run.out.append(buf, n);
    run.status = WEXITSTATUS(pclose(p));
    return run;
}

TEST(Recogscan, SamePassagesAsTheLibrary)
{
    const std::string csv = kMedia + "/mixed-found.csv";
    const Outcome run = recogscan(kMedia + "/mixed.ts --csv " + csv);
    ASSERT_EQ(run.status, 0) << run.out;
    const scan::Result r = scan::scanRecording(kMedia + "/mixed.ts", {});
    std::ostringstream expected;
    for (const scan::Passage &p : r.passages)
        expected << scan::timeText(p.ms) << ',' << p.ms << ',' << scan::directionName(p.direction) << '\n';
    std::ifstream in(csv);
    std::string line, got;
    std::getline(in, line);
    EXPECT_EQ(line, "time,ms,direction,along,x,y,w,h");
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string t, ms, dir;
        std::getline(row, t, ',');
        std::getline(row, ms, ',');
        std::getline(row, dir, ',');
        got += t + ',' + ms + ',' + dir + '\n';
    }
    EXPECT_EQ(got, expected.str());
    EXPECT_NE(run.out.find(std::to_string(r.passages.size()) + " passages"), std::string::npos) << run.out;
}

TEST(Recogscan, ExitStatusAndMessages)
{
    const Outcome missing = recogscan(kMedia + "/none.ts");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("cannot read the recording"), std::string::npos) << missing.out;
    EXPECT_EQ(recogscan("--help").status, 0);
    EXPECT_EQ(recogscan(kMedia + "/mixed.ts --line 0,0.5,1").status, 2);
    EXPECT_EQ(recogscan("").status, 2);
}

}  // namespace
