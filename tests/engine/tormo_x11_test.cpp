// The engine drawing into a real X11 window, on an Xvfb server of its own.
#include "engine_test.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace enginetest;

namespace {

// Starts Xvfb on a display number it picks itself (-displayfd), so that
// parallel test runs never race for one; -noreset keeps it up between the
// tests, when no client is connected.
class XvfbServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        setenv("DISPLAY", (":" + number).c_str(), 1);
    }
    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

private:
    pid_t pid = -1;
};

class X11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tormo_Initialize();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const unsigned long black = BlackPixel(display, DefaultScreen(display));
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight,
                                     0, black, black);
        XMapWindow(display, window);
        XSync(display, False);
    }
    void TearDown() override
    {
        if (display)
            XCloseDisplay(display);
    }

    // Pixels of the window with a bright channel: the test picture is
    // mostly bright colour bars, the empty window black.
    long brightPixels()
    {
        XImage *image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        long count = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                if (((pixel >> 16) & 0xff) > 0x60 || ((pixel >> 8) & 0xff) > 0x60 || (pixel & 0xff) > 0x60)
                    ++count;
            }
        }
        XDestroyImage(image);
        return count;
    }

    static constexpr int kWidth = 352, kHeight = 288;
    Display *display = nullptr;
    Window window = 0;
};

TEST_F(X11Test, RecordingPlaysInsideTheWindow)
{
    ASSERT_LT(brightPixels(), kWidth * kHeight / 100);
    Recording r(media("video.ts"));
    ASSERT_EQ(r.opened, 1);
    ASSERT_EQ(Tormo_AttachPlayWnd(r.port, window, 1), 1);
    sleepFor(1);
    EXPECT_EQ(r.position(), 0) << "attaching keeps the position";
    int seconds = -1;
    EXPECT_EQ(Tormo_GetFileTime(r.port, &seconds), 1);
    EXPECT_EQ(seconds, kVideoLength);
    ASSERT_EQ(Tormo_StartPlay(r.port), 1);
    EXPECT_TRUE(waitUntil([&] { return brightPixels() > kWidth * kHeight / 2; }, 30));
    EXPECT_TRUE(waitUntil([&] { return r.position() >= 2; }));
    Tormo_PausePlay(r.port, 1);
    EXPECT_EQ(secondAfterSeek(r, 12), 13);
}

TEST_F(X11Test, MadeUpWindowIdsDecodeWithoutOutput)
{
    // What Qt's offscreen platform hands out while a display exists.
    Recording r(media("video.ts"));
    ASSERT_EQ(r.opened, 1);
    EXPECT_EQ(Tormo_AttachPlayWnd(r.port, 12345, 1), 1);
    EXPECT_EQ(Tormo_AttachPlayWnd(r.port, DefaultRootWindow(display), 1), 1);
    Tormo_StartPlay(r.port);
    EXPECT_TRUE(waitUntil([&] { return r.position() >= 2; }));
    const std::string snapshot = "/tmp/tormo-x11-test-" + std::to_string(getpid());
    EXPECT_EQ(Tormo_Snapshot(r.port, 1, snapshot.c_str()), 1);
    EXPECT_TRUE(isJpeg(snapshot + ".jpg"));
    std::remove((snapshot + ".jpg").c_str());
}

TEST_F(X11Test, WindowDestroyedFirstFailsLaterCallsOnly)
{
    Recording other(media("video.ts"));
    ASSERT_EQ(other.opened, 1);
    Tormo_StartPlay(other.port);

    Recording r(media("av.ts"));
    ASSERT_EQ(r.opened, 1);
    ASSERT_EQ(Tormo_AttachPlayWnd(r.port, window, 1), 1);
    Tormo_StartPlay(r.port);
    ASSERT_TRUE(waitUntil([&] { return r.position() >= 1; }));

    XDestroyWindow(display, window);
    XSync(display, False);
    EXPECT_TRUE(waitUntil([&] { return r.position() == -1; }));
    EXPECT_EQ(Tormo_PausePlay(r.port, 1), 0);
    EXPECT_EQ(Tormo_SetPlayedTime(r.port, 3), 0);
    EXPECT_EQ(Tormo_AttachPlayWnd(r.port, window, 1), 0);
    EXPECT_EQ(Tormo_CloseMediaFile(r.port), 1);

    const int before = other.position();
    EXPECT_TRUE(waitUntil([&] { return other.position() > before; }));
}

}  // namespace

int main(int argc, char **argv)
{
    // Skipped (the test's SKIP_RETURN_CODE) where the machine has no X server.
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
        std::printf("skipped: no X server here: Xvfb not installed\n");
        return 77;
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new XvfbServer);
    return RUN_ALL_TESTS();
}
