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

// Whether the text shows on `cr` without putting it in an error state: a
// font that FreeType cannot make for the context's transform (some fonts
// fail at tiny sizes too) fails, and cairo keeps such a failure on the
// context for good, so that the host could draw nothing more on it. The
// text is shown first on a scratch context with the same transform.
bool showsCleanly(cairo_t *cr, const TextLayout &layout)
{
    cairo_surface_t *scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t *probe = cairo_create(scratch);
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    cairo_set_matrix(probe, &matrix);
    showLayout(probe, layout, 0, 0);
    const bool clean = cairo_status(probe) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(probe);
    cairo_surface_destroy(scratch);
    return clean;
}

}  // namespace

void drawOsd(DravikDC cr, const OsdText &osd)
{
    if (!(osd.fontSize * deviceScale(cr) <= kMaxDeviceFontSize))
        return;
    TextLayout layout(osd.text, osd.fontName, osd.fontSize, FontWeight::Regular,
                      Fallback::Nothing);
    if (!layout.valid() || !showsCleanly(cr, layout))
        return;

    // The host's path and current point survive the fill and the text.
    cairo_path_t *path = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_new_path(cr);
    if (osd.drawBox) {
        // The laid-out extent starts at the origin: the box is
        // (x, y, width, height), whole pixels.
        setSourceArgb(cr, osd.boxArgb);
        cairo_rectangle(cr, static_cast<int64_t>(osd.x),
                        static_cast<int64_t>(osd.y), layout.width(),
                        layout.height());
        cairo_fill(cr);
    }
    if (osd.drawText) {
        setSourceArgb(cr, osd.textArgb);
        showLayout(cr, layout, osd.x, osd.y);
    }
    cairo_restore(cr);
    cairo_new_path(cr);
    if (path->status == CAIRO_STATUS_SUCCESS)
        cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

}  // namespace dravik
