// Frame text: word contexts, rendering on change, placement and the copy,
// the engine count and the converter binding. The library's objects are
// linked in, so the converter folder can be pointed at test modules.
#include "Dravik.h"
#include "converter.h"
#include "raster.h"
#include "test_frame.h"
#include "test_module.h"
#include "text_engine.h"
#include "word.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF;

// Family names as each platform's text engine knows them; texts and names
// are UTF-8 on Linux and in the ANSI code page (936 in the Windows test
// runs) on Windows.
#if defined(_WIN32)
constexpr char kSansSerif[] = "Tahoma";  // what Wine's GDI+ falls back to
constexpr char kWqyLocalised[] = "\xce\xc4\xc8\xaa\xe6\xe4\xce\xa2\xc3\xd7\xba\xda";
#else
constexpr char kSansSerif[] = "DejaVu Sans";
constexpr char kWqyLocalised[] = "文泉驿微米黑";
#endif

// The counting converter, kept loaded by the test itself.
struct CountingConverter {
    CountingConverter()
        : module(std::string(COUNTING_CONVERTER_DIR) + "/" + dravik::kConverterModule),
          calls(module.symbol<int (*)()>("countingConverterCalls")),
          failWith(module.symbol<void (*)(int)>("countingConverterFailWith"))
    {
    }
    TestModule module;
    int (*calls)() = nullptr;
    void (*failWith)(int) = nullptr;
};

// One overlay's arguments; draw() passes them the way a host does.
struct Word {
    float x = 0.1f, y = 0.1f;
    uint32_t lineWidth = 2, backColor = kWhite, textColor = kBlack;
    uint32_t fontSize = 24;
    std::string text = "Hello, 世界 12:34", font = "DejaVu Sans";

    int draw(TestFrame &f, DravikWordContext **slot) const
    {
        return Dravik_DrawWord(x, y, 0, 0, lineWidth, backColor, text.c_str(),
                               fontSize, 0, font.c_str(), textColor, &f.frame,
                               slot, 0);
    }
};

class FrameText : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(counter.calls, nullptr) << "no counting converter";
        counter.failWith(0);
        dravik::setConverterFolderForTesting(COUNTING_CONVERTER_DIR);
        ASSERT_EQ(dravik::engineRefCount.load(), 0u);
    }
    void TearDown() override
    {
        Dravik_DrawEnd(&slot);
        EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    }

    int renders() const { return counter.calls(); }

    // `before` with the context's text box copied in at (row0, col0), cut
    // to w x h: what the frame must hold, guards included.
    static TestFrame withBox(const TestFrame &before, const DravikWordContext *ctx,
                             int row0, int col0, int w, int h)
    {
        TestFrame want = before;
        const dravik::WordSurface &s = ctx->surface;
        const uint8_t *sy = s.yuv.get();
        const uint8_t *su = sy + s.width * s.height;
        const uint8_t *sv = su + (s.width / 2) * (s.height / 2);
        for (int i = 0; i < h; ++i)
            for (int j = 0; j < w; ++j)
                want.y(row0 + i, col0 + j) = sy[i * s.width + j];
        for (int i = 0; i < h / 2; ++i)
            for (int j = 0; j < w / 2; ++j) {
                want.u(row0 / 2 + i, col0 / 2 + j) = su[i * (s.width / 2) + j];
                want.v(row0 / 2 + i, col0 / 2 + j) = sv[i * (s.width / 2) + j];
            }
        return want;
    }
    static int boxWidth(const DravikWordContext *ctx) { return ctx->textRect.width; }
    static int boxHeight(const DravikWordContext *ctx) { return ctx->textRect.height; }

    CountingConverter counter;
    DravikWordContext *slot = nullptr;
};

TEST_F(FrameText, SameAttributesRenderOnceAndCopyAtEachPosition)
{
    TestFrame f(640, 240, 4);
    Word word;
    TestFrame before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(renders(), 1);
    const int w = boxWidth(slot), h = boxHeight(slot);
    EXPECT_GT(w, 100);
    EXPECT_GT(h, 20);
    EXPECT_EQ(f.diff(withBox(before, slot, 24, 64, w, h)), 0u);

    word.x = 0.5f;
    word.y = 0.25f;
    before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(renders(), 1);
    ASSERT_LE(w, 320);
    EXPECT_EQ(f.diff(withBox(before, slot, 60, 320, w, h)), 0u);
}

TEST_F(FrameText, EveryAttributeButThePositionRendersAgain)
{
    TestFrame f(320, 240);
    Word word;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    int expected = 1;
    auto changes = std::vector<void (*)(Word &)>{
        [](Word &w) { w.textColor = kRed; },
        [](Word &w) { w.backColor = 0x123456; },
        [](Word &w) { w.lineWidth = 3; },
        [](Word &w) { w.text = "Other"; },
        [](Word &w) { w.fontSize = 30; },
        [](Word &w) { w.font = "WenQuanYi Micro Hei"; },
    };
    for (auto change : changes) {
        change(word);
        ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
        EXPECT_EQ(renders(), ++expected);
        word.x += 0.05f;  // a move alone does not render
        ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
        EXPECT_EQ(renders(), expected);
    }
    // Only the lowest byte of the size is read: 256 + 30 is 30.
    word.fontSize = 256 + 30;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(renders(), expected);
}

