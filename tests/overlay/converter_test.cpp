// The plain converter of the Windows build against the libyuv one on the
// same images: within 1 on every sample, and its refusals.
#include "converter/plain_conversion.h"

#include <gtest/gtest.h>
#include <libyuv/convert.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

TEST(PlainConverter, WithinOneOfLibyuvOnEverySample)
{
    std::mt19937 rng(11);
    int worst = 0;
    for (int i = 0; i < 300; ++i) {
        const int w = 4 * (1 + int(rng() % 48)), h = 4 * (1 + int(rng() % 24));
        std::vector<uint8_t> bgr(size_t(w) * h * 3);
        // Random noise, and saturated colours where the matrix's edges are.
        for (uint8_t &b : bgr)
            b = i % 3 == 0 ? (rng() % 2 ? 255 : 0) : uint8_t(rng());
        const size_t planes = size_t(w) * h * 3 / 2;
        std::vector<uint8_t> plain(planes), yuv(planes);
        auto planesOf = [&](std::vector<uint8_t> &b) {
            return std::vector<uint8_t *>{b.data(), b.data() + w * h,
                                          b.data() + w * h + w * h / 4};
        };
        const auto p = planesOf(plain), r = planesOf(yuv);
        ASSERT_EQ(dravik::plainBgr24ToJ420(bgr.data(), w, h, p[0], w, p[1], w / 2,
                                           p[2], w / 2),
                  0);
        ASSERT_EQ(libyuv::RGB24ToJ420(bgr.data(), w * 3, r[0], w, r[1], w / 2, r[2],
                                      w / 2, w, -h),
                  0);
        for (size_t k = 0; k < planes; ++k)
            worst = std::max(worst, std::abs(plain[k] - yuv[k]));
    }
    EXPECT_LE(worst, 1);
}

TEST(PlainConverter, RefusesWhatItCannotConvert)
{
    uint8_t bgr[4 * 4 * 3] = {}, out[4 * 4 * 3 / 2];
    uint8_t *y = out, *u = out + 16, *v = out + 20;
    EXPECT_EQ(dravik::plainBgr24ToJ420(bgr, 4, 4, y, 4, u, 2, v, 2), 0);
    EXPECT_EQ(dravik::plainBgr24ToJ420(nullptr, 4, 4, y, 4, u, 2, v, 2), -1);
    EXPECT_EQ(dravik::plainBgr24ToJ420(bgr, 4, 4, y, 4, nullptr, 2, v, 2), -1);
    EXPECT_EQ(dravik::plainBgr24ToJ420(bgr, 0, 4, y, 4, u, 2, v, 2), -1);
    EXPECT_EQ(dravik::plainBgr24ToJ420(bgr, 3, 4, y, 4, u, 2, v, 2), -1);
    EXPECT_EQ(dravik::plainBgr24ToJ420(bgr, 4, -4, y, 4, u, 2, v, 2), -1);
}

}  // namespace
