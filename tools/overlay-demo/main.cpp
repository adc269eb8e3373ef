// overlay-demo: a real host of the overlay library. It decodes a road
// recording, draws a traffic scene on every frame with the frame calls (a
// counting line, the watched lane, a bracket box around what moves in it,
// Chinese and Latin text and a clock through one cached word context per
// overlay), writes the result as H.264 in MPEG-TS, and renders a few frames
// to PNG with the drawing-context calls on a cairo surface over the frame.
//
// Usage: overlay-demo <recording> [output-folder]   (default overlay-demo-out)
// Writes <folder>/overlay.ts and <folder>/frame-<n>.png, and prints where
// each mark went.
#include "Dravik.h"
#include "video.h"

#include <cairo.h>

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kYellow = 0x00FFFF, kGreen = 0x00FF00, kWhite = 0xFFFFFF, kBlack = 0x000000, kCyan = 0xFFFF00,
                   kOrange = 0x0080FF, kMagenta = 0xFF00FF;
constexpr char kLatinFont[] = "DejaVu Sans";
constexpr char kChineseFont[] = "WenQuanYi Micro Hei";

// The watched lane and its counting line, in fractions of the frame (the
// left lane of the project's sample recording, below its burnt-in clock).
constexpr float kLaneLeft = 0.19f, kLaneRight = 0.48f;
constexpr float kLaneTop = 0.1f, kLaneBottom = 0.96f;
constexpr float kCountY = 0.6f;
// The clock starts at 2026-05-01 08:00:00 and follows the recording.
constexpr std::time_t kClockStart = 1777622400;
// Frames drawn to PNG with the drawing-context calls: at these seconds.
constexpr double kPngSeconds[] = {1.5, 2.5, 3.5, 4.5};

struct Box {
    int x0, y0, x1, y1;  // pixels, inclusive; empty when x1 < x0
    bool empty() const { return x1 < x0; }
    int cx() const { return (x0 + x1) / 2; }
    int cy() const { return (y0 + y1) / 2; }
};

// What moved inside the lane since the previous frame: the bounding box of
// the places whose luma or chroma changed by more than a threshold, looked
// at on the chroma grid (a red car and a grey road differ little in luma).
// Enough to follow one vehicle in one lane.
class MotionBox {
public:
    Box update(const AVFrame *f, const Box &window)
    {
        const int w = f->width, h = f->height;
        Box box{w, h, -1, -1};
        const bool compare = previous_[0].size() == size_t(w) * h;
        for (int y = window.y0 & ~1; y <= window.y1; y += 2)
            for (int x = window.x0 & ~1; compare && x <= window.x1; x += 2)
                if (changed(f, x, y)) {
                    box.x0 = std::min(box.x0, x);
                    box.y0 = std::min(box.y0, y);
                    box.x1 = std::max(box.x1, x + 1);
                    box.y1 = std::max(box.y1, y + 1);
                }
        keep(f);
        // A few scattered samples are noise, not a vehicle.
        if (box.x1 - box.x0 < 16 || box.y1 - box.y0 < 16)
            return {0, 0, -1, -1};
        return box;
    }

private:
    static constexpr int kThreshold = 24;

    bool changed(const AVFrame *f, int x, int y) const
    {
        const int w = f->width;
        const auto differs = [&](int plane, int px, int py, int pw) {
            const int now = f->data[plane][py * f->linesize[plane] + px];
            return std::abs(now - previous_[plane][size_t(py) * pw + px]) > kThreshold;
        };
        return differs(0, x, y, w) || differs(1, x / 2, y / 2, (w + 1) / 2) ||
               differs(2, x / 2, y / 2, (w + 1) / 2);
    }
    void keep(const AVFrame *f)
    {
        for (int plane = 0; plane < 3; ++plane) {
            const int pw = plane ? (f->width + 1) / 2 : f->width;
            const int ph = plane ? (f->height + 1) / 2 : f->height;
            previous_[plane].resize(size_t(pw) * ph);
            for (int y = 0; y < ph; ++y)
                std::copy_n(f->data[plane] + y * f->linesize[plane], pw,
                            previous_[plane].data() + size_t(y) * pw);
        }
    }

    std::vector<uint8_t> previous_[3];
};

DravikFrame dravikFrame(AVFrame *f)
{
    return {{f->data[0], f->data[1], f->data[2], nullptr},
            {f->linesize[0], f->linesize[1], f->linesize[2], 0},
            f->width,
            f->height};
}

