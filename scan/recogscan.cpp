// recogscan: the passages of a road recording, on the command line.
#include "scanner.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: recogscan RECORDING [--line x1,y1,x2,y2] [--csv FILE]\n"
    "\n"
    "Finds every vehicle that crosses the counting line in an MPEG-TS road\n"
    "recording and prints one passage per line: the player's time of the\n"
    "crossing (H:MM:SS.mmm), the direction (down: from the line's left side\n"
    "to its right side as the picture shows it, for the default line from the\n"
    "top of the picture towards its bottom) and where on the line (0 at its\n"
    "first end, 1 at its second), then a summary.\n"
    "\n"
    "  --line x1,y1,x2,y2  the counting line's ends in fractions of the picture\n"
    "                      (0,0 top left; default 0,0.6,1,0.6)\n"
    "  --csv FILE          also write the passages to FILE as CSV\n"
    "  --every-picture     also decode and analyse the pictures that no other\n"
    "                      refers to (B-frames): slower, rarely better\n"
    "  --help              this text\n"
    "\n"
    "Exit status: 0 when the recording was read (damaged stretches are listed),\n"
    "1 when it could not be opened, 2 for a wrong command line.\n";

void bar(const scan::Progress &p)
{
    const int width = 40;
    const int filled = int(p.done * width);
    std::string text(size_t(filled), '#');
    text.resize(width, '.');
    if (p.secondsLeft >= 0)
        std::fprintf(stderr, "\r[%s] %3d%%  %lds left ", text.c_str(), int(p.done * 100), long(p.secondsLeft + 0.5));
    else
        std::fprintf(stderr, "\r[%s] %3d%% ", text.c_str(), int(p.done * 100));
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char **argv)
{
    std::string path, csv;
    scan::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--every-picture") {
            options.everyPicture = true;
            continue;
        }
        if ((arg == "--line" || arg == "--csv") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--csv") {
                csv = value;
                continue;
            }
            const auto line = scan::Line::parse(value);
            if (!line) {
                std::fprintf(stderr, "recogscan: --line wants four fractions x1,y1,x2,y2 in 0..1, two distinct ends: %s\n",
                             value.c_str());
                return 2;
            }
            options.line = *line;
        } else if (!arg.empty() && arg[0] != '-' && path.empty()) {
            path = arg;
        } else {
            std::fprintf(stderr, "recogscan: unexpected argument: %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
    }
    if (path.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const bool terminal = isatty(STDERR_FILENO);
    if (terminal)
        options.progress = bar;

    const scan::Result result = scan::scanRecording(path, options);
    if (terminal)
        std::fputs("\r\033[K", stderr);
    if (result.status == scan::Status::Unreadable) {
        std::fprintf(stderr, "recogscan: cannot read the recording: %s\n", result.error.c_str());
        return 1;
    }

    int down = 0;
    for (const scan::Passage &p : result.passages) {
        std::printf("%s  %-4s  %.2f\n", scan::timeText(p.ms).c_str(), scan::directionName(p.direction), p.along);
        down += p.direction == scan::Direction::Down;
    }
    std::printf("%zu passages (%d down, %zu up) in %s of recording, line %s\n", result.passages.size(), down,
                result.passages.size() - down, scan::timeText(int64_t(result.seconds * 1000)).c_str(),
                options.line.text().c_str());
    for (const scan::Damage &d : result.damaged)
        std::printf("could not read %s to %s\n", scan::timeText(d.fromMs).c_str(), scan::timeText(d.toMs).c_str());

    if (!csv.empty()) {
        std::ofstream out(csv, std::ios::binary);
        out << "time,ms,direction,along,x,y,w,h\n";
        char row[200];
        for (const scan::Passage &p : result.passages) {
            std::snprintf(row, sizeof row, "%s,%lld,%s,%.4f,%.4f,%.4f,%.4f,%.4f\n", scan::timeText(p.ms).c_str(),
                          (long long)p.ms, scan::directionName(p.direction), p.along, p.box.x, p.box.y, p.box.w,
                          p.box.h);
            out << row;
        }
        if (!out.flush()) {
            std::fprintf(stderr, "recogscan: cannot write %s\n", csv.c_str());
            return 1;
        }
    }
    return 0;
}
