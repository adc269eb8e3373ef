/*
 * Dravik: overlays drawn into decoded YUV 4:2:0 (I420) video frames, or on a
 * drawing context.
 *
 * Shapes (lines, rectangles, polygons) are rasterised straight into the
 * frame's Y, U and V planes; text is rendered off screen once, converted to
 * YUV and cached in a word context, then copied into every frame that shows
 * it. The device-context family draws pen shapes, direction marks and
 * translucent text on a drawing context (see its section below): a cairo
 * context on Linux, an HDC on Windows.
 *
 * Conventions shared by every export:
 * - Colours are COLORREF values, 0x00BBGGRR: byte 0 red, byte 1 green,
 *   byte 2 blue; the top byte is not read.
 * - Frame positions are floats that are fractions of the frame: x of its
 *   width, y of its height, 0.0 the left or top edge, 1.0 the right or bottom
 *   edge. A fraction becomes a pixel by multiplying it with the width or
 *   height in double precision and truncating toward zero (0.7f of 80 is
 *   column 55). Fractions below 0 or above 1 are allowed: whatever falls
 *   outside the frame is clipped away, never written.
 * - Arguments marked "unused" are part of the interface: pass anything, they
 *   are not read.
 * - Every export returns one of the DRAVIK_ codes below (0 on success, also
 *   when nothing needed drawing). No export keeps a pointer it was given.
 * - Texts and font names are NUL-terminated UTF-8 on Linux and in the
 *   system's ANSI code page on Windows (converted to UTF-16 with CP_ACP).
 *   Invalid bytes in a text are drawn as replacement characters.
 * - On Windows every export is __stdcall; the 32-bit Dravik.dll exports
 *   them under their decorated names, "_Dravik_DrawLine@32" and so on (an
 *   underscore, the name, "@" and four bytes per argument), which the import
 *   library maps these declarations to. DravikFrame is ten 32-bit fields
 *   there. The 32-bit DLL computes in SSE2 (it needs a processor that has
 *   it), so every build gives the same pixels whatever the host did to the
 *   x87 unit's precision or rounding.
 */
#ifndef DRAVIK_H
#define DRAVIK_H

#include <stdint.h>

/* DRAVIK_BUILDING is defined while the library itself is compiled: its
 * exports are then marked for export; a host including this header gets the
 * use form (imports from the DLL on Windows, nothing elsewhere). The 32-bit
 * DLL names its exports in a module-definition file instead, since the
 * compiler's own export names lack the leading underscore. */
#if defined(_WIN32)
#if !defined(DRAVIK_BUILDING)
#define DRAVIK_API __declspec(dllimport)
#elif defined(_WIN64)
#define DRAVIK_API __declspec(dllexport)
#else
#define DRAVIK_API
#endif
#elif defined(DRAVIK_BUILDING)
#define DRAVIK_API __attribute__((visibility("default")))
#else
#define DRAVIK_API
#endif

/* The calling convention of every export. */
#if defined(_WIN32)
#define DRAVIK_CALL __stdcall
#else
#define DRAVIK_CALL
#endif

#if defined(_WIN32)
/* The drawing context of the device-context family: the host's HDC.
 * windows.h declares HDC as a pointer to struct HDC__ (with STRICT, its
 * default), so this is the same type, and a host may include this header
 * with or without windows.h. */
struct HDC__;
typedef struct HDC__ *DravikDC;
#else
/* The drawing context of the device-context family: a cairo_t * here (what
 * a GTK widget's draw handler, a cairo overlay element or a cairo image
 * surface over the host's own pixels gives). cairo_t is cairo's struct
 * _cairo; naming the struct rather than repeating cairo's typedef lets a
 * host include this header with or without cairo's, in any order. */
struct _cairo;
typedef struct _cairo *DravikDC;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes. The colour converter's own non-zero failure codes are passed
 * on unchanged by Dravik_DrawWord, so any other non-zero value is one of
 * those. */
enum {
    DRAVIK_OK = 0,               /* success, also when nothing was drawn */
    DRAVIK_E_PARAM = 1001,       /* an argument is missing or invalid */
    DRAVIK_E_NOMEM = 1002,       /* no memory for the text surface's buffers */
    DRAVIK_E_CONVERTER = 1003,   /* the colour converter module does not load
                                    or lacks DSP_bgr24toyuv420 */
    DRAVIK_E_CONTEXT = 1104,     /* a word context cannot be allocated */
    DRAVIK_E_NO_GRAPHICS = 1202, /* the text surface has nothing to draw with
                                    (not returned by this build: text is
                                    measured without a surface) */
    DRAVIK_E_BITMAP = 1203,      /* the text surface cannot be created: the
                                    text box is wider or taller than 16383
                                    pixels or larger than 2^24 pixels */
    DRAVIK_E_NO_IMAGE = 1301,    /* the word context holds no converted text */
    DRAVIK_E_POSITION = 1303     /* the text position is outside the frame
                                    (a frame of negative size) */
};