TEST_F(FrameText, PositionsWrapAndBoxesMoveInsideTheFrame)
{
    Word word;
    word.fontSize = 34;
    TestFrame f(704, 288);

    word.x = 1.0f;  // wraps to the left edge
    word.y = 0.5f;
    TestFrame before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    const int w = boxWidth(slot), h = boxHeight(slot);
    ASSERT_LE(w, 352);
    EXPECT_EQ(f.diff(withBox(before, slot, 144, 0, w, h)), 0u);

    word.x = 0.5f;
    before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(f.diff(withBox(before, slot, 144, 352, w, h)), 0u);

    // At y = 0.99 the box is moved up: its last row is the frame's last.
    word.y = 0.99f;
    before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(f.diff(withBox(before, slot, 288 - h, 352, w, h)), 0u);

    // Likewise at the right edge.
    word.x = 0.999f;
    before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(f.diff(withBox(before, slot, 288 - h, 704 - w, w, h)), 0u);

    // Negative fractions keep their low 32 bits: -0.25 is 4796/10000.
    word.x = -0.25f;
    word.y = 0;
    before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(f.diff(withBox(before, slot, 0, 4796 * 704 / 10000, w, h)), 0u);
    EXPECT_EQ(renders(), 1);
}

TEST_F(FrameText, ABoxLargerThanTheFrameIsCut)
{
    Word word;
    word.text = "A text far wider than a tiny frame";
    word.x = 0.7f;
    word.y = 0.7f;
    TestFrame f(63, 21, 3, true);  // odd sizes, bottom-up planes
    TestFrame before = f;
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    ASSERT_GT(boxWidth(slot), 63);
    ASSERT_GT(boxHeight(slot), 21);
    EXPECT_EQ(f.diff(withBox(before, slot, 0, 0, 63, 21)), 0u);
}

TEST_F(FrameText, BoxColoursMatchTheShapeColours)
{
    dravik::setConverterFolderForTesting(DRAVIK_OUTPUT_DIR);  // the real one
    for (uint32_t colour : {kWhite, kRed, 0x00FF00u, 0xFF0000u, 0x204080u}) {
        TestFrame f(200, 100);
        Word word;
        word.backColor = colour;
        word.textColor = colour;  // a plain box
        word.x = word.y = 0;
        ASSERT_EQ(word.draw(f, nullptr), DRAVIK_OK);
        const dravik::Yuv want = dravik::yuvFromColor(colour);
        EXPECT_NEAR(f.y(10, 10), want.y, 1) << std::hex << colour;
        EXPECT_NEAR(f.u(5, 5), want.u, 1) << std::hex << colour;
        EXPECT_NEAR(f.v(5, 5), want.v, 1) << std::hex << colour;
    }
}

