#include "player.h"

#include "platform.h"
#include "stream.h"

#include <mpv/client.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace tormo {
namespace {

// A file that has not loaded by then is taken as not playable.
constexpr double kOpenTimeLimit = 5.0;  // seconds
// Seeks decode from this far before the target in recordings whose
// keyframes are not known: MPEG-TS seeks land on the next keyframe
// otherwise, whole keyframe intervals off the target.
constexpr double kSeekLeadIn = 10;  // seconds
// Where the keyframes are known, a seek starts reading this far before the
// keyframe it needs: its decode time is a few frames before its own, and the
// demuxer's search is on decode times.
constexpr double kKeyframeLeadIn = 0.5;  // seconds
constexpr unsigned kDecoderThreads = 8;
// A snapshot waits this long at most for a pending seek to land.
constexpr double kSeekWaitLimit = 10.0;  // seconds
// Positions are truncated to whole seconds; a frame a hair before the
// second (float timestamps) still counts as that second.
constexpr double kSecondSlack = 0.01;

enum Observed : uint64_t { kTimePos = 1, kDuration, kEofReached };

// libmpv refuses to start, and misreads numbers, under any other LC_NUMERIC.
void useCNumbers()
{
    const char *current = std::setlocale(LC_NUMERIC, nullptr);
    if (!current || std::strcmp(current, "C") != 0)
        std::setlocale(LC_NUMERIC, "C");
}

bool setOptions(mpv_handle *h)
{
    static const char *const options[][2] = {
        // Decode without output until a window is attached: the window can
        // only be set while no video output exists.
        {"vo", "null"},
        {"pause", "yes"},
        // Stay on the last frame at the end, still seekable, and go on
        // playing when seeked back.
        {"keep-open", "yes"},
        {"keep-open-pause", "no"},
        {"hr-seek", "yes"},
        // Every seek through the demuxer, which the lead-in is made for (a
        // cached range would be searched from its own keyframes).
        {"cache", "no"},
        // A plain embedded surface: no on-screen display, no input handling,
        // no user configuration or scripts, no side files.
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"osd-level", "0"},
        {"osd-bar", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"cursor-autohide", "no"},
        {"resume-playback", "no"},
        {"sub-auto", "no"},
        {"terminal", "no"},
    };
    for (const auto &option : options) {
        if (mpv_set_option_string(h, option[0], option[1]) < 0)
            return false;
    }
    if (!hasAudioOutput() && mpv_set_option_string(h, "ao", "null") < 0)
        return false;
    // An exact seek decodes everything from the keyframe on. With more
    // frames in flight than cores, the cores stay busy while frames wait for
    // their references (a 60 s interval at 720p: 2.3 s with the default of
    // cores + 1 threads on 2 cores, 1.5 s with 8).
    const unsigned threads = std::max(kDecoderThreads, std::thread::hardware_concurrency() + 1);
    if (mpv_set_option_string(h, "vd-lavc-threads", std::to_string(threads).c_str()) < 0)
        return false;
    return true;
}

}  // namespace

std::unique_ptr<Player> Player::open(const std::string &path, const ClockReading &reading)
{
    useCNumbers();
    mpv_handle *h = mpv_create();
    if (!h)
        return nullptr;
    std::unique_ptr<Player> player(new Player(h));
    if (!setOptions(h) || mpv_initialize(h) < 0)
        return nullptr;
    // A clock that breaks is joined for the player: it reads the file with
    // its timestamps moved.
    player->timeline = Timeline::read(path, reading);
    std::string url = path;
    if (player->timeline && player->timeline->breaks()) {
        const auto moved = serveMoved(h, *player->timeline);
        if (!moved)
            return nullptr;
        url = *moved;
    }
    if (!player->load(url))
        return nullptr;
    return player;
}

Player::~Player()
{
    mpv_terminate_destroy(h);
}

