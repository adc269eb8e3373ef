// On-screen text on a cairo context, with the shared text engine.
#include "osd.h"

#include "text_engine.h"

#include <cairo.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace dravik {

namespace {

// FreeType makes no font larger than this, in device pixels (and fails a
// little below its 65535-pixel limit once sizes are rounded).
constexpr double kMaxDeviceFontSize = 32767;

// The text as valid UTF-8 of at most `units` UTF-16 code units, cut before
// the first character that would not fit whole.
std::string cutToUnits(const char *text, int units)
{
    gchar *valid = g_utf8_make_valid(text, -1);
    const gchar *end = valid;
    for (int n = 0; *end;) {
        n += g_utf8_get_char(end) > 0xFFFF ? 2 : 1;
        if (n > units)
            break;
        end = g_utf8_next_char(end);
    }
    std::string cut(valid, static_cast<size_t>(end - valid));
    g_free(valid);
    return cut;
}

void setArgb(cairo_t *cr, uint32_t argb)
{
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0,
                          ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

// A font size in the device pixels of `cr`: the size times the larger
// scale of its transform.
double deviceSize(cairo_t *cr, uint32_t size)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return size * std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
}

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
    layout.show(probe, 0, 0);
    const bool clean = cairo_status(probe) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(probe);
    cairo_surface_destroy(scratch);
    return clean;
}

}  // namespace

void drawOsd(DravikDC cr, const OsdText &osd)
{
    if (osd.fontSize == 0 || !(deviceSize(cr, osd.fontSize) <= kMaxDeviceFontSize))
        return;
    const std::string text = cutToUnits(osd.text, kOsdMaxUnits);
    const std::string fontName = cutToUnits(osd.fontName, kOsdMaxUnits);
    TextLayout layout(text.c_str(), fontName.c_str(), osd.fontSize,
                      FontWeight::Regular, Fallback::Nothing);
    if (!layout.valid() || !showsCleanly(cr, layout))
        return;

    // The host's path and current point survive the fill and the text.
    cairo_path_t *path = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_new_path(cr);
    if (osd.drawBox) {
        // The laid-out extent starts at the origin: the box is
        // (x, y, width, height), whole pixels.
        setArgb(cr, osd.boxArgb);
        cairo_rectangle(cr, static_cast<int64_t>(osd.x),
                        static_cast<int64_t>(osd.y), layout.width(),
                        layout.height());
        cairo_fill(cr);
    }
    if (osd.drawText) {
        setArgb(cr, osd.textArgb);
        layout.show(cr, osd.x, osd.y);
    }
    cairo_restore(cr);
    cairo_new_path(cr);
    if (path->status == CAIRO_STATUS_SUCCESS)
        cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

}  // namespace dravik
