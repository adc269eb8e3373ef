// One open recording: a libmpv handle and what the engine knows about it.
#ifndef TORMO_PLAYER_H
#define TORMO_PLAYER_H

#include "keyframes.h"
#include "timeline.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct mpv_handle;
struct mpv_event;

namespace tormo {

class Player {
public:
    // Opens a UTF-8 path, paused at 0. Null when it is not a playable video
    // or it did not load within the time limit. `reading`: how its clock
    // is read (Timeline::read).
    static std::unique_ptr<Player> open(const std::string &path,
                                        const ClockReading &reading = {});
    ~Player();
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    bool attach(uintptr_t window);
    bool length(int &seconds);
    bool setPaused(bool paused);
    bool setSpeed(double speed);
    bool position(int &seconds);
    bool seek(int seconds);
    bool snapshot(const std::string &path);  // UTF-8, extension included
    // True once the last seek has landed: its picture is decoded.
    bool settled();

private:
    explicit Player(mpv_handle *handle) : h(handle) {}
    bool load(const std::string &url);
    bool seekTo(double seconds);
    double leadIn(double seconds);
    bool alive();  // drains pending events first
    void handle(const mpv_event &event);
    int lengthSeconds() const;

    mpv_handle *h;
    // The clock of an MPEG-TS recording, and its keyframes (found when the
    // first seek needs them); nothing for other files.
    std::optional<Timeline> timeline;
    std::unique_ptr<Keyframes> keyframes;
    bool keyframesOpened = false;
    double timePos = 0;
    double duration = 0;
    bool eof = false;
    bool shutDown = false;
    bool hasOutput = false;
    // A seek is reported at its target until the player has landed, so a
    // poll right after it never shows the old position.
    bool seeking = false;
    bool restarted = false;
    double seekTarget = 0;
    bool parkedAtEnd = false;
};

}  // namespace tormo

#endif