bool Player::load(const std::string &url)
{
    mpv_observe_property(h, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(h, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    const char *command[] = {"loadfile", url.c_str(), nullptr};
    if (mpv_command(h, command) < 0)
        return false;

    // Ready once the file is loaded (the length is known then) and its first
    // frame is decoded (so a snapshot right away has a picture).
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(kOpenTimeLimit);
    bool loaded = false;
    for (;;) {
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const mpv_event *event = mpv_wait_event(h, left);
        if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN)
            return false;
        if (event->event_id == MPV_EVENT_FILE_LOADED)
            loaded = true;
        if (event->event_id == MPV_EVENT_PLAYBACK_RESTART && loaded)
            break;
        handle(*event);
    }
    if (!loaded)
        return false;

    // A picture or a sound file loads too, but is no recording.
    int64_t track = 0;
    int image = 1;
    if (mpv_get_property(h, "current-tracks/video/id", MPV_FORMAT_INT64, &track) < 0
        || mpv_get_property(h, "current-tracks/video/image", MPV_FORMAT_FLAG, &image) < 0
        || image)
        return false;
    if (mpv_get_property(h, "duration", MPV_FORMAT_DOUBLE, &duration) < 0 || !(duration > 0))
        return false;
    return true;
}

bool Player::alive()
{
    while (!shutDown) {
        const mpv_event *event = mpv_wait_event(h, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handle(*event);
    }
    return !shutDown;
}

void Player::handle(const mpv_event &event)
{
    switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *property = static_cast<const mpv_event_property *>(event.data);
        if (property->format == MPV_FORMAT_NONE)
            break;  // unavailable for a moment (seeking): keep the last value
        if (event.reply_userdata == kTimePos) {
            timePos = *static_cast<const double *>(property->data);
            if (restarted)
                seeking = false;
        } else if (event.reply_userdata == kDuration) {
            duration = *static_cast<const double *>(property->data);
        } else if (event.reply_userdata == kEofReached) {
            eof = *static_cast<const int *>(property->data) != 0;
            if (eof)
                seeking = false;
        }
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        restarted = true;
        break;
    case MPV_EVENT_END_FILE:
        seeking = false;
        break;
    case MPV_EVENT_SHUTDOWN:
        // The core quits on its own when the embedding window is destroyed.
        shutDown = true;
        seeking = false;
        break;
    default:
        break;
    }
}

int Player::lengthSeconds() const
{
    return static_cast<int>(std::lround(duration));
}

bool Player::attach(uintptr_t window)
{
    if (!alive())
        return false;
    const bool embed = isX11Window(window);
    if (!embed && !hasOutput)
        return true;  // already decoding without output

    // The window can only change while there is no video output, and
    // switching the output moves a paused file on: return to where it was.
    const double at = seeking ? seekTarget : timePos;
    bool ok = true;
    if (hasOutput) {
        ok = mpv_set_property_string(h, "vo", "null") >= 0;
        hasOutput = false;
    }
    if (ok && embed) {
        int64_t wid = static_cast<int64_t>(window);
        ok = mpv_set_property(h, "wid", MPV_FORMAT_INT64, &wid) >= 0
            && mpv_set_property_string(h, "vo", "x11") >= 0;
        hasOutput = ok;
        if (!ok)
            mpv_set_property_string(h, "vo", "null");
    }
    if (!eof)
        seekTo(at);
    return ok;
}

bool Player::length(int &seconds)
{
    if (!alive())
        return false;
    seconds = lengthSeconds();
    return true;
}

bool Player::setPaused(bool paused)
{
    if (!alive())
        return false;
    int flag = paused;
    return mpv_set_property(h, "pause", MPV_FORMAT_FLAG, &flag) >= 0;
}

bool Player::setSpeed(double speed)
{
    if (!alive())
        return false;
    return mpv_set_property(h, "speed", MPV_FORMAT_DOUBLE, &speed) >= 0;
}

bool Player::position(int &seconds)
{
    if (!alive())
        return false;
    const int length = lengthSeconds();
    if (eof || parkedAtEnd)
        seconds = length;
    else
        seconds = std::clamp(static_cast<int>(std::floor((seeking ? seekTarget : timePos) + kSecondSlack)),
                             0, length);
    return true;
}

bool Player::seek(int seconds)
{
    if (!alive() || seconds < 0 || seconds > lengthSeconds())
        return false;
    if (!seekTo(seconds))
        return false;
    // Paused on the last frame after a seek to the end, the player shows a
    // time a frame short of the length and no end of file.
    parkedAtEnd = seconds == lengthSeconds();
    return true;
}

// How far before `seconds` the player's seek must start reading: from just
// before the keyframe that the picture there is decoded from.
double Player::leadIn(double seconds)
{
    if (!keyframesOpened && timeline) {
        keyframesOpened = true;
        keyframes = Keyframes::open(*timeline);
    }
    if (!keyframes)
        return kSeekLeadIn;
    // Without a keyframe that early, from the start.
    const double keyframe = keyframes->before(seconds).value_or(0);
    return seconds - keyframe + kKeyframeLeadIn;
}

bool Player::seekTo(double seconds)
{
    double lead = leadIn(seconds);
    if (mpv_set_property(h, "hr-seek-demuxer-offset", MPV_FORMAT_DOUBLE, &lead) < 0)
        return false;
    // Setting the position seeks exactly (hr-seek), and as a double it does
    // not go through number text.
    if (mpv_set_property(h, "time-pos", MPV_FORMAT_DOUBLE, &seconds) < 0)
        return false;
    seeking = true;
    restarted = false;
    seekTarget = seconds;
    eof = false;  // until the player says otherwise
    return true;
}

bool Player::settled()
{
    return alive() && (!seeking || restarted);
}

bool Player::snapshot(const std::string &path)
{
    // The position reads as a pending seek's target, and the program names
    // the snapshot for it: the picture must be the one there.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(kSeekWaitLimit);
    while (alive() && !settled()) {
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const mpv_event *event = mpv_wait_event(h, left);
        if (event->event_id != MPV_EVENT_NONE)
            handle(*event);
    }
    if (!alive())
        return false;
    const char *command[] = {"screenshot-to-file", path.c_str(), "video", nullptr};
    return mpv_command(h, command) >= 0;
}

}  // namespace tormo
