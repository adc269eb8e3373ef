#include "roadgen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace roadgen {
namespace {

// The road as the camera sees it at 1280x720; other sizes are scaled.
constexpr double kRefW = 1280, kRefH = 720;
constexpr double kLineShare = 0.6;  // the counting line's height
// Lanes: centre x, direction (+1 down the picture, -1 up).
struct Lane {
    double x;
    int dir;
    bool shoulder;
};
const Lane kLanes[] = {{410, 1, false}, {570, 1, false}, {710, -1, false},
                       {870, -1, false}, {270, 1, true}, {1010, -1, true}};
constexpr int kDownLanes[] = {0, 1};
constexpr int kUpLanes[] = {2, 3};
// Vehicles in one lane stay this far apart (reference pixels).
constexpr double kMinGap = 24;
// How far ahead headlights light the road, a share of the vehicle's length.
constexpr double kLightReach = 0.3;
// Where the picture's shake leaves room around the road.
constexpr int kShakeRoom = 8;

struct Colour {
    int r, g, b;
};
// Body colours: none of them as dark or as light as the asphalt in luma.
const Colour kColours[] = {{235, 235, 235}, {25, 25, 28},  {170, 172, 175}, {170, 25, 25},
                           {30, 50, 150},   {220, 190, 30}, {20, 80, 40},    {55, 55, 60},
                           {240, 120, 20}};

int lumaOf(Colour c) { return std::clamp(int(0.257 * c.r + 0.504 * c.g + 0.098 * c.b + 16.5), 0, 255); }
int uOf(Colour c) { return std::clamp(int(-0.148 * c.r - 0.291 * c.g + 0.439 * c.b + 128.5), 0, 255); }
int vOf(Colour c) { return std::clamp(int(0.439 * c.r - 0.368 * c.g - 0.071 * c.b + 128.5), 0, 255); }

struct Vehicle {
    std::string kind;
    int lane = 0;
    double w = 0, len = 0;  // reference pixels
    double speed = 0;       // reference pixels a second
    double t0 = 0;          // enters the picture (its front at the edge)
    double stopAt = -1;     // centre position where it stops (distance travelled), or none
    double stopFor = 0;
    Colour colour{};

    int dir() const { return kLanes[lane].dir; }
    // Distance its centre has travelled at time t since t0 (never negative).
    double travelled(double t) const
    {
        double d = std::max(0.0, t - t0) * speed;
        if (stopAt >= 0 && d > stopAt) {
            const double stopStart = t0 + stopAt / speed;
            d = t < stopStart + stopFor ? stopAt : stopAt + (t - stopStart - stopFor) * speed;
        }
        return d;
    }
    // Centre y in reference pixels.
    double centreY(double t) const
    {
        const double start = dir() > 0 ? -len / 2 : kRefH + len / 2;
        return start + dir() * travelled(t);
    }
    double lineDistance() const
    {
        const double start = dir() > 0 ? -len / 2 : kRefH + len / 2;
        return std::abs(kRefH * kLineShare - start);
    }
    double crossing() const
    {
        const double d = lineDistance();
        double t = t0 + d / speed;
        if (stopAt >= 0 && stopAt < d)
            t += stopFor;
        return t;
    }
    double leaves() const
    {
        double t = t0 + (kRefH + len) / speed;
        if (stopAt >= 0)
            t += stopFor;
        return t;
    }
};

struct Traits {
    bool night = false;
    double noise = 2;
    double cloud = 0;  // how much of the light a cloud takes, 0..1
    double shake = 0;  // reference pixels
};

Traits traitsOf(Scene s)
{
    switch (s) {
    case Scene::Cloud: return {false, 4.5, 0.45, 0};
    case Scene::Shake: return {false, 2, 0, 3};
    case Scene::Night: return {true, 3, 0, 0};
    case Scene::Mixed: return {false, 3, 0.25, 1.5};
    default: return {false, 2, 0, 0};
    }
}

class Schedule {
public:
    // `lights`: a share of its length that a vehicle's headlights light the
    // road ahead of it, which keeps its distance from the one ahead too.
    Schedule(std::mt19937 &rng, double lights) : lights(lights), rng(rng) {}

