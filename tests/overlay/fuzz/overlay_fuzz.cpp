// Fuzz target for every export of the overlay library. An input is a frame
// header (width, height, layout) and then a sequence of calls, each an op
// byte and its arguments: the frame shapes, text through word contexts kept
// in four slots across the sequence (so render, reuse, change and release
// are all reached), the text engine's start and stop, new frames, the
// converter module present, missing or without its function, and the
// drawing-context family on a cairo image surface.
//
// Every buffer is allocated at exactly its size (planes without slack after
// the last row, strings with just their terminator, point arrays of exactly
// `count` pairs), so AddressSanitizer sees any access outside them. Beyond
// that the target checks what the sanitizers cannot see:
// - the padding between a plane's rows is never written;
// - a call that fails leaves the frame, or the surface, as it was;
// - the engine count is always the live contexts plus the host's starts,
//   and a failed call on an empty slot leaves the slot empty;
// - a drawing-context call leaves the host's pen, transform and status as
//   they were and its path holding at most the current point.
#include "Dravik.h"
#include "converter.h"
#include "text_engine.h"

#include <cairo.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A fault the sanitizers cannot see: abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                               \
    do {                                                                    \
        if (!(condition)) {                                                 \
            fprintf(stderr, "check failed: %s (line %d)\n", #condition,    \
                    __LINE__);                                              \
            abort();                                                        \
        }                                                                   \
    } while (0)

class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word()
    {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w |= uint32_t(byte()) << (8 * i);
        return w;
    }
    // Mostly fractions from -2 to 2 in steps of 1/32; now and then any float.
    float position()
    {
        const uint8_t b = byte();
        if (b == 0xFF) {
            const uint32_t w = word();
            float f;
            memcpy(&f, &w, sizeof f);
            return f;
        }
        return (int(b) - 64) / 32.0f;
    }
    // Mostly 0 .. limit - 1; 0xFF escapes to any 32-bit value.
    uint32_t small(uint32_t limit)
    {
        const uint8_t b = byte();
        return b == 0xFF ? word() : b % limit;
    }
    // Sizes and widths: mostly 0 .. limit - 1; 0xF0 .. 0xFE powers of two
    // from 1024 to 2^24; 0xFF any 32-bit value.
    uint32_t size(uint32_t limit)
    {
        const uint8_t b = byte();
        if (b >= 0xF0 && b < 0xFF)
            return 1u << (b - 0xF0 + 10);
        return b == 0xFF ? word() : b % limit;
    }
    uint32_t thickness() { return small(24); }
    // Drawing-context pixels: mostly -64 .. 188; 0xFD and 0xFE within 255
    // of the int32 limits, where sums and squares overflow; 0xFF any int32.
    int32_t coordinate()
    {
        const uint8_t b = byte();
        if (b == 0xFD)
            return INT32_MIN + byte();
        if (b == 0xFE)
            return INT32_MAX - byte();
        return b == 0xFF ? int32_t(word()) : int(b) - 64;
    }
    // Style and mark types: mostly -1 .. 3.
    int32_t type() { return int32_t(small(5) - 1u); }

private:
    const uint8_t *data_;
    size_t size_, pos_ = 0;
};

// A NUL-terminated string allocated at exactly its size, or null.
class Text {
public:
    const char *get() const { return null_ ? nullptr : bytes_.data(); }

    // Length byte n: below 0xE0, the next n bytes (NULs included, which
    // end the string early); 0xE0 .. 0xEF, a name from the table; 0xF0 ..
    // 0xFE, a 16-bit length (up to 2047) filled with a pattern of n - 0xEF
    // bytes, for over-long texts and names; 0xFF, a null pointer.
    static Text read(Input &in)
    {
        static const char *const kNames[] = {
            "DejaVu Sans", "dejavu sans", "WenQuanYi Micro Hei", "文泉驿微米黑",
            "DejaVuSans",  "Sans",        "No Such Family",      "Hello, 世界 12:34",
            "",
        };
        Text t;
        const uint8_t n = in.byte();
        std::vector<char> chars;
        if (n < 0xE0) {
            for (int i = 0; i < n; ++i)
                chars.push_back(char(in.byte()));
        } else if (n < 0xF0) {
            const char *name = kNames[(n - 0xE0) % (sizeof kNames / sizeof *kNames)];
            chars.assign(name, name + strlen(name));
        } else if (n < 0xFF) {
            const size_t length = (in.byte() | in.byte() << 8) % 2048;
            std::vector<char> pattern(n - 0xEF);
            for (char &c : pattern)
                c = char(in.byte());
            for (size_t i = 0; i < length; ++i)
                chars.push_back(pattern[i % pattern.size()]);
        } else {
            t.null_ = true;
        }
        chars.push_back('\0');
        t.bytes_.assign(chars.begin(), chars.end());
        t.bytes_.shrink_to_fit();
        return t;
    }

private:
    std::vector<char> bytes_;
    bool null_ = false;
};

