// A recording whose clock breaks, served to the player with every timestamp
// moved onto its joined clock (Timeline), through a protocol of the handle.
#ifndef TORMO_STREAM_H
#define TORMO_STREAM_H

#include <optional>
#include <string>

struct mpv_handle;

namespace tormo {

class Timeline;

// Registers the protocol on `h` and returns the address to load; nothing
// when the handle refuses it. `timeline` (with the file it names) must
// outlive the handle: the player reads on its own threads.
std::optional<std::string> serveMoved(mpv_handle *h, const Timeline &timeline);

}  // namespace tormo

#endif