    double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    Vehicle make(const std::string &kind, int lane)
    {
        Vehicle v;
        v.kind = kind;
        v.lane = lane;
        v.colour = kColours[pick(int(std::size(kColours)))];
        if (kind == "car") {
            v.w = uniform(70, 92), v.len = uniform(130, 165), v.speed = uniform(250, 600);
        } else if (kind == "van") {
            v.w = uniform(88, 100), v.len = uniform(175, 200), v.speed = uniform(220, 500);
        } else if (kind == "truck") {
            v.w = uniform(100, 110), v.len = uniform(280, 360), v.speed = uniform(200, 400);
        } else if (kind == "motorbike") {
            v.w = uniform(32, 38), v.len = uniform(64, 76), v.speed = uniform(300, 600);
        } else {  // cyclist
            v.w = uniform(28, 32), v.len = uniform(56, 64), v.speed = uniform(80, 140);
            v.colour = pick(2) ? Colour{200, 200, 60} : Colour{30, 30, 90};
        }
        return v;
    }

    // Sets v.t0 so that it crosses the line at `at` or as soon after as its
    // lane allows, and keeps it.
    void place(Vehicle v, double at)
    {
        for (;; at += 0.04) {
            v.t0 = 0;
            v.t0 = at - v.crossing();
            if (v.t0 < 1.0)  // the picture starts empty
                continue;
            if (fits(v))
                break;
        }
        vehicles.push_back(v);
    }

    std::vector<Vehicle> vehicles;

private:
    // Nobody in its lane comes closer than kMinGap, at any time either is seen.
    bool fits(const Vehicle &v) const
    {
        for (const Vehicle &o : vehicles) {
            if (o.lane != v.lane)
                continue;
            const double from = std::max(v.t0, o.t0), to = std::min(v.leaves(), o.leaves());
            for (double t = from; t <= to; t += 0.02) {
                const double gap = std::abs(v.centreY(t) - o.centreY(t)) - (v.len + o.len) / 2;
                const Vehicle &behind = (v.centreY(t) - o.centreY(t)) * v.dir() < 0 ? v : o;
                if (gap < kMinGap + lights * behind.len)
                    return false;
            }
            // Overtaking in one lane is not allowed either.
            if ((v.t0 < o.t0) != (v.leaves() < o.leaves()) && to > from)
                return false;
        }
        return true;
    }

    double lights;
    std::mt19937 &rng;
};

std::string carKind(Schedule &s)
{
    const int r = s.pick(20);
    return r < 12 ? "car" : r < 15 ? "van" : r < 17 ? "truck" : "motorbike";
}

std::vector<Vehicle> traffic(const Settings &set, std::mt19937 &rng)
{
    Schedule s(rng, traitsOf(set.scene).night ? kLightReach : 0.0);
    double at = 2.0;
    int made = 0;
    while (made < set.vehicles) {
        switch (set.scene) {
        case Scene::Dense: {
            // A platoon 0.5 s apart, and beside it one in the other lane of
            // its side at the same times.
            const bool down = s.pick(2);
            const int lanes[2] = {down ? kDownLanes[0] : kUpLanes[0], down ? kDownLanes[1] : kUpLanes[1]};
            const int n = 3 + s.pick(3);
            const double speed = s.uniform(560, 660);
            for (int side = 0; side < 2 && made < set.vehicles; ++side) {
                for (int i = 0; i < n && made < set.vehicles; ++i, ++made) {
                    Vehicle v = s.make(s.pick(4) ? "car" : "motorbike", lanes[side]);
                    v.speed = speed;
                    s.place(v, at + 0.5 * i + side * s.uniform(0, 0.1));
                }
            }
            at += 0.5 * n + s.uniform(1.5, 3);
            break;
        }
        case Scene::Stop: {
            const int r = s.pick(3);
            if (r == 0) {
                Vehicle v = s.make(s.pick(3) ? "car" : "van", s.pick(4));
                // Stopping with its body across the line, then on.
                v.stopAt = v.lineDistance() - 0.25 * v.len;
                v.stopFor = s.uniform(2, 4);
                s.place(v, at);
            } else if (r == 1) {
                s.place(s.make("cyclist", 4 + s.pick(2)), at);
            } else {
                s.place(s.make(carKind(s), s.pick(4)), at);
            }
            ++made;
            at += s.uniform(0.6, 1.6);
            break;
        }
        default: {
            const bool bike = s.pick(20) == 0;
            s.place(s.make(bike ? "cyclist" : carKind(s), bike ? 4 + s.pick(2) : s.pick(4)), at);
            ++made;
            at += s.uniform(0.4, 1.8);
            if (set.scene == Scene::Mixed && s.pick(6) == 0 && made < set.vehicles) {
                // now and then a close follower, 0.5 s behind when its lane allows
                const Vehicle &leader = s.vehicles.back();
                Vehicle v = s.make("car", leader.lane);
                v.speed = leader.speed;
                s.place(v, leader.crossing() + 0.5);
                ++made;
            } else if (set.scene == Scene::Mixed && s.pick(10) == 0 && made < set.vehicles) {
                Vehicle v = s.make("car", s.pick(4));
                v.stopAt = v.lineDistance() - 0.25 * v.len;
                v.stopFor = s.uniform(2, 3);
                s.place(v, at);
                ++made;
            }
            break;
        }
        }
    }
    return s.vehicles;
}

// The frame being drawn: planes at the output size, drawn in reference
// coordinates.
struct Canvas {
    int w, h;
    double sx, sy;
    std::vector<uint8_t> y, u, v;

