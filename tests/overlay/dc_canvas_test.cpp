// The drawing-context family through the exports, the same on every
// platform: where a pen's pixels land, the example direction mark, and the
// on-screen text's box, switch, families and engine. Each platform's own
// pen details (caps, line ends, the host's pen) are in its own test.
#include "dc_text.h"
#include "osd.h"

#include <string>

namespace {

TEST(DcCanvas, OnePixelPensAndWidthZero)
{
    {
        Canvas c;  // a one-pixel pen: row 40, columns 0 .. 99
        ASSERT_EQ(Dravik_GdiplusDrawLine(0, 40, 100, 40, 1, kRed, 0, 0, 0, c.dc()),
                  DRAVIK_OK);
        EXPECT_EQ(c.at(0, 40), 0xFF0000u);  // COLORREF red is 0x0000FF
        EXPECT_TRUE(c.painted(99, 40));
        EXPECT_FALSE(c.painted(50, 39));
        EXPECT_FALSE(c.painted(50, 41));
        EXPECT_EQ(c.paintedCount(), 100);
    }
    Canvas c, one;  // width 0 draws as 1
    Dravik_GdiplusDrawLine(-50, -10, 20, 30, 0, kWhite, 0, 0, 0, c.dc());
    Dravik_GdiplusDrawLine(-50, -10, 20, 30, 1, kWhite, 0, 0, 0, one.dc());
    EXPECT_GT(c.paintedCount(), 60);
    for (int y = -100; y < 100; ++y)
        for (int x = -100; x < 100; ++x)
            ASSERT_EQ(c.at(x, y), one.at(x, y)) << x << "," << y;
}

TEST(DcCanvas, TheExampleMarkWithItsTopHalfAtNegativeY)
{
    Canvas mark;
    ASSERT_EQ(Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kWhite, 0, 0, mark.dc()),
              DRAVIK_OK);
    for (int y = -22; y < 22; ++y)
        EXPECT_TRUE(mark.painted(50, y)) << y;
    EXPECT_TRUE(mark.painted(44, 16) && mark.painted(56, 16));  // the wings
    EXPECT_FALSE(mark.painted(50, -23) || mark.painted(49, 0) || mark.painted(20, 0));
}

TEST_F(DcText, BoxAlphaAndSwitch)
{
    Canvas box(0);
    ASSERT_EQ(osd(box, "Lane 2", "DejaVu Sans", 0, 50, 1), DRAVIK_OK);
    EXPECT_EQ(box.at(10, 20), 0x7F7F7Fu);  // alpha 127 of white over black
    EXPECT_EQ(box.at(9, 20), 0u);
    EXPECT_EQ(box.at(10, 19), 0u);
    const int boxPixels = box.paintedCount();
    EXPECT_GT(boxPixels, 60 * 20);
    // A box drawn from the origin: every painted pixel is box-coloured.
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_TRUE(box.at(x, y) == 0 || box.at(x, y) == 0x7F7F7F);

    Canvas text(0);
    ASSERT_EQ(osd(text, "Lane 2", "DejaVu Sans", 100, 50, 0), DRAVIK_OK);  // no box
    EXPECT_EQ(text.at(10, 20), 0u);
    EXPECT_GT(text.paintedCount(), 50);
    EXPECT_LT(text.paintedCount(), boxPixels / 2);

    Canvas both(0);
    ASSERT_EQ(osd(both, "Lane 2", "DejaVu Sans", 100, 50, 1), DRAVIK_OK);
    EXPECT_EQ(both.paintedCount(), boxPixels);
    int opaque = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            opaque += both.at(x, y) == 0xFFFFFF;
    EXPECT_GT(opaque, 20);  // glyph cores, fully opaque over the box
}

TEST_F(DcText, NothingForAnUnknownFamilyOrAStoppedEngine)
{
    Canvas c;
    EXPECT_EQ(osd(c, "Lane 2", "No Such Family", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVuSans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 0, 100, 2), DRAVIK_OK);  // nothing asked
    // Size 0: neither text nor box (Wine's GDI+ would make a font of it).
    EXPECT_EQ(Dravik_GdiplusOSD(10, 20, "Lane 2", 0, "DejaVu Sans", kWhite, 100, kWhite,
                                100, 0, 1, c.dc()),
              DRAVIK_OK);
    EXPECT_EQ(c.paintedCount(), 0);

    Dravik_StopTextEngine();
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    Dravik_StopTextEngine();  // unbalanced: ignored
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(c.paintedCount(), 0);
    Dravik_StartTextEngine();

    // A host's start and a word context share one count: the host's stop
    // leaves the engine to the live context.
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    DravikWordContext *slot = nullptr;
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite, &frame,
                              &slot, 0),
              DRAVIK_OK);
    EXPECT_EQ(dravik::engineRefCount.load(), 2u);
    Dravik_StopTextEngine();
    Dravik_StopTextEngine();
    EXPECT_EQ(dravik::engineRefCount.load(), 1u);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 100, 0, 1), DRAVIK_OK);
    EXPECT_GT(c.paintedCount(), 20);
    Dravik_DrawEnd(&slot);
    Dravik_StartTextEngine();  // for TearDown's stop
}

// Texts and font names of on-screen text are cut at 512 UTF-16 units,
// never inside a character (UTF-8 here; GBK, ANSI code page 936, in the
// Windows test runs, where two bytes are one unit).
TEST(OsdText, LongTextsAreCutAt512UnitsNeverInsideACharacter)
{
    auto repeat = [](const std::string &s, int n) {
        std::string out;
        while (n-- > 0)
            out += s;
        return out;
    };
    const std::string i510 = repeat("i", 510);
#if defined(_WIN32)
    const std::string wide = "\xd6\xd0", pair;  // 中; no pairs in GBK
#else
    const std::string wide = "中", pair = "\xF0\x9D\x84\x9E";  // U+1D11E
#endif
    struct Row {
        std::string text;
        size_t units;
    } rows[] = {
        {i510 + "W", 511},
        {i510 + "WW", 512},
        {i510 + "WWW", 512},
        {repeat(wide, 600), 512},
        {pair.empty() ? "" : repeat(pair, 256), pair.empty() ? 0u : 512u},
        {pair.empty() ? "" : i510 + "W" + pair, pair.empty() ? 0u : 511u},
    };
    for (const Row &row : rows) {
        std::u16string units = dravik::decodeText(row.text.c_str());
        dravik::cutToUnits(units, dravik::kOsdMaxUnits);
        EXPECT_EQ(units.size(), row.units) << row.text.size() << " bytes";
    }
}

}  // namespace