/*
 * A YUV 4:2:0 frame, owned by the caller.
 *
 * plane[0] is the luma plane, width x height samples; plane[1] (U, Cb) and
 * plane[2] (V, Cr) are (width + 1) / 2 x (height + 1) / 2 samples, so luma
 * column c and row r are covered by chroma column c / 2, row r / 2.
 * stride[i] is the distance in bytes from one row of plane i to the next; its
 * magnitude must be at least the plane's width (a negative stride walks a
 * bottom-up plane whose pointer is its top row). plane[3] and stride[3] are
 * not read.
 *
 * A frame with width or height of 0 or less is empty: shapes draw nothing
 * into it. Otherwise planes 0 to 2 must be non-null.
 */
typedef struct DravikFrame {
    uint8_t *plane[4];
    int32_t stride[4];
    int32_t width;
    int32_t height;
} DravikFrame;

/* Opaque text overlay cache; see Dravik_DrawWord. */
typedef struct DravikWordContext DravikWordContext;

/* ---- Shapes in a frame -------------------------------------------------- */
/*
 * The shapes overwrite samples (no blending). Chroma is written only from
 * even luma rows, once per pair of rows.
 */

/*
 * A line from (x1, y1) to (x2, y2), thickness in pixels.
 * - Horizontal: rows y .. y + thickness - 1, columns x1 .. x2 - 1.
 * - Vertical and steep lines: each row gets a run of `thickness` samples
 *   starting at the line, and the line goes on for `thickness` rows past its
 *   lower end.
 * - Shallow lines (wider than tall) are drawn `thickness` times, each copy
 *   one row lower.
 * - Both ends on one pixel, or a thickness of 0: nothing is drawn.
 * Returns DRAVIK_OK, or DRAVIK_E_PARAM for a null frame, a frame whose non-
 * empty planes are null or whose strides are too small, or a NaN position.
 */
DRAVIK_API int DRAVIK_CALL Dravik_DrawLine(float x1, float y1, float x2,
                                           float y2, uint32_t thickness,
                                           uint32_t color, DravikFrame *frame,
                                           uint32_t unused8);

/*
 * A rectangle with opposite corners (x1, y1) and (x2, y2) and a border of
 * `thickness` pixels that grows right and down: the outer extent is columns
 * xmin .. xmax + thickness - 1 and rows ymin .. ymax + thickness - 1, cut at
 * the frame's edges.
 * fill == 1 (exactly) also fills every even row inside the border with the
 * colour, a striped see-through fill whose chroma covers the whole inside;
 * any other value draws the border only.
 * Returns as Dravik_DrawLine.
 */
DRAVIK_API int DRAVIK_CALL Dravik_DrawRectangle(
    float x1, float y1, float x2, float y2, uint32_t thickness, uint32_t color,
    uint32_t unused7, int32_t fill, DravikFrame *frame, uint32_t unused10);

/*
 * A closed polygon: a line as Dravik_DrawLine from each point to the next and
 * from the last back to the first. `points` holds `count` pairs of floats
 * (x, y), fractions of the frame; it is read, not kept. Fewer than two points
 * draw nothing; two points draw their segment there and back.
 * Returns DRAVIK_OK, or DRAVIK_E_PARAM as Dravik_DrawLine and for null
 * points with a non-zero count (nothing is drawn then).
 */
DRAVIK_API int DRAVIK_CALL Dravik_DrawPloygon(
    uint32_t count, const float *points, uint32_t thickness, uint32_t color,
    uint32_t unused5, uint32_t unused6, DravikFrame *frame, uint32_t unused8);

/* ---- Text in a frame ---------------------------------------------------- */