    void fill(double x0, double y0, double x1, double y1, int luma, int cu = -1, int cv = -1)
    {
        const int ax = std::max(0, int(std::lround(x0 * sx))), bx = std::min(w, int(std::lround(x1 * sx)));
        const int ay = std::max(0, int(std::lround(y0 * sy))), by = std::min(h, int(std::lround(y1 * sy)));
        for (int r = ay; r < by; ++r)
            std::fill(&y[size_t(r) * w + ax], &y[size_t(r) * w + std::max(ax, bx)], uint8_t(luma));
        if (cu < 0)
            return;
        for (int r = ay / 2; r < (by + 1) / 2; ++r)
            for (int c = ax / 2; c < (bx + 1) / 2; ++c) {
                u[size_t(r) * (w / 2) + c] = uint8_t(cu);
                v[size_t(r) * (w / 2) + c] = uint8_t(cv);
            }
    }
    void brighten(double x0, double y0, double x1, double y1, int by)
    {
        const int ax = std::max(0, int(x0 * sx)), bx = std::min(w, int(x1 * sx));
        const int ay = std::max(0, int(y0 * sy)), byy = std::min(h, int(y1 * sy));
        for (int r = ay; r < byy; ++r)
            for (int c = ax; c < bx; ++c) {
                uint8_t &p = y[size_t(r) * w + c];
                p = uint8_t(std::min(255, p + by));
            }
    }
    void disc(double cx, double cy, double radius, int luma)
    {
        const double rx = radius * sx, ry = radius * sy, px = cx * sx, py = cy * sy;
        for (int r = std::max(0, int(py - ry)); r <= std::min(h - 1, int(py + ry)); ++r)
            for (int c = std::max(0, int(px - rx)); c <= std::min(w - 1, int(px + rx)); ++c) {
                const double dx = (c - px) / rx, dy = (r - py) / ry;
                if (dx * dx + dy * dy <= 1)
                    y[size_t(r) * w + c] = uint8_t(luma);
            }
    }
};

// The empty road, shake room around it.
void drawRoad(Canvas &c, bool night)
{
    const int asphalt = night ? 22 : 102, grass = night ? 14 : 80, paint = night ? 45 : 215;
    std::fill(c.y.begin(), c.y.end(), uint8_t(grass));
    std::fill(c.u.begin(), c.u.end(), uint8_t(night ? 128 : 112));
    std::fill(c.v.begin(), c.v.end(), uint8_t(night ? 128 : 118));
    const double m = kShakeRoom;
    c.fill(230 + m, 0, 1050 + m, kRefH + 2 * m, asphalt, 128, 128);
    for (double x : {330.0, 950.0})  // the shoulders' edges
        c.fill(x - 3 + m, 0, x + 3 + m, kRefH + 2 * m, paint);
    c.fill(635 + m, 0, 645 + m, kRefH + 2 * m, night ? 40 : 190, 100, 150);  // the centre line
    for (double x : {490.0, 790.0})
        for (double y = 0; y < kRefH + 2 * m; y += 120)
            c.fill(x - 3 + m, y, x + 3 + m, y + 60, paint);
    // A little grain in the asphalt, fixed: what the shake moves.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> grain(-6, 6);
    for (uint8_t &p : c.y)
        p = uint8_t(std::clamp(p + grain(rng), 0, 255));
}

void drawVehicle(Canvas &c, const Vehicle &v, double t, double ox, double oy, bool night)
{
    const double cx = kLanes[v.lane].x + ox, cy = v.centreY(t) + oy;
    const double x0 = cx - v.w / 2, x1 = cx + v.w / 2, y0 = cy - v.len / 2, y1 = cy + v.len / 2;
    if (y1 < -20 || y0 > kRefH + 20)
        return;
    const int dir = v.dir();
    // Its front is at the bottom going down, at the top going up.
    const double front = dir > 0 ? y1 : y0;
    if (night) {
        // Street lights show the body dimly; headlights light the road
        // ahead, taillights glow behind.
        const int body = 50 + lumaOf(v.colour) / 8;
        c.fill(x0, y0, x1, y1, body);
        const double pool = kLightReach * v.len;
        if (dir > 0) {
            c.brighten(x0, front, x1, front + pool, 30);
            c.disc(x0 + v.w * 0.2, front - 4, std::max(4.0, v.w * 0.09), 250);
            c.disc(x1 - v.w * 0.2, front - 4, std::max(4.0, v.w * 0.09), 250);
        } else {
            c.brighten(x0, front - pool, x1, front, 25);
            c.disc(x0 + v.w * 0.2, y1 - 4, std::max(3.0, v.w * 0.07), 95);
            c.disc(x1 - v.w * 0.2, y1 - 4, std::max(3.0, v.w * 0.07), 95);
        }
        return;
    }
    const int luma = lumaOf(v.colour), cu = uOf(v.colour), cv = vOf(v.colour);
    if (v.kind == "truck") {
        // A cab and a trailer with a gap of road between: two blobs at times.
        const double cab = 0.25 * v.len, gap = 0.05 * v.len;
        const double cabFrom = dir > 0 ? y1 - cab : y0, cabTo = dir > 0 ? y1 : y0 + cab;
        c.fill(x0 + 4, cabFrom, x1 - 4, cabTo, luma, cu, cv);
        const double trFrom = dir > 0 ? y0 : y0 + cab + gap, trTo = dir > 0 ? y1 - cab - gap : y1;
        c.fill(x0, trFrom, x1, trTo, std::clamp(luma > 128 ? luma - 50 : luma + 90, 0, 255), 128, 128);
        return;
    }
    c.fill(x0, y0, x1, y1, luma, cu, cv);
    if (v.kind == "car" || v.kind == "van") {  // windscreen
        const double a = 0.18 * v.len, b = 0.34 * v.len;
        if (dir > 0)
            c.fill(x0 + 6, y1 - b, x1 - 6, y1 - a, 35);
        else
            c.fill(x0 + 6, y0 + a, x1 - 6, y0 + b, 35);
    }
}

std::string shellQuote(const std::string &s)
{
    std::string out = "'";
    for (char ch : s)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

}  // namespace

bool sceneByName(const std::string &name, Scene &scene)
{
    const auto names = sceneNames();
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end())
        return false;
    scene = Scene(it - names.begin());
    return true;
}

