// What the drawing-context tests share on either platform: colours, and a
// fixture that runs the text engine for the on-screen text.
#pragma once

#include "Dravik.h"
#include "canvas.h"
#include "converter.h"
#include "text_engine.h"

#include <gtest/gtest.h>

constexpr uint32_t kRed = 0x0000FF, kWhite = 0xFFFFFF;

class DcText : public ::testing::Test {
protected:
    void SetUp() override
    {
        dravik::setConverterFolderForTesting(DRAVIK_OUTPUT_DIR);
        ASSERT_EQ(Dravik_StartTextEngine(), DRAVIK_OK);
    }
    void TearDown() override
    {
        Dravik_StopTextEngine();
        EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    }

    // White text at (10, 20), 24 pixels, over a white box.
    static int osd(Canvas &c, const char *text, const char *font, uint32_t textOpacity,
                   uint32_t boxOpacity, int32_t boxSwitch)
    {
        return Dravik_GdiplusOSD(10, 20, text, 24, font, kWhite, textOpacity, kWhite,
                                 boxOpacity, 0, boxSwitch, c.dc());
    }
};
