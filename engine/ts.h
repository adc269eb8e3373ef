// MPEG-TS at the packet level: finding packets, reading and rewriting the
// timestamps they carry (PES PTS and DTS, PCR). Nothing here knows codecs.
#ifndef TORMO_TS_H
#define TORMO_TS_H

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tormo::ts {

constexpr int kPacketSize = 188;
// Timestamps count a 90 kHz clock in 33 bits and wrap about every 26.5 h.
constexpr int64_t kClockRate = 90000;
constexpr int64_t kClockWrap = int64_t(1) << 33;

// `value` brought into 0 .. kClockWrap - 1.
int64_t wrap(int64_t value);
// How far `later` is past `earlier` on the wrapping clock: -2^32 .. 2^32 - 1.
int64_t clockDiff(int64_t later, int64_t earlier);

// Where a packet keeps its timestamps: pointers into the packet, or null.
struct Stamps {
    uint8_t *pcr = nullptr;  // the PCR base in the adaptation field
    uint8_t *pts = nullptr;  // the PES header's PTS, if a PES starts here
    uint8_t *dts = nullptr;  // and its DTS (absent: the same as the PTS)
    bool video = false;      // the PES is a video stream (stream id 0xE0..0xEF)
};
// `packet` is kPacketSize bytes starting with the sync byte.
Stamps stampsOf(uint8_t *packet);

int64_t readPts(const uint8_t *field);
void writePts(uint8_t *field, int64_t value);
int64_t readPcr(const uint8_t *field);
void writePcr(uint8_t *field, int64_t value);

// Finds the packets in a byte stream handed over in pieces. Packets are
// found by their sync bytes, four in a row, so a 0x47 in a payload is not
// taken for one; after damage (bytes that are no packets) the walk finds the
// next such row.
class PacketWalker {
public:
    // Calls visit(offset, lost) for every whole packet in data[0, size), in
    // order; `lost` says that damage came between it and the packet before.
    // Returns where the unvisited rest begins: hand it over again, with what
    // follows it, unless `atEnd`. A packet that `visit` changes stays changed.
    size_t walk(uint8_t *data, size_t size, bool atEnd,
                const std::function<void(size_t offset, bool lost)> &visit);

private:
    bool synced = false;  // the previous packet was visited: the next one follows it
    bool lost = false;
};

// Reads the file behind `fd` in large blocks from `from` and calls
// visit(pos, packet, lost) for each packet that starts before `to`, until
// `visit` returns false. Returns false when the file could not be read.
using PacketVisitor = std::function<bool(int64_t pos, uint8_t *packet, bool lost)>;
bool scanFile(int fd, int64_t from, int64_t to, const PacketVisitor &visit);

}  // namespace tormo::ts

#endif