std::string clockText(double seconds)
{
    const std::time_t t = kClockStart + std::time_t(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

// The overlays drawn into every frame, with their word contexts.
class Scene {
public:
    ~Scene()
    {
        Dravik_DrawEnd(&title_);
        Dravik_DrawEnd(&caption_);
        Dravik_DrawEnd(&clock_);
    }

    void draw(AVFrame *f, const Box &vehicle, int counted, double seconds)
    {
        DravikFrame frame = dravikFrame(f);
        const float lane[] = {kLaneLeft, kLaneTop,    kLaneRight, kLaneTop,
                              kLaneRight, kLaneBottom, kLaneLeft, kLaneBottom};
        check(Dravik_DrawPloygon(4, lane, 2, kGreen, 0, 0, &frame, 0), "lane");
        check(Dravik_DrawLine(kLaneLeft, kCountY, kLaneRight, kCountY, 4, kYellow,
                              &frame, 0),
              "counting line");
        if (!vehicle.empty())
            brackets(frame, vehicle, f->width, f->height);

        const std::string title = "一号车道 车流量 " + std::to_string(counted);
        check(Dravik_DrawWord(0.52f, 0.04f, 0, 0, 1, kBlack, title.c_str(), 26, 0,
                              kChineseFont, kWhite, &frame, &title_, 0),
              "title");
        check(Dravik_DrawWord(0.52f, 0.11f, 0, 0, 1, 0x404040, "Lane 1  southbound",
                              20, 0, kLatinFont, kYellow, &frame, &caption_, 0),
              "caption");
        check(Dravik_DrawWord(0.52f, 0.9f, 0, 0, 1, kBlack, clockText(seconds).c_str(),
                              22, 0, kLatinFont, kWhite, &frame, &clock_, 0),
              "clock");
    }

private:
    // Corner brackets from frame lines: a quarter of each side at each
    // corner, three pixels thick.
    static void brackets(DravikFrame &frame, const Box &b, int w, int h)
    {
        const float x0 = float(b.x0) / w, x1 = float(b.x1) / w;
        const float y0 = float(b.y0) / h, y1 = float(b.y1) / h;
        const float dx = (x1 - x0) / 4, dy = (y1 - y0) / 4;
        const float lines[][4] = {
            {x0, y0, x0 + dx, y0}, {x1 - dx, y0, x1, y0}, {x0, y1, x0 + dx, y1},
            {x1 - dx, y1, x1, y1}, {x0, y0, x0, y0 + dy}, {x0, y1 - dy, x0, y1},
            {x1, y0, x1, y0 + dy}, {x1, y1 - dy, x1, y1}};
        for (const auto &l : lines)
            check(Dravik_DrawLine(l[0], l[1], l[2], l[3], 3, kMagenta, &frame, 0),
                  "bracket");
    }
    static void check(int rc, const char *what)
    {
        if (rc != DRAVIK_OK)
            std::fprintf(stderr, "overlay-demo: %s: Dravik code %d\n", what, rc);
    }

    DravikWordContext *title_ = nullptr, *caption_ = nullptr, *clock_ = nullptr;
};

// One frame to PNG: the frame (with its overlays) on a cairo image surface,
// and over it the drawing-context calls.
bool writePng(const AVFrame *f, const Box &vehicle, const std::vector<Box> &track,
              int vehicleNumber, const std::string &path)
{
    const int w = f->width, h = f->height;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    // Cairo's RGB24 is a native-endian word per pixel: B, G, R, x in memory.
    SwsContext *toRgb = sws_getContext(w, h, AV_PIX_FMT_YUV420P, w, h, AV_PIX_FMT_BGR0,
                                       SWS_BILINEAR, nullptr, nullptr, nullptr);
    uint8_t *dst[4] = {cairo_image_surface_get_data(surface)};
    int dstStride[4] = {cairo_image_surface_get_stride(surface)};
    sws_scale(toRgb, f->data, f->linesize, 0, h, dst, dstStride);
    sws_freeContext(toRgb);
    cairo_surface_mark_dirty(surface);
    cairo_t *dc = cairo_create(surface);

    const int left = int(kLaneLeft * w), right = int(kLaneRight * w);
    const int top = int(kLaneTop * h), bottom = int(kLaneBottom * h);
    const int countY = int(kCountY * h);
    // The direction of travel, down the lane: across the counting line (to
    // the right of left-to-right) and into the lane from its top edge.
    Dravik_GdiplusDrawLineLabelLine(left, countY, right, countY, 3, kCyan, 0, 0, dc);
    const int32_t region[] = {left, top, right, top, right, bottom, left, bottom};
    Dravik_GdiplusDrawRectLabelLine(4, region, 3, kCyan, 0, 0, dc);
    std::printf("  direction marks: across the counting line at (%d, %d), into "
                "the lane at (%d, %d)\n",
                (left + right) / 2, countY, (left + right) / 2, top);
    if (!vehicle.empty()) {
        Dravik_GdiplusDrawRectangleWithType(vehicle.x0 - 6, vehicle.y0 - 6, vehicle.x1 + 6,
                                            vehicle.y1 + 6, 2, kOrange, 0, 0, 0, 0, 0, 1, dc);
        std::vector<int32_t> points;
        for (const Box &b : track) {
            points.push_back(b.cx());
            points.push_back(b.cy());
        }
        Dravik_GdiplusDrawBrokenLine(uint32_t(track.size()), points.data(), 1, kWhite, 0,
                                     0, 0, dc);
        const std::string label = "车辆 " + std::to_string(vehicleNumber);
        Dravik_GdiplusOSD(uint32_t(std::max(0, vehicle.x0 - 6)),
                          uint32_t(std::max(0, vehicle.y0 - 36)), label.c_str(), 22,
                          kChineseFont, kWhite, 100, kOrange, 60, 0, 1, dc);
        std::printf("  brackets: (%d, %d) to (%d, %d); track of %zu points; label "
                    "at (%d, %d)\n",
                    vehicle.x0 - 6, vehicle.y0 - 6, vehicle.x1 + 6, vehicle.y1 + 6,
                    track.size(), std::max(0, vehicle.x0 - 6), std::max(0, vehicle.y0 - 36));
    }
    Dravik_GdiplusOSD(uint32_t(0.52 * w), uint32_t(0.18 * h), "drawn on a cairo context",
                      18, kLatinFont, kWhite, 100, kBlack, 50, 0, 1, dc);
    cairo_destroy(dc);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: overlay-demo <recording> [output-folder]\n");
        return 2;
    }
    const std::filesystem::path out = argc > 2 ? argv[2] : "overlay-demo-out";
    std::error_code ec;
    std::filesystem::create_directories(out, ec);

    av_log_set_level(AV_LOG_ERROR);
    VideoReader reader;
    if (!reader.open(argv[1])) {
        std::fprintf(stderr, "overlay-demo: %s\n", reader.error().c_str());
        return 1;
    }
    VideoWriter writer;
    const std::string video = (out / "overlay.ts").string();
    if (!writer.open(video, reader.width(), reader.height(), reader.frameRate())) {
        std::fprintf(stderr, "overlay-demo: %s\n", writer.error().c_str());
        return 1;
    }
    // On-screen text needs the text engine; the word contexts would keep it
    // running too, but a host that only draws on a context starts it itself.
    Dravik_StartTextEngine();

    const double fps = av_q2d(reader.frameRate());
    const int w = reader.width(), h = reader.height();
    const Box lane{int(kLaneLeft * w) + 4, int(kLaneTop * h) + 4, int(kLaneRight * w) - 4,
                   int(kLaneBottom * h) - 4};
    const int countY = int(kCountY * h);
    Scene scene;
    MotionBox motion;
    std::vector<Box> track;
    int frames = 0, counted = 0, vehicles = 0, pngs = 0, lastY = -1;
    bool ok = true;
    while (AVFrame *f = reader.next()) {
        const double seconds = frames / fps;
        const Box vehicle = motion.update(f, lane);
        if (vehicle.empty()) {
            track.clear();
            lastY = -1;
        } else {
            if (track.empty())
                ++vehicles;  // a new one, numbered as it comes in
            track.push_back(vehicle);
            if (track.size() > 12)
                track.erase(track.begin());
            if (lastY >= 0 && lastY < countY && vehicle.cy() >= countY)
                ++counted;
            lastY = vehicle.cy();
        }
        scene.draw(f, vehicle, counted, seconds);
        if (!writer.write(f)) {
            std::fprintf(stderr, "overlay-demo: %s\n", writer.error().c_str());
            ok = false;
            break;
        }
        for (double s : kPngSeconds)
            if (frames == int(s * fps)) {
                const std::string png = (out / ("frame-" + std::to_string(frames) + ".png")).string();
                std::printf("%s (%s):\n", png.c_str(), clockText(seconds).c_str());
                ok = writePng(f, vehicle, track, vehicles, png) && ok;
                ++pngs;
            }
        ++frames;
    }
    Dravik_StopTextEngine();
    if (ok && !writer.finish()) {
        std::fprintf(stderr, "overlay-demo: %s\n", writer.error().c_str());
        ok = false;
    }
    std::printf("%s: %d frames of %d x %d, %d vehicles counted, %d PNG frames\n",
                video.c_str(), frames, w, h, counted, pngs);
    std::printf("  lane (%d, %d) to (%d, %d), counting line at y %d\n", int(kLaneLeft * w),
                int(kLaneTop * h), int(kLaneRight * w), int(kLaneBottom * h), countY);
    return ok && frames > 0 ? 0 : 1;
}
