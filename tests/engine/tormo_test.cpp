// The engine headless, as the program drives it under Qt's offscreen
// platform: the window id is made up, so video is decoded without output.
#include "engine_test.h"
#include "open.h"
#include "timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// Each test works in a fresh current folder, as the program does.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Tormo_Initialize(), 1);
        char pattern[] = "/tmp/tormo-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        previous = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override
    {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
    fs::path dir, previous;
};

// The output of a shell command.
std::string run(const std::string &command)
{
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char chunk[65536];
    for (size_t n; pipe && (n = fread(chunk, 1, sizeof chunk, pipe.get())) > 0;)
        out.append(chunk, n);
    return out;
}

// Luma of pictures decoded by ffmpeg: those `select` picks, in order.
std::string grayPictures(const std::string &file, const std::string &select = "1")
{
    return run("ffmpeg -v error -i '" + file + "' -vf \"select='" + select
               + "'\" -fps_mode passthrough -f rawvideo -pix_fmt gray -");
}

double meanDifference(const std::string &a, const std::string &b, size_t offset = 0)
{
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[offset + i])));
    return a.empty() ? 1e9 : sum / double(a.size());
}

std::string jpegSize(const fs::path &file)
{
    const std::string command = "ffprobe -v error -show_entries stream=width,height -of csv=p=0 '"
        + file.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    char line[64] = {};
    return pipe && fgets(line, sizeof line, pipe.get()) ? line : "";
}

TEST_F(EngineTest, OpensEachKindPausedAtZeroWithItsLength)
{
    const std::pair<const char *, int> kinds[] = {
        {"av.ts", kAvLength}, {"video.ts", kVideoLength}, {"longgop.ts", kLongGopLength}};
    for (const auto &[name, length] : kinds) {
        SCOPED_TRACE(name);
        Recording r(media(name));
        ASSERT_EQ(r.opened, 1);
        EXPECT_GE(r.port, 0);
        int seconds = -1;
        EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
        EXPECT_EQ(seconds, length);
        sleepFor(0.5);
        EXPECT_EQ(r.position(), 0);
    }
}

TEST_F(EngineTest, PlaysPausesAndResumesWithAMadeUpWindowId)
{
    Recording r(media("av.ts"));
    ASSERT_EQ(r.opened, 1);
    EXPECT_EQ(Tormo_AttachPlayWnd(r.port, 12345, 1), 1);
    EXPECT_EQ(Tormo_StartPlay(r.port), 1);
    EXPECT_TRUE(waitUntil([&] { return r.position() >= 2; }));

    EXPECT_EQ(Tormo_PausePlay(r.port, 1), 1);
    sleepFor(0.3);
    const int paused = r.position();
    sleepFor(1.5);
    EXPECT_EQ(r.position(), paused);

    EXPECT_EQ(Tormo_PausePlay(r.port, 2), 0);
    EXPECT_EQ(Tormo_PausePlay(r.port, 0), 1);
    EXPECT_TRUE(waitUntil([&] { return r.position() > paused; }));
}

TEST_F(EngineTest, SeeksExactlyEvenWithLongKeyframeIntervals)
{
    const std::pair<const char *, std::vector<int>> cases[] = {
        {"longgop.ts", {12, 3, 23, 17, 28, 7, 0}}, {"av.ts", {13, 6}}, {"video.ts", {13}}};
    for (const auto &[name, targets] : cases) {
        Recording r(media(name));
        ASSERT_EQ(r.opened, 1);
        for (int target : targets)
            EXPECT_EQ(secondAfterSeek(r, target), target + 1) << name << " at " << target;
    }

    Recording r(media("longgop.ts"));
    EXPECT_EQ(Tormo_SetPlayedTime(r.port, -1), 0);
    EXPECT_EQ(Tormo_SetPlayedTime(r.port, kLongGopLength + 1), 0);
    EXPECT_EQ(r.position(), 0);
}

// Every second of gop15.ts that is no keyframe: the picture a seek lands
// on lies up to 14 s past the keyframe it is decoded from.
class ExactSeekTest : public EngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(ExactSeekTest, LandsOnTheSecondFarFromTheKeyframe)
{
    Recording r(media("gop15.ts"));
    ASSERT_EQ(r.opened, 1);
    Tormo_SpeedPlay(r.port, 5);
    EXPECT_EQ(secondAfterSeek(r, GetParam()), GetParam() + 1);
}

std::vector<int> secondsBetweenKeyframes()
{
    std::vector<int> seconds;
    for (int s = 1; s < kGop15Length; ++s) {
        if (s % 15 != 0)
            seconds.push_back(s);
    }
    return seconds;
}