/*
 * Draws `text` in a bold font over an opaque box of `backColor` and copies
 * the box into `frame` with its top-left corner at (x, y).
 *
 * x, y: fractions of the frame, kept in ten-thousandths modulo 10000, so 1.0
 *   wraps to 0. A box that would reach past the right or bottom edge is moved
 *   left or up until it fits; a box larger than the frame is cut.
 * lineWidth: not drawn with; a change of it renders the text again.
 * text: 1 to 255 bytes (UTF-8, or ANSI on Windows).
 * fontSize: pixels, 1 to 255, taken from the argument's lowest byte.
 * fontName: 1 to 31 bytes, a font family installed on the system (matched
 *   case-insensitively in ASCII; localised names work); a name that matches
 *   no family draws in the generic sans-serif family.
 * textColor, backColor: COLORREF.
 * slot: the caller's place for this overlay's context, or null. Start with a
 *   null DravikWordContext*; the first call stores a context there, later
 *   calls reuse it and render again only when the text, font, size, colours
 *   or lineWidth changed (a new position only copies). Release it with
 *   Dravik_DrawEnd. With a null slot every call renders and releases a
 *   context of its own.
 *
 * Rendering converts the text image with DSP_bgr24toyuv420 from
 * libVelmo_dsp_video_mjpeg.so (Velmo_dsp_video_mjpeg.dll on Windows), loaded
 * from this library's own folder for each conversion and released again.
 *
 * Returns DRAVIK_OK when the box was copied into the frame; DRAVIK_E_PARAM
 * for a missing or empty text or font name, a text of 256 bytes or more, a
 * font name of 32 bytes or more, a font size of 0, an invalid frame (see
 * Dravik_DrawLine) or a position that is NaN or infinite; DRAVIK_E_CONTEXT,
 * DRAVIK_E_NOMEM, DRAVIK_E_BITMAP or DRAVIK_E_CONVERTER when rendering could
 * not be done; DRAVIK_E_POSITION for a frame of negative size; or the
 * converter's own non-zero result. A call whose rendering failed leaves an
 * empty slot empty; a context already in the slot stays there and is
 * rendered again by its next call. After DRAVIK_E_POSITION the rendered
 * context is kept in the slot. Nothing is drawn into the frame on failure.
 *
 * Calls on different contexts may run on different threads at once; one
 * context is used by one thread at a time.
 */
DRAVIK_API int DRAVIK_CALL Dravik_DrawWord(
    float x, float y, uint32_t unused3, uint32_t unused4, uint32_t lineWidth,
    uint32_t backColor, const char *text, uint32_t fontSize, uint32_t unused9,
    const char *fontName, uint32_t textColor, DravikFrame *frame,
    DravikWordContext **slot, uint32_t unused14);

/*
 * Releases the context in *slot and sets *slot to null. A null slot, or a
 * slot holding null, is left alone. Not to be called while another thread
 * draws with the same context.
 */
DRAVIK_API void DRAVIK_CALL Dravik_DrawEnd(DravikWordContext **slot);

/* ---- Drawing on a device context ---------------------------------------- */
/*
 * These calls draw on a cairo context that the host passes with each call
 * (on Windows an HDC, drawn on with a GDI pen and, for the text, GDI+).
 * Positions are int32 pixels in the context's user space: its transform
 * applies, and negative positions are fine where the context shows them.
 *
 * The pen calls (all but Dravik_GdiplusOSD) draw with one solid pen of
 * `penWidth` pixels and `color` (COLORREF) for the length of the call,
 * without antialiasing, so that pixels land where the coordinates say: a
 * width of 0 draws as 1 (a one-pixel line ends just before its end point),
 * widths above 1 have round caps and joins (on Linux a pen wider than
 * 2^23 device pixels is drawn that wide, which covers any surface it
 * passes). Afterwards the context's
 * source, line width, caps, joins, dash and antialias are as before, its
 * path holds nothing but the current point, and that point is the last
 * point drawn to (a call that drew nothing leaves the context alone).
 * On Windows the pen is a GDI pen (CreatePen, PS_SOLID, with the whole
 * COLORREF), selected into the HDC for the call and the HDC's own pen
 * selected back afterwards; the current position is the last point drawn to.
 *
 * Point arrays hold `count` pairs of int32 (x, then y); they are read, not
 * kept. A null context, or a null point array with a non-zero count, draws
 * nothing and returns DRAVIK_E_PARAM.
 */

/* A line from (x1, y1) to (x2, y2). Returns DRAVIK_OK. */
DRAVIK_API int DRAVIK_CALL
Dravik_GdiplusDrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       uint32_t penWidth, uint32_t color, uint32_t unused7,
                       uint32_t unused8, uint32_t unused9, DravikDC dc);

/* The outline of the rectangle with opposite corners (x1, y1) and (x2, y2),
 * drawn from (x1, y1) through (x2, y1), (x2, y2) and (x1, y2) back to
 * (x1, y1). Returns DRAVIK_OK. */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawRectangle(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t unused7, uint32_t unused8, uint32_t unused9,
    uint32_t unused10, uint32_t unused11, DravikDC dc);

/* style 0: as Dravik_GdiplusDrawRectangle. style 1: corner brackets, each
 * side cut into thirds (by integer division) and its middle third left open,
 * so (0, 0) to (30, 60) leaves x 10..20 open on the top and bottom and
 * y 20..40 on the sides. Returns DRAVIK_OK, or DRAVIK_E_PARAM for any other
 * style (nothing drawn). */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawRectangleWithType(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t unused7, uint32_t unused8, uint32_t unused9,
    uint32_t unused10, uint32_t unused11, int32_t style, DravikDC dc);

