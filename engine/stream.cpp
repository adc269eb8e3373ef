#include "stream.h"

#include "timeline.h"
#include "ts.h"

#include <mpv/stream_cb.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace tormo {
namespace {

constexpr const char *kProtocol = "tormo";
// Read around each request: the packets it cuts into, and the sync bytes
// that place the first and the last of them.
constexpr int64_t kMargin = 4 * ts::kPacketSize;

struct Reader {
    int fd;
    const Timeline *timeline;
    int64_t pos = 0;
    std::vector<uint8_t> window;
};

void moveStamps(uint8_t *packet, int64_t offset)
{
    const ts::Stamps s = ts::stampsOf(packet);
    if (s.pcr)
        ts::writePcr(s.pcr, ts::wrap(ts::readPcr(s.pcr) + offset));
    if (s.pts)
        ts::writePts(s.pts, ts::wrap(ts::readPts(s.pts) + offset));
    if (s.dts)
        ts::writePts(s.dts, ts::wrap(ts::readPts(s.dts) + offset));
}

int64_t readMoved(void *cookie, char *out, uint64_t wanted)
{
    auto &r = *static_cast<Reader *>(cookie);
    const int64_t size = r.timeline->size();
    if (r.pos >= size)
        return 0;
    const int64_t n = std::min<int64_t>(int64_t(std::min<uint64_t>(wanted, 1 << 24)), size - r.pos);
    const int64_t from = std::max<int64_t>(0, r.pos - kMargin);
    const int64_t to = std::min(size, r.pos + n + kMargin);
    r.window.resize(size_t(to - from));
    for (int64_t done = 0; done < to - from;) {
        const ssize_t got = pread(r.fd, r.window.data() + done, size_t(to - from - done), from + done);
        if (got <= 0)
            return got < 0 ? -1 : 0;  // the file shrank: nothing more
        done += got;
    }
    // Packets are moved whole, wherever the request cuts them, so every
    // read of a byte gives the same value.
    ts::PacketWalker walker;
    walker.walk(r.window.data(), r.window.size(), true, [&](size_t offset, bool) {
        const int64_t at = from + int64_t(offset);
        if (at + ts::kPacketSize <= r.pos || at >= r.pos + n)
            return;
        if (const int64_t moved = r.timeline->offsetAt(at))
            moveStamps(r.window.data() + offset, moved);
    });
    std::memcpy(out, r.window.data() + (r.pos - from), size_t(n));
    r.pos += n;
    return n;
}

int64_t seekMoved(void *cookie, int64_t offset)
{
    auto &r = *static_cast<Reader *>(cookie);
    if (offset < 0 || offset > r.timeline->size())
        return MPV_ERROR_GENERIC;
    r.pos = offset;
    return offset;
}

int64_t sizeMoved(void *cookie)
{
    return static_cast<Reader *>(cookie)->timeline->size();
}

void closeMoved(void *cookie)
{
    auto *r = static_cast<Reader *>(cookie);
    ::close(r->fd);
    delete r;
}

int openMoved(void *userData, char *, mpv_stream_cb_info *info)
{
    const auto *timeline = static_cast<const Timeline *>(userData);
    const int fd = ::open(timeline->path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return MPV_ERROR_LOADING_FAILED;
    info->cookie = new Reader{fd, timeline, 0, {}};
    info->read_fn = readMoved;
    info->seek_fn = seekMoved;
    info->size_fn = sizeMoved;
    info->close_fn = closeMoved;
    return 0;
}

}  // namespace

std::optional<std::string> serveMoved(mpv_handle *h, const Timeline &timeline)
{
    if (mpv_stream_cb_add_ro(h, kProtocol, const_cast<Timeline *>(&timeline), openMoved) < 0)
        return std::nullopt;
    return std::string(kProtocol) + "://recording";
}

}  // namespace tormo