TEST_F(FrameText, CallsWithoutASlotLeaveTheEngineCountAsFound)
{
    TestFrame f(160, 120);
    Word word;
    ASSERT_EQ(word.draw(f, nullptr), DRAVIK_OK);
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(dravik::engineRefCount.load(), 1u);
    ASSERT_EQ(word.draw(f, nullptr), DRAVIK_OK);
    EXPECT_EQ(dravik::engineRefCount.load(), 1u);
    EXPECT_EQ(renders(), 3);  // without a slot every call renders

    Dravik_DrawEnd(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    Dravik_DrawEnd(&slot);  // a slot holding null
    Dravik_DrawEnd(nullptr);
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
}

TEST_F(FrameText, FamiliesAreMatchedByNameOrFallBackToSansSerif)
{
    auto surfaceOf = [](const char *font) {
        TestFrame f(400, 60);
        Word word;
        word.font = font;
        word.x = word.y = 0;
        EXPECT_EQ(word.draw(f, nullptr), DRAVIK_OK) << font;
        return f;
    };
    const TestFrame dejavu = surfaceOf("DejaVu Sans");
    const TestFrame wqy = surfaceOf("WenQuanYi Micro Hei");
    EXPECT_NE(dejavu.diff(wqy), 0u);
    EXPECT_EQ(surfaceOf("dejavu sans").diff(dejavu), 0u);  // ASCII case folded
    EXPECT_EQ(surfaceOf(kWqyLocalised).diff(wqy), 0u);     // localised name
    // Unknown names, and names that differ in spaces, draw in sans-serif.
    const TestFrame sans = surfaceOf(kSansSerif);
    EXPECT_EQ(surfaceOf("No Such Family").diff(sans), 0u);
    EXPECT_EQ(surfaceOf("WenQuanYiMicroHei").diff(sans), 0u);
}

TEST_F(FrameText, InvalidArgumentsAreRefusedBeforeAnything)
{
    TestFrame f(100, 100);
    const TestFrame before = f;
    std::vector<void (*)(Word &)> faults = {
        [](Word &w) { w.text = ""; },
        [](Word &w) { w.text = std::string(256, 'x'); },
        [](Word &w) { w.font = ""; },
        [](Word &w) { w.font = std::string(32, 'x'); },
        [](Word &w) { w.fontSize = 256; },  // lowest byte 0
        [](Word &w) { w.x = std::nanf(""); },
        [](Word &w) { w.y = INFINITY; },
    };
    for (auto fault : faults) {
        Word w;
        fault(w);
        EXPECT_EQ(w.draw(f, &slot), DRAVIK_E_PARAM) << w.text << " " << w.font;
    }
    EXPECT_EQ(Dravik_DrawWord(0, 0, 0, 0, 0, 0, nullptr, 20, 0, "Sans", 0,
                              &f.frame, &slot, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawWord(0, 0, 0, 0, 0, 0, "x", 20, 0, nullptr, 0,
                              &f.frame, &slot, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawWord(0, 0, 0, 0, 0, 0, "x", 20, 0, "Sans", 0, nullptr,
                              &slot, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(renders(), 0);
    EXPECT_EQ(f.diff(before), 0u);

    // The longest allowed strings are taken whole.
    Word longest;
    longest.text = std::string(255, 'i');
    longest.font = std::string(31, 'x');
    longest.fontSize = 8;
    EXPECT_EQ(longest.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(strlen(slot->text), 255u);
}

TEST_F(FrameText, InvalidUtf8IsDrawnNotTrusted)
{
    TestFrame f(300, 60);
    Word word;
    word.text = "ok \xff\xfe\xc3 \xe4\xb8";  // stray and cut sequences
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_GT(boxWidth(slot), 0);
}

TEST_F(FrameText, ConverterFailuresAreReportedAndRenderedAgain)
{
    TestFrame f(200, 100);
    const TestFrame before = f;
    Word word;

    dravik::setConverterFolderForTesting(MISSING_CONVERTER_DIR);
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_E_CONVERTER);
    EXPECT_EQ(slot, nullptr);  // a new context that failed is not kept
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    EXPECT_EQ(word.draw(f, nullptr), DRAVIK_E_CONVERTER);

    dravik::setConverterFolderForTesting(NOSYM_CONVERTER_DIR);
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_E_CONVERTER);
    EXPECT_EQ(f.diff(before), 0u);

    // The converter's own code is passed on; the context stays in its slot
    // and is rendered again by the next call, though nothing changed.
    dravik::setConverterFolderForTesting(COUNTING_CONVERTER_DIR);
    ASSERT_EQ(word.draw(f, &slot), DRAVIK_OK);
    counter.failWith(77);
    word.textColor = kRed;
    EXPECT_EQ(word.draw(f, &slot), 77);
    EXPECT_NE(slot, nullptr);
    counter.failWith(0);
    const int rendersBefore = renders();
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(renders(), rendersBefore + 1);
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_OK);
    EXPECT_EQ(renders(), rendersBefore + 1);
}

TEST_F(FrameText, OversizedTextsAndOddFramesAreRefused)
{
    TestFrame f(100, 100);
    Word word;
    word.fontSize = 255;
    word.text = std::string(200, 'W');  // far wider than 16384 pixels
    EXPECT_EQ(word.draw(f, &slot), DRAVIK_E_BITMAP);
    EXPECT_EQ(slot, nullptr);

    DravikFrame negative = f.frame;
    negative.height = -100;
    EXPECT_EQ(Dravik_DrawWord(0.5f, 0.5f, 0, 0, 0, kWhite, "x", 20, 0, "Sans",
                              0, &negative, &slot, 0),
              DRAVIK_E_POSITION);
    EXPECT_NE(slot, nullptr);  // rendered fine: kept for the next frame
    DravikFrame empty{};
    EXPECT_EQ(Dravik_DrawWord(0.5f, 0.5f, 0, 0, 0, kWhite, "x", 20, 0, "Sans",
                              0, &empty, &slot, 0),
              DRAVIK_OK);
}

TEST_F(FrameText, ContextsOnDifferentThreadsDrawTheSame)
{
    Word word;
    word.x = word.y = 0;
    TestFrame alone(240, 80);
    ASSERT_EQ(word.draw(alone, nullptr), DRAVIK_OK);

    constexpr int kThreads = 4;
    std::vector<TestFrame> frames(kThreads, TestFrame(240, 80));
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            DravikWordContext *own = nullptr;
            for (int k = 0; k < 20; ++k) {
                Word w = word;
                w.textColor = k % 2 == 0 ? kRed : kBlack;  // renders every time
                failures[i] += w.draw(frames[i], &own) != DRAVIK_OK;
                failures[i] += w.draw(frames[i], nullptr) != DRAVIK_OK;
            }
            Dravik_DrawEnd(&own);
        });
    for (auto &t : threads)
        t.join();
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(failures[i], 0);
        EXPECT_EQ(frames[i].diff(alone), 0u) << "thread " << i;
    }
}

}  // namespace
