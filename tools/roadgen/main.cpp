// roadgen: writes a road recording and the true times of its passages.
//   roadgen [--scene KIND] [--vehicles N] [--size WxH] [--seed S] [--preset P] OUT.ts [TRUTH.csv]
#include "roadgen.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void usage(FILE *to)
{
    std::fputs("Usage: roadgen [--scene KIND] [--vehicles N] [--size WxH] [--seed S] [--preset P]\n"
               "               OUT.ts [TRUTH.csv]\n"
               "Writes a road recording (H.264 in MPEG-TS, 25 pictures a second, through the\n"
               "ffmpeg command) and the time at which each vehicle's centre crosses the line\n"
               "at 60 % of the picture's height (default TRUTH: OUT.ts with .csv for .ts).\n"
               "  --scene     plain (default), dense, stop, cloud, shake, night, mixed\n"
               "  --vehicles  how many (20)\n"
               "  --size      picture size (1280x720)\n"
               "  --seed      the traffic's series (1)\n"
               "  --preset    x264's preset (veryfast)\n",
               to);
}

}  // namespace

int main(int argc, char **argv)
{
    roadgen::Settings set;
    std::string out, truthPath, preset = "veryfast";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--scene" && hasValue) {
            if (!roadgen::sceneByName(argv[++i], set.scene)) {
                std::fprintf(stderr, "roadgen: unknown scene %s\n", argv[i]);
                return 2;
            }
        } else if (arg == "--vehicles" && hasValue) {
            set.vehicles = std::atoi(argv[++i]);
        } else if (arg == "--seed" && hasValue) {
            set.seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--preset" && hasValue) {
            preset = argv[++i];
        } else if (arg == "--size" && hasValue) {
            if (std::sscanf(argv[++i], "%dx%d", &set.width, &set.height) != 2) {
                std::fprintf(stderr, "roadgen: --size wants WxH\n");
                return 2;
            }
        } else if (!arg.empty() && arg[0] != '-' && out.empty()) {
            out = arg;
        } else if (!arg.empty() && arg[0] != '-' && truthPath.empty()) {
            truthPath = arg;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (out.empty() || set.vehicles < 1) {
        usage(stderr);
        return 2;
    }
    if (truthPath.empty()) {
        truthPath = out;
        if (truthPath.size() > 3 && truthPath.compare(truthPath.size() - 3, 3, ".ts") == 0)
            truthPath.resize(truthPath.size() - 3);
        truthPath += ".csv";
    }
    std::vector<roadgen::TruePassage> truth;
    const std::string error = roadgen::generate(set, out, truth, preset);
    if (!error.empty()) {
        std::fprintf(stderr, "roadgen: %s\n", error.c_str());
        return 1;
    }
    if (!roadgen::writeTruth(truthPath, truth)) {
        std::fprintf(stderr, "roadgen: cannot write %s\n", truthPath.c_str());
        return 1;
    }
    std::printf("%s: %zu passages, true times in %s\n", out.c_str(), truth.size(), truthPath.c_str());
    return 0;
}
