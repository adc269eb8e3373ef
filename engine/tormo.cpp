// The C boundary: ports, argument checks, path handling. Nothing thrown gets
// past it; every failure is a 0.
#include "Tormo.h"

#include "open.h"
#include "platform.h"
#include "player.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace {

using tormo::Player;

constexpr int kMaxPorts = 64;

// Calls come from one thread; the lock only keeps a misbehaving host from
// corrupting the table.
std::mutex portsLock;
std::array<std::unique_ptr<Player>, kMaxPorts> ports;

Player *playerAt(int port)
{
    if (port < 0 || port >= kMaxPorts)
        return nullptr;
    return ports[port].get();
}

// Runs `body` on the port's player; 0 for a port that is not open.
template <typename Body>
int onPort(int port, Body body)
{
    try {
        std::lock_guard<std::mutex> lock(portsLock);
        Player *player = playerAt(port);
        return player && body(*player) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// `base` + ".jpg", or + "_2.jpg", "_3.jpg", ... when taken: the program's
// names repeat now and then (same second, same random number), and a
// snapshot must never replace an earlier one.
std::filesystem::path freeName(const std::filesystem::path &base)
{
    std::filesystem::path file = base.string() + ".jpg";
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(file, ec); ++n)
        file = base.string() + "_" + std::to_string(n) + ".jpg";
    return file;
}

}  // namespace

int Tormo_Initialize(void)
{
    std::setlocale(LC_NUMERIC, "C");
    return 1;
}

int Tormo_OpenMediaFile(const char *path, int *port)
{
    return tormo::openMediaFile(path, port, {});
}

int tormo::openMediaFile(const char *path, int *port, const tormo::ClockReading &reading)
{
    if (!path || !port)
        return 0;
    try {
        std::lock_guard<std::mutex> lock(portsLock);
        auto free = std::find(ports.begin(), ports.end(), nullptr);
        const auto utf8 = tormo::gbkToUtf8(path);
        if (free == ports.end() || !utf8)
            return 0;
        // An absolute, existing path: the player takes "proto://..." and
        // "-" as streams, never as file names.
        std::error_code ec;
        const auto file = std::filesystem::canonical(*utf8, ec);
        if (ec || !std::filesystem::is_regular_file(file, ec))
            return 0;
        *free = Player::open(file.string(), reading);
        if (!*free)
            return 0;
        *port = static_cast<int>(free - ports.begin());
        return 1;
    } catch (...) {
        return 0;
    }
}

int Tormo_AttachPlayWnd(int port, uintptr_t window, int flag)
{
    (void)flag;
    return onPort(port, [&](Player &p) { return p.attach(window); });
}

int Tormo_GetFileTime(int port, int *seconds)
{
    return seconds ? onPort(port, [&](Player &p) { return p.length(*seconds); }) : 0;
}

int Tormo_StartPlay(int port)
{
    return onPort(port, [](Player &p) { return p.setPaused(false); });
}

int Tormo_PausePlay(int port, int pause)
{
    if (pause != 0 && pause != 1)
        return 0;
    return onPort(port, [&](Player &p) { return p.setPaused(pause == 1); });
}

int Tormo_SpeedPlay(int port, int code)
{
    static const double speeds[] = {1, 2, 4, 8};  // codes 2 to 5
    if (code < 2 || code > 5)
        return 0;
    return onPort(port, [&](Player &p) { return p.setSpeed(speeds[code - 2]); });
}

int Tormo_GetPlayedTime(int port, int *seconds)
{
    return seconds ? onPort(port, [&](Player &p) { return p.position(*seconds); }) : 0;
}

int Tormo_SetPlayedTime(int port, int seconds)
{
    return onPort(port, [&](Player &p) { return p.seek(seconds); });
}

int Tormo_Snapshot(int port, int flag, const char *path)
{
    (void)flag;
    if (!path)
        return 0;
    return onPort(port, [&](Player &p) {
        auto utf8 = tormo::gbkToUtf8(path);
        if (!utf8 || utf8->empty())
            return false;
        // Backslashes only after decoding: 0x5C is also a GBK trail byte.
        std::replace(utf8->begin(), utf8->end(), '\\', '/');
        // Absolute, so the player takes it literally (no "~" expansion).
        const auto file = freeName(std::filesystem::absolute(*utf8));
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        return !ec && p.snapshot(file.string());
    });
}

int Tormo_CloseMediaFile(int port)
{
    try {
        std::unique_ptr<Player> closing;
        {
            std::lock_guard<std::mutex> lock(portsLock);
            if (!playerAt(port))
                return 0;
            closing = std::move(ports[port]);
        }
        return 1;  // the player shuts down as `closing` goes
    } catch (...) {
        return 0;
    }
}
