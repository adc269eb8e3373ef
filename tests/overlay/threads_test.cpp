// The library on several threads at once, as a host with many overlays
// uses it: text threads draw with contexts of their own and without a slot
// (so the text engine stops and starts again under the others), a host
// thread starts and stops the engine, a stray one stops it without having
// started it, and other threads draw on-screen text and shapes on surfaces
// and frames of their own. Built with ThreadSanitizer (run from CTest with
// tsan.supp); every thread's result must equal the same calls made alone.
#include "Dravik.h"
#include "converter.h"
#include "test_frame.h"
#include "text_engine.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const TestFrame &f)
{
    Bytes all;
    for (const auto &plane : f.buffers)
        all.insert(all.end(), plane.begin(), plane.end());
    return all;
}

// Text in two contexts of its own, changed on every round so that each call
// renders, and a call without a slot; the contexts are released each round,
// so the engine count reaches zero whenever the other threads hold none.
Bytes drawText(const char *text, const char *font)
{
    TestFrame f(320, 96, 3);
    DravikWordContext *slots[2] = {};
    for (int round = 0; round < 6; ++round) {
        const uint32_t colour = round % 2 ? 0x0000FF : 0xFFFFFF;
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(Dravik_DrawWord(0.05f + 0.4f * i, 0.1f, 0, 0, 1, 0x202020,
                                      text, 18 + 4 * i, 0, font, colour,
                                      &f.frame, &slots[i], 0),
                      DRAVIK_OK);
        EXPECT_EQ(Dravik_DrawWord(0.3f, 0.6f, 0, 0, 1, colour, text, 16, 0, font,
                                  0, &f.frame, nullptr, 0),
                  DRAVIK_OK);
        for (auto &slot : slots)
            Dravik_DrawEnd(&slot);
    }
    return bytesOf(f);
}

// On-screen text and pen shapes on one surface; the engine runs for the
// text because a word context of this thread's own is alive.
Bytes drawOnScreen()
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 80);
    cairo_t *cr = cairo_create(surface);
    const int32_t zone[] = {10, 70, 60, 40, 110, 70, 60, 78};
    TestFrame small(64, 32);
    DravikWordContext *keep = nullptr;
    EXPECT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "Sans", 0xFFFFFF,
                              &small.frame, &keep, 0),
              DRAVIK_OK);
    for (int round = 0; round < 6; ++round) {
        EXPECT_EQ(Dravik_GdiplusOSD(4, 4, "车道 2 Lane", 20, "WenQuanYi Micro Hei",
                                    0xFFFFFF, 100, 0x0000FF, 50, 0, 1, cr),
                  DRAVIK_OK);
        Dravik_GdiplusDrawRectLabelLine(4, zone, 2, 0x00FF00, 0, round % 3, cr);
        Dravik_GdiplusDrawRectangleWithType(120, 10, 190, 70, 1, 0xFF0000, 0, 0, 0,
                                            0, 0, round % 2, cr);
    }
    Dravik_DrawEnd(&keep);
    cairo_surface_flush(surface);
    const uint8_t *data = cairo_image_surface_get_data(surface);
    Bytes pixels(data, data + cairo_image_surface_get_stride(surface) * 80);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return pixels;
}

Bytes drawShapes()
{
    TestFrame f(176, 144, 5, true);
    const float zone[] = {0.1f, 0.9f, 0.4f, 0.5f, 0.6f, 0.5f, 0.9f, 0.9f};
    for (int round = 0; round < 40; ++round) {
        const uint32_t colour = 0x102030u * round;
        Dravik_DrawLine(0.0f, 0.01f * round, 1.0f, 0.5f, 2, colour, &f.frame, 0);
        Dravik_DrawRectangle(0.2f, 0.2f, 0.3f + 0.01f * round, 0.7f, 3, colour, 0,
                             round % 2, &f.frame, 0);
        Dravik_DrawPloygon(4, zone, 1 + round % 4, colour, 0, 0, &f.frame, 0);
    }
    return bytesOf(f);
}

TEST(OverlayThreads, TextEngineStartsAndStopsUnderTextAndShapes)
{
    dravik::setConverterFolderForTesting(DRAVIK_OUTPUT_DIR);
    const std::vector<std::function<Bytes()>> jobs = {
        [] { return drawText("Speed 60 km/h 12:34", "DejaVu Sans"); },
        [] { return drawText("京A·12345 超速", "WenQuanYi Micro Hei"); },
        [] { return drawText("Lane 2 \xff ok", "No Such Family"); },
        drawOnScreen,
        drawShapes,
    };
    std::vector<Bytes> alone;
    for (const auto &job : jobs)
        alone.push_back(job());
    ASSERT_EQ(dravik::engineRefCount.load(), 0u);

    constexpr int kRounds = 3;
    std::vector<std::vector<Bytes>> results(jobs.size());
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i)
        threads.emplace_back([&, i] {
            for (int k = 0; k < kRounds; ++k)
                results[i].push_back(jobs[i]());
        });
    // A host's starts and stops, and stops without a start (ignored):
    // neither may take the engine away from a live context.
    std::thread host([&] {
        while (!done) {
            Dravik_StartTextEngine();
            Dravik_StopTextEngine();
        }
    });
    std::thread stray([&] {
        while (!done)
            Dravik_StopTextEngine();
    });
    for (auto &t : threads)
        t.join();
    done = true;
    host.join();
    stray.join();

    for (size_t i = 0; i < jobs.size(); ++i)
        for (int k = 0; k < kRounds; ++k)
            EXPECT_TRUE(results[i][k] == alone[i]) << "job " << i << " round " << k;
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
}

}  // namespace