INSTANTIATE_TEST_SUITE_P(FifteenSecondKeyframes, ExactSeekTest,
                         ::testing::ValuesIn(secondsBetweenKeyframes()));

// Opens as Tormo_OpenMediaFile does; `sampled`: the clock read as in a
// large file, at samples across it (some fifty here, as in a file of
// 50 MiB), looked at closely where they disagree.
Recording openRecording(const std::string &file, bool sampled)
{
    tormo::ClockReading reading;
    if (sampled)
        reading = {0, 16 << 10};
    return Recording(file, [reading](const char *path, int *port) {
        return tormo::openMediaFile(path, port, reading);
    });
}

// Recordings whose clock breaks after 30 s: a camera's restart (the clock
// from 0 again) and a pause in recording (the clock 100 s on). Both are one
// timeline of the time their pictures cover, whether the clock is read
// whole or sampled.
class JoinedClockTest : public EngineTest,
                        public ::testing::WithParamInterface<std::tuple<const char *, bool>> {};

TEST_P(JoinedClockTest, OneTimelineOfThePicturesTime)
{
    const auto [name, sampled] = GetParam();
    const std::string file = media(std::string(name) + ".ts");
    const Recording r = openRecording(file, sampled);
    ASSERT_EQ(r.opened, 1);
    int seconds = -1;
    EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
    EXPECT_EQ(seconds, kJoinedLength);

    // Across the break at x8, polled as the program polls.
    Tormo_SpeedPlay(r.port, 5);
    Tormo_SetPlayedTime(r.port, 26);
    Tormo_StartPlay(r.port);
    int last = 26, wentBack = 0;
    waitUntil([&] {
        const int now = r.position();
        wentBack += now < last;
        last = now;
        return now >= 36;
    });
    Tormo_PausePlay(r.port, 1);
    EXPECT_EQ(wentBack, 0);
    EXPECT_GE(last, 36);

    // The picture at 54 s is the recording's 1351st.
    ASSERT_EQ(Tormo_SetPlayedTime(r.port, 54), 1);
    ASSERT_EQ(Tormo_Snapshot(r.port, 1, "at54"), 1);
    const std::string shot = grayPictures("at54.jpg");
    const std::string frames = grayPictures(file, "eq(n,1325)+eq(n,1350)+eq(n,1375)");
    ASSERT_EQ(frames.size(), 3 * shot.size());
    const double at53 = meanDifference(shot, frames, 0);
    const double at54 = meanDifference(shot, frames, shot.size());
    const double at55 = meanDifference(shot, frames, 2 * shot.size());
    EXPECT_LT(at54, 2.0);
    EXPECT_LT(at54 * 4, std::min(at53, at55));
}

INSTANTIATE_TEST_SUITE_P(BrokenClocks, JoinedClockTest,
                         ::testing::Combine(::testing::Values("restart", "pause"), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param))
                                 + (std::get<1>(info.param) ? "Sampled" : "Whole");
                         });

TEST_F(EngineTest, SpeedCodesScaleThePace)
{
    for (int code : {0, 1, 6, -1, 100})
        EXPECT_EQ(Tormo_SpeedPlay(-1, code), 0);
    Recording r(media("longgop.ts"));
    ASSERT_EQ(r.opened, 1);
    for (int code : {0, 1, 6, -1, 100})
        EXPECT_EQ(Tormo_SpeedPlay(r.port, code), 0) << code;

    // Seconds of video per second of wall time, from a tick of the position.
    double pace[6] = {};
    for (int code = 2; code <= 5; ++code) {
        ASSERT_EQ(Tormo_SpeedPlay(r.port, code), 1);
        Tormo_SetPlayedTime(r.port, 0);
        Tormo_StartPlay(r.port);
        ASSERT_TRUE(waitUntil([&] { return r.position() >= 1; }));
        const int from = r.position();
        const double start = now();
        sleepFor(2.5);
        pace[code] = (r.position() - from) / (now() - start);
        Tormo_PausePlay(r.port, 1);
    }
    EXPECT_GT(pace[3], 1.25 * pace[2]);
    EXPECT_GT(pace[4], 1.25 * pace[3]);
    EXPECT_GT(pace[5], 1.25 * pace[4]);
}

