#include "timeline.h"

#include "ts.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tormo {
namespace {

using ts::clockDiff;
using ts::kClockRate;

// Samples of the clock across a larger file: up to 1024.
constexpr int64_t kMaxSamples = 1024;
// How far a sample looks for a video timestamp (damage may cover more).
constexpr int64_t kSampleReach = 1 << 20;
// Bytes read to check samples whose clock only looks odd (a hidden break).
constexpr int64_t kLookBudget = 64 << 20;
// Consecutive pictures further apart than this are a pause in recording.
constexpr int64_t kPause = 5 * kClockRate;
// The frame time used to join runs when none is known (25 frames/s).
constexpr int64_t kDefaultStep = kClockRate / 25;
// Marks are kept this far apart at least (every picture of a small file
// would be a waste).
constexpr int64_t kMarkSpacing = 64 << 10;

}  // namespace

// A video PES with a timestamp, in file order.
struct Timeline::Found {
    int64_t pos;  // its first packet
    int64_t dts;  // its decode time (the PTS when it has no DTS)
    int64_t pts;
    // Set when the clock breaks between the Found before and this one:
    int64_t runStart = -1;  // where the new run begins
    int64_t step = 0;       // the frame time between the runs' pictures
};

class Timeline::Reader {
public:
    Reader(int fd, int64_t size, int64_t spacing) : fd(fd), size(size), spacing(spacing) {}

    // The video PESes in [from, to), up to `limit`, the breaks between
    // consecutive ones decided.
    std::vector<Found> scan(int64_t from, int64_t to, size_t limit = SIZE_MAX) const
    {
        std::vector<Found> found;
        std::vector<std::pair<int64_t, int64_t>> others;  // other timestamps since the last
        int64_t step = kDefaultStep;
        bool lostSince = false;
        ts::scanFile(fd, from, to, [&](int64_t pos, uint8_t *packet, bool lost) {
            lostSince = lostSince || lost;
            const ts::Stamps s = ts::stampsOf(packet);
            if (s.pcr)
                others.emplace_back(pos, ts::readPcr(s.pcr));
            if (!s.pts)
                return true;
            if (!s.video) {
                others.emplace_back(pos, ts::readPts(s.pts));
                return true;
            }
            Found f{pos, ts::readPts(s.dts ? s.dts : s.pts), ts::readPts(s.pts)};
            if (!found.empty()) {
                const Found &prev = found.back();
                const int64_t d = clockDiff(f.dts, prev.dts);
                if (d < 0 || (d > kPause && !lostSince)) {
                    f.step = step;
                    f.runStart = runStart(prev, f, others);
                } else if (d > 0 && d <= kClockRate && !lostSince) {
                    step = d;
                }
            }
            found.push_back(f);
            others.clear();
            lostSince = false;
            return found.size() < limit;
        });
        return found;
    }

    // Samples across the file, each pair of them that disagrees with the
    // rest looked at closely.
    std::vector<Found> sample() const
    {
        std::vector<Found> samples;
        const int64_t count = std::clamp(size / std::max(spacing, int64_t(1)), int64_t(2), kMaxSamples);
        for (int64_t i = 0; i < count; ++i) {
            const int64_t at = size / count * i;
            const auto one = scan(at, std::min(size, at + kSampleReach), 1);
            if (i == 0 && one.empty())
                return {};  // no MPEG-TS with video: not worth reading on
            if (!one.empty() && (samples.empty() || one[0].pos > samples.back().pos))
                samples.push_back(one[0]);
        }
        const auto tail = scan(std::max(int64_t(0), size - kSampleReach), size);
        if (!tail.empty() && !samples.empty() && tail.back().pos > samples.back().pos)
            samples.push_back(tail.back());
        return lookClosely(samples);
    }

private:
    // Where the new run begins: at the first timestamp after the last
    // picture of the old run that is nearer the new clock than the old.
    static int64_t runStart(const Found &prev, const Found &next,
                            const std::vector<std::pair<int64_t, int64_t>> &others)
    {
        for (const auto &[pos, stamp] : others) {
            if (std::llabs(clockDiff(stamp, next.dts)) < std::llabs(clockDiff(stamp, prev.dts)))
                return pos;
        }
        return next.pos;
    }

