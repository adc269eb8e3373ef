#include "text_engine.h"

#include "converter.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace dravik {

std::atomic<uint32_t> engineRefCount{0};

namespace {

// Guards starting and stopping the engine and every use of its font map.
// The count itself is atomic so that it can be read without the lock.
std::mutex engineMutex;
PangoFontMap *fontMap = nullptr;
std::vector<std::string> familyNames;  // every family name, localised too

// Pango never fails on an unknown family (it substitutes silently), and
// fontconfig's own matching ignores spaces, so names are checked here: all
// names of every installed font, ASCII case folded, spaces significant.
std::vector<std::string> installedFamilies()
{
    std::vector<std::string> names;
    FcPattern *pattern = FcPatternCreate();
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet *fonts = FcFontList(nullptr, pattern, objects);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8 *name;
        for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, k,
                                           &name) == FcResultMatch;
             ++k)
            names.emplace_back(reinterpret_cast<const char *>(name));
    }
    if (fonts)
        FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return names;
}

// The installed family of that name, or null.
const char *findFamily(const char *name)
{
    for (const std::string &family : familyNames)
        if (g_ascii_strcasecmp(family.c_str(), name) == 0)
            return family.c_str();
    return nullptr;
}

void startEngine()
{
    // fontconfig is loaded here, before the font map: the font map would
    // start loading it on a thread of its own while the family list below
    // waits for it, two threads in fontconfig's set-up at once.
    FcInit();
    fontMap = pango_cairo_font_map_new();
    try {
        familyNames = installedFamilies();
    } catch (const std::bad_alloc &) {
        // No exception leaves the library: without the names every family
        // falls back to sans-serif.
        familyNames.clear();
    }
}

void stopEngine()
{
    releaseConverterDependencies();
    g_object_unref(fontMap);
    fontMap = nullptr;
    familyNames.clear();
}

}  // namespace

void engineAcquire()
{
    std::lock_guard<std::mutex> lock(engineMutex);
    if (engineRefCount.fetch_add(1) == 0)
        startEngine();
}

void engineRelease()
{
    std::lock_guard<std::mutex> lock(engineMutex);
    if (engineRefCount.fetch_sub(1) == 1)
        stopEngine();
}

TextLayout::TextLayout(const char *text, const char *fontName,
                       uint32_t pixelSize, FontWeight weight, Fallback fallback)
    : lock_(engineMutex)
{
    if (!fontMap)
        return;
    const char *family = findFamily(fontName);
    if (!family) {
        if (fallback == Fallback::Nothing)
            return;
        family = "Sans";
    }
    PangoContext *context = pango_font_map_create_context(fontMap);
    // Greyscale antialiasing and unhinted outlines with hinted metrics: the
    // same pixels on every machine with the same fonts.
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);

    layout_ = pango_layout_new(context);
    g_object_unref(context);

    PangoFontDescription *font = pango_font_description_new();
    pango_font_description_set_family(font, family);
    pango_font_description_set_weight(font, weight == FontWeight::Bold
                                                ? PANGO_WEIGHT_BOLD
                                                : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(font, pixelSize * PANGO_SCALE);
    pango_layout_set_font_description(layout_, font);
    pango_font_description_free(font);

    gchar *valid = g_utf8_make_valid(text, -1);
    pango_layout_set_text(layout_, valid, -1);
    g_free(valid);

    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    width_ = std::max(0, logical.x + logical.width);
    height_ = std::max(0, logical.y + logical.height);
}

TextLayout::~TextLayout()
{
    if (layout_)
        g_object_unref(layout_);
}

namespace {

void setColour(cairo_t *cr, uint32_t colorref)
{
    cairo_set_source_rgb(cr, (colorref & 0xFF) / 255.0,
                         ((colorref >> 8) & 0xFF) / 255.0,
                         ((colorref >> 16) & 0xFF) / 255.0);
}

}  // namespace

void TextLayout::draw(cairo_t *cr, uint32_t backColor, uint32_t textColor) const
{
    setColour(cr, backColor);
    cairo_rectangle(cr, 0, 0, width_, height_);
    cairo_fill(cr);
    setColour(cr, textColor);
    show(cr, 0, 0);
}

void TextLayout::show(cairo_t *cr, double x, double y) const
{
    if (!layout_)
        return;
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout_);
}

}  // namespace dravik