TEST_F(EngineTest, SnapshotWritesTheFrameAsJpegIntoNewFolders)
{
    Recording r(media("video.ts"));
    ASSERT_EQ(r.opened, 1);
    Tormo_SetPlayedTime(r.port, 5);

    // The program's own form: relative, backslashes, GBK.
    ASSERT_EQ(Tormo_Snapshot(r.port, 1, toGbk("image\\漏拍\\17_1_2_5").c_str()), 1);
    const fs::path missed = dir / "image" / "漏拍" / "17_1_2_5.jpg";
    EXPECT_TRUE(isJpeg(missed));
    EXPECT_EQ(jpegSize(missed), "352,288\n");

    // The same name again (the program's names repeat now and then).
    ASSERT_EQ(Tormo_Snapshot(r.port, 1, toGbk("image\\漏拍\\17_1_2_5").c_str()), 1);
    EXPECT_TRUE(isJpeg(dir / "image" / "漏拍" / "17_1_2_5_2.jpg"));
    EXPECT_TRUE(isJpeg(missed));

    // 誠 is 0xD5 0x5C in GBK: its second byte is a backslash.
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, toGbk("shots\\誠信\\a").c_str()), 1);
    EXPECT_TRUE(isJpeg(dir / "shots" / "誠信" / "a.jpg"));

    Tormo_StartPlay(r.port);
    const fs::path absolute = dir / "deep" / "er" / "playing";
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, absolute.c_str()), 1);
    EXPECT_TRUE(isJpeg(absolute.string() + ".jpg"));

    EXPECT_EQ(Tormo_Snapshot(r.port, 1, nullptr), 0);
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, ""), 0);
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, "\x81"), 0);  // a lone lead byte
}

TEST_F(EngineTest, EndReadsAsTheLengthAndTheFileStaysUsable)
{
    const std::pair<const char *, int> kinds[] = {{"video.ts", kVideoLength}, {"av.ts", kAvLength}};
    for (const auto &[name, length] : kinds) {
        SCOPED_TRACE(name);
        Recording r(media(name));
        ASSERT_EQ(r.opened, 1);
        Tormo_SpeedPlay(r.port, 5);
        Tormo_SetPlayedTime(r.port, length - 3);
        Tormo_StartPlay(r.port);
        EXPECT_TRUE(waitUntil([&] { return r.position() == length; }));
        sleepFor(0.5);
        EXPECT_EQ(r.position(), length);

        // Still playing: a seek back goes on from there.
        EXPECT_EQ(Tormo_SetPlayedTime(r.port, 2), 1);
        EXPECT_TRUE(waitUntil([&] { return r.position() >= 4 && r.position() < length; }));

        // Paused on the last frame the position is the length too.
        Tormo_PausePlay(r.port, 1);
        EXPECT_EQ(Tormo_SetPlayedTime(r.port, length), 1);
        sleepFor(0.5);
        EXPECT_EQ(r.position(), length);
        EXPECT_EQ(Tormo_Snapshot(r.port, 1, "last"), 1);
    }
}

TEST_F(EngineTest, PortsThatAreNotOpenFailAndChangeNothing)
{
    auto expectNotOpen = [](int port) {
        SCOPED_TRACE(port);
        int value = 77;
        EXPECT_EQ(Tormo_AttachPlayWnd(port, 12345, 1), 0);
        EXPECT_EQ(Tormo_GetFileTime(port, &value), 0);
        EXPECT_EQ(Tormo_StartPlay(port), 0);
        EXPECT_EQ(Tormo_PausePlay(port, 1), 0);
        EXPECT_EQ(Tormo_SpeedPlay(port, 3), 0);
        EXPECT_EQ(Tormo_GetPlayedTime(port, &value), 0);
        EXPECT_EQ(Tormo_SetPlayedTime(port, 0), 0);
        EXPECT_EQ(Tormo_Snapshot(port, 1, "never"), 0);
        EXPECT_EQ(Tormo_CloseMediaFile(port), 0);
        EXPECT_EQ(value, 77);
        EXPECT_FALSE(fs::exists("never.jpg"));
    };
    for (int port : {-1, 0, 1, 63, 64, INT_MAX, INT_MIN})
        expectNotOpen(port);

    Recording r(media("video.ts"));
    ASSERT_EQ(r.opened, 1);
    EXPECT_EQ(Tormo_GetFileTime(r.port, nullptr), 0);
    EXPECT_EQ(Tormo_GetPlayedTime(r.port, nullptr), 0);
    EXPECT_EQ(Tormo_CloseMediaFile(r.port), 1);
    expectNotOpen(r.port);

    int port = -1;
    EXPECT_EQ(Tormo_OpenMediaFile(media("video.ts").c_str(), nullptr), 0);
    EXPECT_EQ(Tormo_OpenMediaFile(nullptr, &port), 0);
    EXPECT_EQ(port, -1);
}