/* A closed polygon: from each point to the next and from the last back to
 * the first (two points draw their segment there and back). No points draw
 * nothing. Returns DRAVIK_OK. */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawPloygon(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t unused5, uint32_t unused6, uint32_t unused7, uint32_t unused8,
    uint32_t unused9, DravikDC dc);

/* An open polyline through the points in order; fewer than two points draw
 * nothing and leave the context alone. Returns DRAVIK_OK. */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawBrokenLine(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t unused5, uint32_t unused6, uint32_t unused7, DravikDC dc);

/*
 * A direction mark across the middle of the line from A = (x1, y1) to
 * B = (x2, y2), not the line itself: a 44-pixel shaft square to the line
 * through its middle M, ending 22 pixels either side of it, with 10-pixel
 * wings at 45 degrees. Each offset from M is truncated toward zero: the line
 * (0, 0) to (100, 0) has its shaft from (50, -22) to (50, 22).
 * markType 0: the arrow points to the right-hand side of A to B (on a
 *   screen whose y grows downward); 1: to the left; 2: heads at both ends.
 * Any other type draws nothing. Returns DRAVIK_OK.
 */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawLineLabelLine(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t unused7, int32_t markType, DravikDC dc);

/*
 * A direction mark, as Dravik_GdiplusDrawLineLabelLine, across the middle
 * of a region's first edge, from point 0 to point 1 of the `count` points.
 * markType 0: the arrow points into the region (at the end of the shaft
 *   nearer the centroid of the points, the right-hand one on a tie);
 *   1: out of it (the farther end, the left-hand one on a tie); 2: heads at
 *   both ends. Any other type draws nothing and returns DRAVIK_OK before the
 * points are looked at.
 * Returns DRAVIK_OK, or DRAVIK_E_PARAM for fewer than two points (a region
 * of one point has no first edge; its array is not read past that point).
 */
DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawRectLabelLine(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t unused5, int32_t markType, DravikDC dc);

/*
 * Text on the context with its layout origin at (x, y), in the family named
 * `fontName` (matched as for Dravik_DrawWord, but with no fallback: a name
 * that names no installed family draws nothing), regular weight,
 * `fontSize` pixels. Texts and font names longer than 512 UTF-16 code units
 * are cut there (never inside a character). On Linux the text is laid out at
 * the size it is drawn at on the device (the size times the context's
 * larger scale), so any size shows that comes to at most 32767 device
 * pixels there. A size of 0, or one the text engine cannot make at the
 * context's scale (on Linux: above 32767 device pixels, or below 1/1024),
 * draws nothing and leaves the context usable.
 * textOpacity, boxOpacity: percent, 0..100; alpha is opacity * 255 / 100 in
 *   unsigned integer arithmetic, its low byte taken (50 gives 127).
 * boxSwitch: exactly 1 first fills the text's box (the extent it is laid
 *   out in, from its origin) in boxColor, when boxOpacity is not 0; any other
 *   value draws no box. The text is drawn over it when textOpacity is not 0.
 * Colours are COLORREF; the result blends with what the context holds.
 * Draws only while the text engine runs (a live word context keeps it
 * running, or Dravik_StartTextEngine); otherwise nothing. The context's
 * state, path and current point are as before afterwards.
 * Returns DRAVIK_OK, or DRAVIK_E_PARAM for a null context, text or font
 * name (nothing drawn).
 */
DRAVIK_API int DRAVIK_CALL
Dravik_GdiplusOSD(uint32_t x, uint32_t y, const char *text, uint32_t fontSize,
                  const char *fontName, uint32_t textColor,
                  uint32_t textOpacity, uint32_t boxColor, uint32_t boxOpacity,
                  uint32_t unused10, int32_t boxSwitch, DravikDC dc);

/*
 * The text engine runs while a word context lives or the host has started
 * it: each Dravik_StartTextEngine counts as one more user until its
 * Dravik_StopTextEngine. A host that draws on-screen text without any word
 * context starts it once and stops it when done. Stops without a matching
 * start are ignored. Dravik_StartTextEngine returns DRAVIK_OK.
 * On Linux what the engine sets up (fontconfig, Pango's font map, the list
 * of installed families, the converter's libraries) is made by its first
 * start and kept for the process, so starting and stopping it again costs
 * next to nothing (an uncached Dravik_DrawWord with no context alive is
 * about as fast as with one); fonts installed later are seen by the next
 * process.
 */
DRAVIK_API int DRAVIK_CALL Dravik_StartTextEngine(void);
DRAVIK_API void DRAVIK_CALL Dravik_StopTextEngine(void);

#ifdef __cplusplus
}
#endif

#endif /* DRAVIK_H */