    // A pair of samples whose clock goes back holds a break. One whose clock
    // moves far more, or far less, than its bytes say (at the median bytes
    // per tick) may hide one: a pause, or a restart followed by a clock past
    // the old one. Those are read too, within a budget: a camera's variable
    // bit rate makes some pairs look odd without a break.
    std::vector<Found> lookClosely(const std::vector<Found> &samples) const
    {
        std::vector<double> rates;
        for (size_t i = 1; i < samples.size(); ++i) {
            const int64_t d = clockDiff(samples[i].dts, samples[i - 1].dts);
            if (d > 0)
                rates.push_back(double(samples[i].pos - samples[i - 1].pos) / double(d));
        }
        double rate = 0;
        if (!rates.empty()) {
            std::nth_element(rates.begin(), rates.begin() + rates.size() / 2, rates.end());
            rate = rates[rates.size() / 2];
        }
        std::vector<Found> found;
        int64_t budget = kLookBudget;
        for (size_t i = 0; i < samples.size(); ++i) {
            if (i == 0) {
                found.push_back(samples[0]);
                continue;
            }
            const Found &a = samples[i - 1], &b = samples[i];
            const int64_t bytes = b.pos - a.pos;
            const int64_t d = clockDiff(b.dts, a.dts);
            const double expected = rate > 0 ? double(bytes) / rate : double(d);
            const bool odd = d > 4 * expected + double(kPause) || double(d) * 8 < expected;
            if (d < 0 || (odd && budget >= bytes)) {
                if (d >= 0)
                    budget -= bytes;
                const auto between = scan(a.pos, b.pos + 1);
                // The first is `a`, found already.
                if (between.size() >= 2 && between.back().pos == b.pos) {
                    found.insert(found.end(), between.begin() + 1, between.end());
                    continue;
                }
            }
            found.push_back(b);
        }
        return found;
    }

    int fd;
    int64_t size;
    int64_t spacing;
};

std::optional<Timeline> Timeline::read(const std::string &path, const ClockReading &reading)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::vector<Found> found;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const Reader reader(fd, st.st_size, reading.spacing);
        found = st.st_size <= reading.wholeFile ? reader.scan(0, st.st_size) : reader.sample();
    }
    ::close(fd);
    if (found.empty())
        return std::nullopt;
    Timeline timeline;
    timeline.filePath = path;
    timeline.fileSize = st.st_size;
    timeline.join(found);
    return timeline;
}

void Timeline::join(const std::vector<Found> &found)
{
    const Found &first = found.front();
    int64_t clock = first.dts;
    origin = clock + clockDiff(first.pts, first.dts);
    runs.push_back({0, 0});
    marks.push_back({first.pos, clock});
    for (size_t i = 1; i < found.size(); ++i) {
        const Found &f = found[i];
        if (f.runStart >= 0) {
            clock += f.step;
            runs.push_back({f.runStart, ts::wrap(clock - f.dts)});
        } else {
            clock += clockDiff(f.dts, found[i - 1].dts);
        }
        if (f.runStart >= 0 || f.pos - marks.back().pos >= kMarkSpacing)
            marks.push_back({f.pos, clock});
    }
}

int64_t Timeline::offsetAt(int64_t pos) const
{
    const auto run = std::upper_bound(runs.begin(), runs.end(), pos,
                                      [](int64_t p, const Run &r) { return p < r.pos; });
    return run == runs.begin() ? 0 : std::prev(run)->offset;
}

double Timeline::secondsAt(int64_t pos, int64_t stamp) const
{
    auto mark = std::upper_bound(marks.begin(), marks.end(), pos,
                                 [](int64_t p, const Mark &m) { return p < m.pos; });
    if (mark != marks.begin())
        --mark;
    const int64_t moved = ts::wrap(stamp + offsetAt(pos));
    const int64_t clock = mark->clock + clockDiff(moved, ts::wrap(mark->clock));
    return double(clock - origin) / double(kClockRate);
}

int64_t Timeline::positionBefore(double seconds) const
{
    const double clock = double(origin) + seconds * double(kClockRate);
    const auto mark = std::upper_bound(marks.begin(), marks.end(), clock,
                                       [](double c, const Mark &m) { return c < double(m.clock); });
    return mark == marks.begin() ? 0 : std::prev(mark)->pos;
}

}  // namespace tormo