TEST_F(EngineTest, OpensChineseFileNamesGivenInGbk)
{
    const fs::path folder = dir / "录像 誠信";
    fs::create_directories(folder);
    fs::copy_file(media("video.ts"), folder / "路口录像.ts");
    Recording r(toGbk((folder / "路口录像.ts").string()));
    ASSERT_EQ(r.opened, 1);
    int seconds = -1;
    EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
    EXPECT_EQ(seconds, kVideoLength);
}

TEST_F(EngineTest, TwoPortsPlayIndependently)
{
    Recording a(media("av.ts")), b(media("video.ts"));
    ASSERT_EQ(a.opened, 1);
    ASSERT_EQ(b.opened, 1);
    EXPECT_NE(a.port, b.port);
    Tormo_StartPlay(a.port);
    Tormo_SetPlayedTime(b.port, 10);
    Tormo_StartPlay(b.port);
    EXPECT_TRUE(waitUntil([&] { return a.position() >= 1 && b.position() >= 11; }));

    EXPECT_EQ(Tormo_CloseMediaFile(a.port), 1);
    const int before = b.position();
    EXPECT_TRUE(waitUntil([&] { return b.position() > before; }));
    EXPECT_EQ(Tormo_Snapshot(b.port, 1, "other"), 1);
    EXPECT_TRUE(isJpeg("other.jpg"));
}

// Random bytes in the middle of a recording, added or in place of some 7 s
// of pictures: the clock jumps across them, which is no pause in recording.
class DamageTest : public EngineTest, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(DamageTest, KeepsTheTimeAcrossDamagedBytes)
{
    const auto [replacing, sampled] = GetParam();
    std::string data = readFile(media("video.ts"));
    std::mt19937 random(17);
    std::string junk(replacing ? 100 << 10 : 384 << 10, '\0');
    for (char &c : junk)
        c = char(random());
    const size_t middle = data.size() / 2;
    data = data.substr(0, middle) + junk + data.substr(middle + (replacing ? junk.size() : 0));
    std::ofstream("damaged.ts", std::ios::binary) << data;

    const Recording r = openRecording((dir / "damaged.ts").string(), sampled);
    ASSERT_EQ(r.opened, 1);
    int seconds = -1;
    EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
    EXPECT_EQ(seconds, kVideoLength);
    EXPECT_EQ(secondAfterSeek(r, 17), 18);
}

INSTANTIATE_TEST_SUITE_P(AddedOrReplacing, DamageTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) ? "Replacing" : "Added")
                                 + (std::get<1>(info.param) ? "Sampled" : "Whole");
                         });

TEST_F(EngineTest, RejectsWhatIsNoVideoWithinSeconds)
{
    {  // a picture under a recording's name
        Recording r(media("video.ts"));
        ASSERT_EQ(Tormo_Snapshot(r.port, 1, "picture"), 1);
        fs::rename("picture.jpg", "picture.ts");
    }
    std::ofstream("text.ts") << "这不是录像\nnot a recording either\n";
    std::ofstream("empty.ts");
    fs::create_directory("folder.ts");

    for (const char *name : {"picture.ts", "text.ts", "empty.ts", "folder.ts", "missing.ts"}) {
        int port = 42;
        const double start = now();
        EXPECT_EQ(Tormo_OpenMediaFile((dir / name).c_str(), &port), 0) << name;
        EXPECT_LT(now() - start, 8.0) << name;
        EXPECT_EQ(port, 42) << name;
    }
}

// libmpv refuses to start under a non-C LC_NUMERIC; de_DE also writes
// numbers with a decimal comma.
class LocaleTest : public EngineTest, public ::testing::WithParamInterface<const char *> {
protected:
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        EngineTest::TearDown();
    }
};

TEST_P(LocaleTest, WorksUnderTheHostsLocale)
{
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << GetParam() << " is missing (scripts/setup installs locales-all)";
    Tormo_Initialize();
    std::setlocale(LC_ALL, GetParam());  // a host may set it after initialising
    Recording r(media("longgop.ts"));
    ASSERT_EQ(r.opened, 1);
    int seconds = -1;
    EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
    EXPECT_EQ(seconds, kLongGopLength);
    EXPECT_EQ(secondAfterSeek(r, 12), 13);
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, "frame"), 1);
    EXPECT_TRUE(isJpeg("frame.jpg"));
}

INSTANTIATE_TEST_SUITE_P(NonC, LocaleTest, ::testing::Values("zh_CN.UTF-8", "de_DE.UTF-8"),
                         [](const auto &info) { return std::string(info.param).substr(0, 2); });

}  // namespace