std::vector<std::string> sceneNames() { return {"plain", "dense", "stop", "cloud", "shake", "night", "mixed"}; }

std::string generate(const Settings &set, const std::string &out, std::vector<TruePassage> &truth,
                     const std::string &preset)
{
    if (set.width < 64 || set.height < 64 || set.width % 2 || set.height % 2 || set.fps <= 0)
        return "the size must be even and at least 64x64";
    std::mt19937 rng(set.seed);
    const std::vector<Vehicle> vehicles = traffic(set, rng);
    const Traits traits = traitsOf(set.scene);

    truth.clear();
    double end = 0;
    for (const Vehicle &v : vehicles) {
        truth.push_back({std::llround(v.crossing() * 1000), v.dir() > 0, kLanes[v.lane].x / kRefW, v.kind});
        end = std::max(end, v.leaves());
    }
    std::sort(truth.begin(), truth.end(), [](const TruePassage &p, const TruePassage &q) { return p.ms < q.ms; });
    end += 1.0;

    const int w = set.width, h = set.height;
    const double sx = w / kRefW, sy = h / kRefH;
    // The road once, with room to shake; each picture is cut from it.
    const int rw = w + 2 * int(std::ceil(kShakeRoom * sx)), rh = h + 2 * int(std::ceil(kShakeRoom * sy));
    Canvas road{rw & ~1, rh & ~1, sx, sy, {}, {}, {}};
    road.y.resize(size_t(road.w) * road.h);
    road.u.resize(size_t(road.w / 2) * (road.h / 2));
    road.v.resize(road.u.size());
    drawRoad(road, traits.night);

    // Sensor noise from a few prepared fields, each picture one of them at
    // a random offset: cheap, and never the same twice in a row.
    std::normal_distribution<double> gauss(0, traits.noise);
    std::vector<int8_t> noise(size_t(w) * h * 2);
    for (int8_t &n : noise)
        n = int8_t(std::clamp(std::lround(gauss(rng)), -100L, 100L));

    const std::string command = "ffmpeg -hide_banner -loglevel error -y -f rawvideo -pix_fmt yuv420p -s " +
        std::to_string(w) + "x" + std::to_string(h) + " -r " + std::to_string(set.fps) +
        " -i - -c:v libx264 -preset " + preset + " -g " + std::to_string(2 * set.fps) +
        " -pix_fmt yuv420p -an -f mpegts " + shellQuote(out);
    FILE *pipe = popen(command.c_str(), "w");
    if (!pipe)
        return "cannot start ffmpeg";

    Canvas frame{w, h, sx, sy, {}, {}, {}};
    frame.y.resize(size_t(w) * h);
    frame.u.resize(size_t(w / 2) * (h / 2));
    frame.v.resize(frame.u.size());
    const int frames = int(std::ceil(end * set.fps));
    const double phase = std::uniform_real_distribution<double>(0, 6.28)(rng);
    bool ok = true;
    for (int i = 0; i < frames && ok; ++i) {
        const double t = double(i) / set.fps;
        // The shake: two swaying frequencies, whole pixels of the output.
        const int dx = int(std::lround(traits.shake * sx * (0.6 * std::sin(7.3 * t + phase) + 0.4 * std::sin(17.1 * t))));
        const int dy = int(std::lround(traits.shake * sy * (0.6 * std::sin(5.9 * t) + 0.4 * std::sin(13.7 * t + phase))));
        const int mx = (road.w - w) / 2 + dx, my = (road.h - h) / 2 + dy;
        for (int r = 0; r < h; ++r)
            std::copy_n(&road.y[size_t(r + my) * road.w + mx], w, &frame.y[size_t(r) * w]);
        for (int r = 0; r < h / 2; ++r) {
            std::copy_n(&road.u[size_t(r + my / 2) * (road.w / 2) + mx / 2], w / 2, &frame.u[size_t(r) * (w / 2)]);
            std::copy_n(&road.v[size_t(r + my / 2) * (road.w / 2) + mx / 2], w / 2, &frame.v[size_t(r) * (w / 2)]);
        }
        for (const Vehicle &v : vehicles)
            if (t >= v.t0 && t <= v.leaves() + 0.5)  // nothing of it before it comes
                drawVehicle(frame, v, t, -dx / sx, -dy / sy, traits.night);
        // A cloud: the light goes down and up again over 40 s.
        const double gain = 1 - traits.cloud * (0.5 - 0.5 * std::cos(2 * M_PI * t / 40));
        const int8_t *n = &noise[size_t(std::uniform_int_distribution<int>(0, w * h - 1)(rng))];
        for (size_t p = 0; p < frame.y.size(); ++p)
            frame.y[p] = uint8_t(std::clamp(int(frame.y[p] * gain) + n[p], 0, 255));
        ok = std::fwrite(frame.y.data(), 1, frame.y.size(), pipe) == frame.y.size() &&
            std::fwrite(frame.u.data(), 1, frame.u.size(), pipe) == frame.u.size() &&
            std::fwrite(frame.v.data(), 1, frame.v.size(), pipe) == frame.v.size();
    }
    const int status = pclose(pipe);
    if (!ok || status != 0)
        return "ffmpeg failed writing " + out;
    return {};
}

bool writeTruth(const std::string &path, const std::vector<TruePassage> &truth)
{
    std::ofstream out(path, std::ios::binary);
    out << "ms,direction,along,kind\n";
    for (const TruePassage &p : truth)
        out << p.ms << ',' << (p.down ? "down" : "up") << ',' << p.along << ',' << p.kind << '\n';
    return bool(out.flush());
}

bool readTruth(const std::string &path, std::vector<TruePassage> &truth)
{
    std::ifstream in(path);
    std::string line;
    if (!std::getline(in, line))
        return false;
    truth.clear();
    while (std::getline(in, line)) {
        std::istringstream row(line);
        TruePassage p;
        std::string ms, dir, along;
        if (!std::getline(row, ms, ',') || !std::getline(row, dir, ',') || !std::getline(row, along, ','))
            return false;
        std::getline(row, p.kind);
        p.ms = std::stoll(ms);
        p.down = dir == "down";
        p.along = std::stod(along);
        truth.push_back(p);
    }
    return true;
}

}  // namespace roadgen
