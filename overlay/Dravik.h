/*
 * Dravik: overlays drawn into decoded YUV 4:2:0 (I420) video frames.
 *
 * Shapes (lines, rectangles, polygons) are rasterised straight into the
 * frame's Y, U and V planes; text is rendered off screen once, converted to
 * YUV and cached in a word context, then copied into every frame that shows
 * it.
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
 * - Texts and font names are NUL-terminated UTF-8. Invalid bytes in a text
 *   are drawn as replacement characters.
 */
#ifndef DRAVIK_H
#define DRAVIK_H

#include <stdint.h>

#if defined(_WIN32)
#define DRAVIK_API __declspec(dllexport)
#else
#define DRAVIK_API __attribute__((visibility("default")))
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
DRAVIK_API int Dravik_DrawLine(float x1, float y1, float x2, float y2,
                               uint32_t thickness, uint32_t color,
                               DravikFrame *frame, uint32_t unused8);

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
DRAVIK_API int Dravik_DrawRectangle(float x1, float y1, float x2, float y2,
                                    uint32_t thickness, uint32_t color,
                                    uint32_t unused7, int32_t fill,
                                    DravikFrame *frame, uint32_t unused10);

/*
 * A closed polygon: a line as Dravik_DrawLine from each point to the next and
 * from the last back to the first. `points` holds `count` pairs of floats
 * (x, y), fractions of the frame; it is read, not kept. Fewer than two points
 * draw nothing; two points draw their segment there and back.
 * Returns DRAVIK_OK, or DRAVIK_E_PARAM as Dravik_DrawLine and for null
 * points with a non-zero count (nothing is drawn then).
 */
DRAVIK_API int Dravik_DrawPloygon(uint32_t count, const float *points,
                                  uint32_t thickness, uint32_t color,
                                  uint32_t unused5, uint32_t unused6,
                                  DravikFrame *frame, uint32_t unused8);

/* ---- Text in a frame ---------------------------------------------------- */

/*
 * Draws `text` in a bold font over an opaque box of `backColor` and copies
 * the box into `frame` with its top-left corner at (x, y).
 *
 * x, y: fractions of the frame, kept in ten-thousandths modulo 10000, so 1.0
 *   wraps to 0. A box that would reach past the right or bottom edge is moved
 *   left or up until it fits; a box larger than the frame is cut.
 * lineWidth: not drawn with; a change of it renders the text again.
 * text: 1 to 255 bytes of UTF-8.
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
 * libVelmo_dsp_video_mjpeg.so, loaded from this library's own folder for
 * each conversion and released again.
 *
 * Returns DRAVIK_OK when the box was copied into the frame; DRAVIK_E_PARAM
 * for a missing or empty text or font name, a text of 256 bytes or more, a
 * font name of 32 bytes or more, a font size of 0, an invalid frame (see
 * Dravik_DrawLine) or a position that is NaN or infinite; DRAVIK_E_CONTEXT,
 * DRAVIK_E_NOMEM, DRAVIK_E_BITMAP or DRAVIK_E_CONVERTER when rendering could
 * not be done; DRAVIK_E_POSITION for a frame of negative size; or the
 * converter's own non-zero result. A failed call on an empty slot leaves it
 * empty; a context already in the slot stays there and is rendered again by
 * its next call. Nothing is drawn into the frame on failure.
 *
 * Calls on different contexts may run on different threads at once; one
 * context is used by one thread at a time.
 */
DRAVIK_API int Dravik_DrawWord(float x, float y, uint32_t unused3,
                               uint32_t unused4, uint32_t lineWidth,
                               uint32_t backColor, const char *text,
                               uint32_t fontSize, uint32_t unused9,
                               const char *fontName, uint32_t textColor,
                               DravikFrame *frame, DravikWordContext **slot,
                               uint32_t unused14);

/*
 * Releases the context in *slot and sets *slot to null. A null slot, or a
 * slot holding null, is left alone. Not to be called while another thread
 * draws with the same context.
 */
DRAVIK_API void Dravik_DrawEnd(DravikWordContext **slot);

/* Exports that draw on a cairo context (the device-context family) will be
 * declared in a section of their own below. */

#ifdef __cplusplus
}
#endif

#endif /* DRAVIK_H */
