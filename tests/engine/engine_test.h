// Helpers shared by the engine tests.
#ifndef TORMO_ENGINE_TEST_H
#define TORMO_ENGINE_TEST_H

#include "Tormo.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

namespace enginetest {

// The recordings the build makes: 352x288 test pictures at 25 frames/s.
inline std::string media(const std::string &name)
{
    return std::string(TORMO_TEST_MEDIA) + "/" + name;
}
constexpr int kAvLength = 20;       // av.ts: H.264 and AAC
constexpr int kVideoLength = 20;    // video.ts: H.264 only
constexpr int kLongGopLength = 30;  // longgop.ts: one keyframe every 10 s
constexpr int kGop15Length = 60;    // gop15.ts: one every 15 s, B-frames
constexpr int kJoinedLength = 60;   // restart.ts, pause.ts: 30 s + 30 s

// An open port, closed when the test ends however it ends.
struct Recording {
    int port = -1;
    int opened = 0;
    explicit Recording(const std::string &path) : Recording(path, Tormo_OpenMediaFile) {}
    // Opened by `open`, which does what Tormo_OpenMediaFile does.
    template <typename Open>
    Recording(const std::string &path, Open open) { opened = open(path.c_str(), &port); }
    ~Recording() { Tormo_CloseMediaFile(port); }
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    int position() const
    {
        int seconds = -1;
        return Tormo_GetPlayedTime(port, &seconds) ? seconds : -1;
    }
};

inline void sleepFor(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

inline double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Polls until `done` holds. The deadline is generous: the test machines are
// shared and slow at times.
template <typename Done>
bool waitUntil(Done done, double seconds = 20)
{
    for (const double end = now() + seconds; now() < end; sleepFor(0.02)) {
        if (done())
            return true;
    }
    return done();
}

// Seeks while paused, then plays until the position moves: an exact seek
// moves on to the next second, an inexact one shows where it really landed.
inline int secondAfterSeek(const Recording &r, int target)
{
    EXPECT_EQ(Tormo_SetPlayedTime(r.port, target), 1);
    EXPECT_EQ(r.position(), target) << "a pending seek reads as its target";
    Tormo_StartPlay(r.port);
    waitUntil([&] { return r.position() != target; });
    const int after = r.position();
    Tormo_PausePlay(r.port, 1);
    return after;
}

inline std::string toGbk(const std::string &utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string out(utf8.size() * 2 + 1, '\0');
    char *in = const_cast<char *>(utf8.data());
    char *dst = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        throw std::runtime_error("not encodable in GBK: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A whole JPEG: starts with SOI and ends with EOI.
inline bool isJpeg(const std::string &path)
{
    const std::string data = readFile(path);
    return data.size() > 4 && data.compare(0, 2, "\xFF\xD8") == 0
        && data.compare(data.size() - 2, 2, "\xFF\xD9") == 0;
}

}  // namespace enginetest

#endif