constexpr uint8_t kGuard = 0xA5;

struct Plane {
    std::vector<uint8_t> bytes;
    int width = 0, rows = 0, stride = 0;  // stride: its magnitude
};

// A frame of fuzzed geometry. Layout byte: bits 0-2 row padding, bit 3
// bottom-up planes, bit 4 a stride too small for its rows (bits 6-7 say
// which; 3 is the stride that is not read). Extra byte (new frames only):
// bit 0 four times the size, bits 1 and 2 a negative width or height.
class Frame {
public:
    Frame(int width, int height, uint8_t layout, uint8_t extra = 0)
    {
        if (extra & 1) {
            width *= 4;
            height *= 4;
        }
        frame_.width = extra & 2 ? -width : width;
        frame_.height = extra & 4 ? -height : height;
        if (frame_.width <= 0 || frame_.height <= 0)
            return;
        const int pad = layout & 7;
        const bool bottomUp = layout & 8;
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        const int widths[3] = {width, cw, cw}, rows[3] = {height, ch, ch};
        for (int i = 0; i < 3; ++i) {
            Plane &p = planes_[i];
            p.width = widths[i];
            p.rows = rows[i];
            p.stride = widths[i] + pad;
            // Exactly the bytes the rows need: no slack after the last one.
            p.bytes.assign(size_t(p.stride) * (p.rows - 1) + p.width, kGuard);
            p.bytes.shrink_to_fit();
            frame_.plane[i] = bottomUp
                                  ? p.bytes.data() + size_t(p.stride) * (p.rows - 1)
                                  : p.bytes.data();
            frame_.stride[i] = bottomUp ? -p.stride : p.stride;
        }
        if (layout & 16) {  // refused by every call
            int32_t &stride = frame_.stride[layout >> 6];
            stride += stride > 0 ? -1 - pad : 1 + pad;
        }
    }
    Frame(const Frame &) = delete;
    Frame &operator=(const Frame &) = delete;
    ~Frame()
    {
        // No sample of the padding between rows is part of the picture.
        for (const Plane &p : planes_)
            for (int r = 0; r + 1 < p.rows; ++r)
                for (int c = p.width; c < p.stride; ++c)
                    FUZZ_CHECK(p.bytes[size_t(r) * p.stride + c] == kGuard);
    }

    DravikFrame *get() { return &frame_; }
    std::vector<uint8_t> snapshot() const
    {
        std::vector<uint8_t> all;
        for (const Plane &p : planes_)
            all.insert(all.end(), p.bytes.begin(), p.bytes.end());
        return all;
    }

private:
    DravikFrame frame_{};
    Plane planes_[3];
};

// Whether the frame is untouched when `rc` reports a failure.
void checkUnchangedOnFailure(int rc, const Frame &frame,
                             const std::vector<uint8_t> &before)
{
    if (rc != DRAVIK_OK)
        FUZZ_CHECK(frame.snapshot() == before);
}

