#include "ts.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace tormo::ts {
namespace {

constexpr uint8_t kSync = 0x47;
// Sync bytes in a row that make a packet start.
constexpr int kSyncRow = 4;

// Stream ids whose PES header has no optional fields (program stream map,
// padding, private stream 2, ECM, EMM, directory, DSM-CC, H.222.1 type E).
bool hasOptionalHeader(uint8_t streamId)
{
    switch (streamId) {
    case 0xBC: case 0xBE: case 0xBF: case 0xF0: case 0xF1: case 0xF2: case 0xF8: case 0xFF:
        return false;
    default:
        return true;
    }
}

}  // namespace

int64_t wrap(int64_t value)
{
    return value & (kClockWrap - 1);
}

int64_t clockDiff(int64_t later, int64_t earlier)
{
    const int64_t d = wrap(later - earlier);
    return d >= kClockWrap / 2 ? d - kClockWrap : d;
}

Stamps stampsOf(uint8_t *p)
{
    Stamps s;
    const bool unitStart = p[1] & 0x40;
    const int control = (p[3] >> 4) & 3;  // 1 payload, 2 adaptation field, 3 both
    int payload = 4;
    if (control & 2) {
        const int length = p[4];
        if (length >= 7 && (p[5] & 0x10))
            s.pcr = p + 6;
        payload = 5 + length;
    }
    if (!(control & 1) || !unitStart || payload + 14 > kPacketSize)
        return s;
    uint8_t *pes = p + payload;
    if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || !hasOptionalHeader(pes[3]))
        return s;
    s.video = (pes[3] & 0xF0) == 0xE0;
    const int flags = pes[7] >> 6;  // 2: PTS, 3: PTS and DTS
    if (flags & 2)
        s.pts = pes + 9;
    if (flags == 3 && payload + 19 <= kPacketSize)
        s.dts = pes + 14;
    return s;
}

int64_t readPts(const uint8_t *f)
{
    return (int64_t(f[0] >> 1 & 7) << 30) | (int64_t(f[1]) << 22) | (int64_t(f[2] >> 1) << 15)
        | (int64_t(f[3]) << 7) | (f[4] >> 1);
}

void writePts(uint8_t *f, int64_t v)
{
    // The prefix and the marker bits stay as they were.
    f[0] = uint8_t((f[0] & 0xF1) | (v >> 29 & 0x0E));
    f[1] = uint8_t(v >> 22);
    f[2] = uint8_t((v >> 14 & 0xFE) | (f[2] & 1));
    f[3] = uint8_t(v >> 7);
    f[4] = uint8_t((v << 1 & 0xFE) | (f[4] & 1));
}

int64_t readPcr(const uint8_t *f)
{
    return (int64_t(f[0]) << 25) | (int64_t(f[1]) << 17) | (int64_t(f[2]) << 9)
        | (int64_t(f[3]) << 1) | (f[4] >> 7);
}

void writePcr(uint8_t *f, int64_t v)
{
    // Only the 90 kHz base; the 27 MHz extension stays.
    f[0] = uint8_t(v >> 25);
    f[1] = uint8_t(v >> 17);
    f[2] = uint8_t(v >> 9);
    f[3] = uint8_t(v >> 1);
    f[4] = uint8_t(((v & 1) << 7) | (f[4] & 0x7F));
}

size_t PacketWalker::walk(uint8_t *data, size_t size, bool atEnd,
                          const std::function<void(size_t, bool)> &visit)
{
    size_t i = 0;
    for (;;) {
        while (synced && i + kPacketSize <= size) {
            if (data[i] != kSync) {
                synced = false;
                lost = true;
                break;
            }
            visit(i, lost);
            lost = false;
            i += kPacketSize;
        }
        if (synced)
            return i;
        // A row of sync bytes one packet apart; at the end of the data,
        // the ones there are.
        for (; i + kPacketSize <= size && !synced; ++i) {
            if (data[i] != kSync)
                continue;
            bool row = true;
            for (int k = 1; k < kSyncRow && row; ++k) {
                const size_t next = i + size_t(k) * kPacketSize;
                if (next >= size) {
                    if (!atEnd)
                        return i;
                    break;
                }
                row = data[next] == kSync;
            }
            if (row) {
                synced = true;
                break;
            }
        }
        if (!synced)
            return i;
    }
}

bool scanFile(int fd, int64_t from, int64_t to, const PacketVisitor &visit)
{
    // Small reads first: a caller that wants one timestamp stops early.
    size_t block = 16 * 1024;
    constexpr size_t kMaxBlock = 1024 * 1024;
    std::vector<uint8_t> buffer;
    PacketWalker walker;
    int64_t base = from;  // the file position of buffer[0]
    size_t have = 0;
    bool going = true;
    while (going && base < to) {
        buffer.resize(have + block);
        const ssize_t n = pread(fd, buffer.data() + have, block, base + int64_t(have));
        if (n < 0)
            return false;
        have += size_t(n);
        const bool atEnd = size_t(n) < block;
        const size_t rest = walker.walk(buffer.data(), have, atEnd, [&](size_t offset, bool lost) {
            const int64_t pos = base + int64_t(offset);
            going = going && pos < to && visit(pos, buffer.data() + offset, lost);
        });
        if (atEnd)
            break;
        std::memmove(buffer.data(), buffer.data() + rest, have - rest);
        base += int64_t(rest);
        have -= rest;
        block = std::min(block * 2, kMaxBlock);
    }
    return true;
}

}  // namespace tormo::ts
