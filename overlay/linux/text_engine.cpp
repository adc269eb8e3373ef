// The text engine on Linux: Pango on cairo with fontconfig.
#include "cairo_text.h"

#include <fontconfig/fontconfig.h>

#include <new>
#include <string>
#include <vector>

namespace dravik {

namespace {

// All with engineMutex held. The font map and the family names are made by
// the first start and kept for the process: setting up fontconfig, the font
// map and the list of families costs milliseconds, which every call
// without a context slot and no other context alive paid when each stop
// let go of them. The engine's lifetime as the calls see it is `running`.
PangoFontMap *fontMap = nullptr;
std::vector<std::string> familyNames;  // every family name, localised too
bool running = false;

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

// UTF-8 for Pango; the UTF-16 came from decodeText, so it is valid.
std::string utf8(const std::u16string &text)
{
    gchar *s = g_utf16_to_utf8(reinterpret_cast<const gunichar2 *>(text.data()),
                               static_cast<glong>(text.size()), nullptr, nullptr,
                               nullptr);
    std::string out = s ? s : "";
    g_free(s);
    return out;
}

}  // namespace

void startTextEngine()
{
    running = true;
    if (fontMap)
        return;
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

void stopTextEngine() { running = false; }

std::u16string decodeText(const char *text)
{
    gchar *valid = g_utf8_make_valid(text, -1);
    glong units = 0;
    gunichar2 *wide = g_utf8_to_utf16(valid, -1, nullptr, &units, nullptr);
    g_free(valid);
    std::u16string out;
    try {
        if (wide)
            out.assign(reinterpret_cast<const char16_t *>(wide), size_t(units));
    } catch (const std::bad_alloc &) {
    }
    g_free(wide);
    return out;
}

TextLayout::TextLayout(const std::u16string &text, const std::u16string &fontName,
                       double pixelSize, FontWeight weight, Fallback fallback)
{
    if (!running)
        return;
    const std::string name = utf8(fontName);
    const char *family = findFamily(name.c_str());
    if (!family) {
        if (fallback == Fallback::Nothing)
            return;
        family = "Sans";
    }
    native_.reset(new (std::nothrow) Native{nullptr});
    if (!native_)
        return;
    PangoContext *context = pango_font_map_create_context(fontMap);
    // Greyscale antialiasing and unhinted outlines with hinted metrics: the
    // same pixels on every machine with the same fonts.
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);

    PangoLayout *layout = pango_layout_new(context);
    native_->layout = layout;
    g_object_unref(context);

    PangoFontDescription *font = pango_font_description_new();
    pango_font_description_set_family(font, family);
    pango_font_description_set_weight(font, weight == FontWeight::Bold
                                                ? PANGO_WEIGHT_BOLD
                                                : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(font, pixelSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, utf8(text).c_str(), -1);

    // With no width set the logical extent starts at the origin.
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    box_ = {float(logical.x), float(logical.y), float(logical.width),
            float(logical.height)};
}

TextLayout::~TextLayout() = default;

}  // namespace dravik