// A host's cairo context on a 64 x 64 surface, with a pen and a current
// point of its own that every call must leave as they are.
class Canvas {
public:
    Canvas() { reset(); }
    ~Canvas()
    {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    void reset()
    {
        if (cr_)
            cairo_destroy(cr_);
        if (!surface_)
            surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
        cr_ = cairo_create(surface_);
        cairo_set_source_rgba(cr_, 0.25, 0.5, 0.75, 0.5);
        cairo_set_line_width(cr_, 7);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_BEVEL);
        cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GRAY);
        const double dash = 3;
        cairo_set_dash(cr_, &dash, 1, 0);
        cairo_move_to(cr_, -7, -9);
        null_ = false;
    }

    // Op argument m: 0 a fresh context, 1 a translation, 2 a scale (0 puts
    // the context in cairo's error state), 3 no context at all.
    void change(Input &in)
    {
        static const double kScales[] = {0, -1, 0.25, 4, 1.0 / 64, 1e-6, 1e6, 2};
        switch (in.byte() % 4) {
        case 0:
            reset();
            break;
        case 1: {
            const int dx = int8_t(in.byte()), dy = int8_t(in.byte());
            cairo_translate(cr_, dx, dy);
            break;
        }
        case 2: {
            const double sx = kScales[in.byte() % 8], sy = kScales[in.byte() % 8];
            cairo_scale(cr_, sx, sy);
            break;
        }
        default:
            null_ = true;
        }
    }

    DravikDC dc() const { return null_ ? nullptr : cr_; }

    // What a call may not change, and what the surface held before it.
    struct State {
        double r = 0, g = 0, b = 0, a = 0, width = 0, x = 0, y = 0;
        cairo_line_cap_t cap{};
        cairo_line_join_t join{};
        cairo_antialias_t antialias{};
        cairo_matrix_t matrix{};
        cairo_status_t status{};
        int dashes = 0;
        std::vector<uint8_t> pixels;
    };
    State state() const
    {
        State s;
        s.status = cairo_status(cr_);
        // A context in its error state hands out a new error pattern as its
        // source on every call (never freed): it has no pen to compare.
        if (s.status == CAIRO_STATUS_SUCCESS)
            cairo_pattern_get_rgba(cairo_get_source(cr_), &s.r, &s.g, &s.b, &s.a);
        s.width = cairo_get_line_width(cr_);
        s.cap = cairo_get_line_cap(cr_);
        s.join = cairo_get_line_join(cr_);
        s.antialias = cairo_get_antialias(cr_);
        cairo_get_matrix(cr_, &s.matrix);
        s.dashes = cairo_get_dash_count(cr_);
        cairo_get_current_point(cr_, &s.x, &s.y);
        cairo_surface_flush(surface_);
        const uint8_t *data = cairo_image_surface_get_data(surface_);
        s.pixels.assign(data, data + cairo_image_surface_get_stride(surface_) * 64);
        return s;
    }

    // `keepsPoint`: the call must leave the current point where it was (it
    // failed, or it draws text).
    void check(const State &before, int rc, bool keepsPoint) const
    {
        const State after = state();
        FUZZ_CHECK(after.status == before.status);
        FUZZ_CHECK(after.r == before.r && after.g == before.g &&
                   after.b == before.b && after.a == before.a);
        FUZZ_CHECK(after.width == before.width && after.cap == before.cap &&
                   after.join == before.join &&
                   after.antialias == before.antialias &&
                   after.dashes == before.dashes);
        FUZZ_CHECK(memcmp(&after.matrix, &before.matrix, sizeof after.matrix) == 0);
        if (rc != DRAVIK_OK)
            FUZZ_CHECK(after.pixels == before.pixels);
        if (keepsPoint || rc != DRAVIK_OK)
            FUZZ_CHECK(after.x == before.x && after.y == before.y);
        // Nothing of ours is left in the path: at most the current point.
        cairo_path_t *path = cairo_copy_path(cr_);
        if (path->status == CAIRO_STATUS_SUCCESS)
            FUZZ_CHECK(path->num_data == 0 ||
                       (path->num_data == 2 &&
                        path->data[0].header.type == CAIRO_PATH_MOVE_TO));
        cairo_path_destroy(path);
    }

private:
    cairo_surface_t *surface_ = nullptr;
    cairo_t *cr_ = nullptr;
    bool null_ = false;
};

// Exactly `count` pairs, or null (a null array with a non-zero count is
// refused). Count byte: bits 0-4 the count (up to 20), bit 7 null points.
struct Points {
    std::vector<int32_t> xy;
    bool null = false;
    uint32_t count() const { return uint32_t(xy.size() / 2); }
    const int32_t *get() const { return null ? nullptr : xy.data(); }
};

Points readPoints(Input &in)
{
    const uint8_t b = in.byte();
    Points p;
    p.xy.resize(2 * ((b & 31) % 21));
    p.xy.shrink_to_fit();
    for (int32_t &v : p.xy)
        v = in.coordinate();
    p.null = b & 0x80;
    return p;
}

