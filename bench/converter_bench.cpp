// The Windows build's plain colour conversion beside the libyuv one it
// stands in for, on a text surface and on a full frame; prints the ratios.
// Run: build/bench/converter_bench
#include "converter/plain_conversion.h"

#include <benchmark/benchmark.h>
#include <libyuv/convert.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

struct Image {
    Image(int w, int h) : w(w), h(h), bgr(size_t(w) * h * 3), yuv(size_t(w) * h * 3 / 2)
    {
        std::mt19937 rng(5);
        for (uint8_t &b : bgr)
            b = uint8_t(rng());
    }
    uint8_t *u() { return yuv.data() + w * h; }
    uint8_t *v() { return u() + w * h / 4; }
    int w, h;
    std::vector<uint8_t> bgr, yuv;
};


void BM_Plain(benchmark::State &state)
{
    Image im(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        dravik::plainBgr24ToJ420(im.bgr.data(), im.w, im.h, im.yuv.data(), im.w,
                                 im.u(), im.w / 2, im.v(), im.w / 2);
        benchmark::DoNotOptimize(im.yuv.data());
    }
}

void BM_Libyuv(benchmark::State &state)
{
    Image im(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        libyuv::RGB24ToJ420(im.bgr.data(), im.w * 3, im.yuv.data(), im.w, im.u(),
                            im.w / 2, im.v(), im.w / 2, im.w, -im.h);
        benchmark::DoNotOptimize(im.yuv.data());
    }
}

BENCHMARK(BM_Plain)->Args({320, 48})->Args({1920, 1088});
BENCHMARK(BM_Libyuv)->Args({320, 48})->Args({1920, 1088});

// Collects each run's time per iteration to print the ratios.
class Ratios : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Ratios reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *size : {"320/48", "1920/1088"}) {
        const double plain = reporter.times[std::string("BM_Plain/") + size];
        const double yuv = reporter.times[std::string("BM_Libyuv/") + size];
        if (plain > 0 && yuv > 0)
            printf("%s: plain conversion %.1f times libyuv's\n", size, plain / yuv);
    }
    return 0;
}
