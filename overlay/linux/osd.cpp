// On-screen text on a cairo context, with the shared text engine.
#include "osd.h"

#include "cairo_text.h"

#include <cairo.h>

#include <cstdint>

namespace dravik {

namespace {

// FreeType makes no font larger than this, in device pixels (and fails a
// little below its 65535-pixel limit once sizes are rounded).
constexpr double kMaxDeviceFontSize = 32767;
// Pango's unit: a font smaller than that in device pixels is none at all.
constexpr double kMinDeviceFontSize = 1.0 / PANGO_SCALE;

// Whether the text shows with the transform `drawn` without putting a
// context in an error state: a font that FreeType cannot make for it (some
// fonts fail at tiny sizes) fails, and cairo keeps such a failure on the
// context for good, so that the host could draw nothing more on it. The
// text is shown first on a scratch context.
bool showsCleanly(const cairo_matrix_t &drawn, const TextLayout &layout)
{
    cairo_surface_t *scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t *probe = cairo_create(scratch);
    cairo_set_matrix(probe, &drawn);
    showLayout(probe, layout, 0, 0);
    const bool clean = cairo_status(probe) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(probe);
    cairo_surface_destroy(scratch);
    return clean;
}

}  // namespace

void drawOsd(DravikDC cr, const OsdText &osd)
{
    // The text is laid out at the size it is drawn at, in device pixels,
    // and drawn scaled back to the context's user space: a huge font on a
    // context scaled down is an ordinary one for FreeType and Pango (laid
    // out at its user size it failed, leaked the fonts cairo made for it,
    // and from 2^21 pixels wrapped Pango's size).
    const double scale = deviceScale(cr);
    const double deviceSize = osd.fontSize * scale;
    if (!(deviceSize >= kMinDeviceFontSize && deviceSize <= kMaxDeviceFontSize))
        return;
    TextLayout layout(osd.text, osd.fontName, deviceSize, FontWeight::Regular,
                      Fallback::Nothing);
    if (!layout.valid())
        return;
    cairo_matrix_t drawn;
    cairo_get_matrix(cr, &drawn);
    cairo_matrix_translate(&drawn, osd.x, osd.y);
    cairo_matrix_scale(&drawn, 1 / scale, 1 / scale);
    if (!showsCleanly(drawn, layout))
        return;

    // The host's path and current point survive the fill and the text.
    cairo_path_t *path = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_new_path(cr);
    if (osd.drawBox) {
        // The laid-out extent starts at the origin: the box is the text's
        // width and height from there, the origin in whole pixels.
        setSourceArgb(cr, osd.boxArgb);
        cairo_rectangle(cr, static_cast<int64_t>(osd.x), static_cast<int64_t>(osd.y),
                        layout.width() / scale, layout.height() / scale);
        cairo_fill(cr);
    }
    if (osd.drawText) {
        setSourceArgb(cr, osd.textArgb);
        cairo_set_matrix(cr, &drawn);
        showLayout(cr, layout, 0, 0);
    }
    cairo_restore(cr);
    cairo_new_path(cr);
    if (path->status == CAIRO_STATUS_SUCCESS)
        cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

}  // namespace dravik