// The sequence's own state: the frame, the context slots, the host's starts
// of the text engine and the drawing context.
class Session {
public:
    explicit Session(Input &in) : in_(in)
    {
        const int width = in.byte() % 97, height = in.byte() % 97;
        frame_ = new Frame(width, height, in.byte());
        dravik::setConverterFolderForTesting(DRAVIK_OUTPUT_DIR);
    }
    ~Session()
    {
        for (DravikWordContext *&slot : slots_)
            Dravik_DrawEnd(&slot);
        for (; hostStarts_ > 0; --hostStarts_)
            Dravik_StopTextEngine();
        FUZZ_CHECK(dravik::engineRefCount.load() == 0);
        delete frame_;
        delete canvas_;
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    void step()
    {
        const int op = in_.byte() % 18;
        switch (op) {
        case 0: line(); break;
        case 1: rectangle(); break;
        case 2: polygon(); break;
        case 3: word(); break;
        case 4: end(); break;
        case 5:
            FUZZ_CHECK(Dravik_StartTextEngine() == DRAVIK_OK);
            ++hostStarts_;
            break;
        case 6:  // also without a start of its own: ignored then
            Dravik_StopTextEngine();
            if (hostStarts_ > 0)
                --hostStarts_;
            break;
        case 7: {
            const int width = in_.byte() % 97, height = in_.byte() % 97;
            const uint8_t layout = in_.byte(), extra = in_.byte();
            delete frame_;
            frame_ = nullptr;
            frame_ = new Frame(width, height, layout, extra);
            break;
        }
        case 8: converter(); break;
        case 17: canvas().change(in_); break;
        default: dc(op - 9); break;  // ops 9 to 16
        }
        FUZZ_CHECK(dravik::engineRefCount.load() == liveSlots() + hostStarts_);
    }

private:
    void line()
    {
        const float x1 = in_.position(), y1 = in_.position();
        const float x2 = in_.position(), y2 = in_.position();
        const uint32_t t = in_.thickness(), colour = in_.word();
        const auto before = frame_->snapshot();
        checkUnchangedOnFailure(
            Dravik_DrawLine(x1, y1, x2, y2, t, colour, frame_->get(), 0), *frame_,
            before);
    }
    void rectangle()
    {
        const float x1 = in_.position(), y1 = in_.position();
        const float x2 = in_.position(), y2 = in_.position();
        const uint32_t t = in_.thickness(), colour = in_.word();
        const int32_t fill = in_.byte() % 3;
        const auto before = frame_->snapshot();
        checkUnchangedOnFailure(Dravik_DrawRectangle(x1, y1, x2, y2, t, colour, 0,
                                                     fill, frame_->get(), 0),
                                *frame_, before);
    }
    // Count byte: the count modulo 8, bit 7 no points at all.
    void polygon()
    {
        const uint8_t count = in_.byte();
        std::vector<float> points(2 * (count % 8));
        points.shrink_to_fit();
        for (float &p : points)
            p = in_.position();
        const uint32_t t = in_.thickness(), colour = in_.word();
        const auto before = frame_->snapshot();
        checkUnchangedOnFailure(
            Dravik_DrawPloygon(uint32_t(points.size() / 2),
                               count & 0x80 ? nullptr : points.data(), t, colour,
                               0, 0, frame_->get(), 0),
            *frame_, before);
    }

    // Flags: slot (flags % 5; 4 is no slot), bit 7 no frame.
    void word()
    {
        const uint8_t flags = in_.byte();
        const float x = in_.position(), y = in_.position();
        const uint32_t lineWidth = in_.byte(), backColor = in_.word();
        const Text text = Text::read(in_);
        const uint32_t fontSize = in_.small(256);
        const Text font = Text::read(in_);
        const uint32_t textColor = in_.word();
        DravikWordContext **slot = flags % 5 < 4 ? &slots_[flags % 5] : nullptr;
        const bool wasEmpty = slot && !*slot;
        DravikFrame *frame = flags & 0x80 ? nullptr : frame_->get();
        const auto before = frame_->snapshot();
        const int rc = Dravik_DrawWord(x, y, 0, 0, lineWidth, backColor,
                                       text.get(), fontSize, 0, font.get(),
                                       textColor, frame, slot, 0);
        checkUnchangedOnFailure(rc, *frame_, before);
        // A context that rendered is kept even when it cannot be placed
        // (a frame of negative size); any other failure keeps none.
        if (wasEmpty && rc != DRAVIK_OK && rc != DRAVIK_E_POSITION)
            FUZZ_CHECK(*slot == nullptr);
    }

    // Which: 0-3 a slot, 4 a slot holding null, 5 a null pointer.
    void end()
    {
        const uint8_t which = in_.byte() % 6;
        DravikWordContext *none = nullptr;
        if (which < 4) {
            Dravik_DrawEnd(&slots_[which]);
            FUZZ_CHECK(slots_[which] == nullptr);
        } else if (which == 4) {
            Dravik_DrawEnd(&none);
        } else {
            Dravik_DrawEnd(nullptr);
        }
    }

    void converter()
    {
        static const char *const kFolders[] = {DRAVIK_OUTPUT_DIR,
                                               MISSING_CONVERTER_DIR,
                                               NOSYM_CONVERTER_DIR};
        dravik::setConverterFolderForTesting(kFolders[in_.byte() % 3]);
    }

    Canvas &canvas()
    {
        if (!canvas_)
            canvas_ = new Canvas;
        return *canvas_;
    }

    // Calls 0 to 7: line, rectangle, typed rectangle, polygon, broken line,
    // line mark, region mark, on-screen text.
    void dc(int call)
    {
        Canvas &c = canvas();
        const auto before = c.state();
        int rc = DRAVIK_OK;
        bool keepsPoint = false;
        if (call == 0) {
            const int32_t x1 = in_.coordinate(), y1 = in_.coordinate();
            const int32_t x2 = in_.coordinate(), y2 = in_.coordinate();
            const uint32_t width = in_.size(8), colour = in_.word();
            rc = Dravik_GdiplusDrawLine(x1, y1, x2, y2, width, colour, 0, 0, 0,
                                        c.dc());
        } else if (call == 1 || call == 2) {
            const int32_t x1 = in_.coordinate(), y1 = in_.coordinate();
            const int32_t x2 = in_.coordinate(), y2 = in_.coordinate();
            const uint32_t width = in_.size(8), colour = in_.word();
            rc = call == 1 ? Dravik_GdiplusDrawRectangle(x1, y1, x2, y2, width,
                                                         colour, 0, 0, 0, 0, 0,
                                                         c.dc())
                           : Dravik_GdiplusDrawRectangleWithType(
                                 x1, y1, x2, y2, width, colour, 0, 0, 0, 0, 0,
                                 in_.type(), c.dc());
        } else if (call == 3 || call == 4) {
            const Points p = readPoints(in_);
            const uint32_t width = in_.size(8), colour = in_.word();
            rc = call == 3 ? Dravik_GdiplusDrawPloygon(p.count(), p.get(), width,
                                                       colour, 0, 0, 0, 0, 0,
                                                       c.dc())
                           : Dravik_GdiplusDrawBrokenLine(p.count(), p.get(),
                                                          width, colour, 0, 0, 0,
                                                          c.dc());
        } else if (call == 5) {
            const int32_t x1 = in_.coordinate(), y1 = in_.coordinate();
            const int32_t x2 = in_.coordinate(), y2 = in_.coordinate();
            const uint32_t width = in_.size(8), colour = in_.word();
            rc = Dravik_GdiplusDrawLineLabelLine(x1, y1, x2, y2, width, colour, 0,
                                                 in_.type(), c.dc());
        } else if (call == 6) {
            const Points p = readPoints(in_);
            const uint32_t width = in_.size(8), colour = in_.word();
            rc = Dravik_GdiplusDrawRectLabelLine(p.count(), p.get(), width, colour,
                                                 0, in_.type(), c.dc());
        } else {
            const uint32_t x = uint32_t(in_.coordinate());
            const uint32_t y = uint32_t(in_.coordinate());
            const Text text = Text::read(in_);
            const uint32_t fontSize = in_.size(64);
            const Text font = Text::read(in_);
            const uint32_t textColor = in_.word(), textOpacity = in_.small(101);
            const uint32_t boxColor = in_.word(), boxOpacity = in_.small(101);
            const int32_t boxSwitch = in_.type();
            rc = Dravik_GdiplusOSD(x, y, text.get(), fontSize, font.get(),
                                   textColor, textOpacity, boxColor, boxOpacity,
                                   0, boxSwitch, c.dc());
            keepsPoint = true;
        }
        if (c.dc())
            c.check(before, rc, keepsPoint);
        else
            FUZZ_CHECK(rc == DRAVIK_E_PARAM || rc == DRAVIK_OK);
    }

    uint32_t liveSlots() const
    {
        uint32_t n = 0;
        for (const DravikWordContext *slot : slots_)
            n += slot != nullptr;
        return n;
    }

    Input &in_;
    Frame *frame_ = nullptr;
    Canvas *canvas_ = nullptr;
    DravikWordContext *slots_[4] = {};
    uint32_t hostStarts_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    Session session(in);
    while (!in.empty())
        session.step();
    return 0;
}
