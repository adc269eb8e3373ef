// The passage scanner: found-right per scene kind on generated 720p road
// recordings (about 200 vehicles each), and its speed and memory on a long
// 720p25 recording beside a bare libavcodec decode of the same file, and
// the window's position polls while a scan runs beside the player. Makes its recordings on the first run into BENCH_MEDIA (some minutes).
//   scan_bench [--vehicles N] [--minutes M] [--scenes a,b,...] [--speed-only] [--found-only]
#include "roadgen.h"
#include "scanner.h"
#include "Tormo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int64_t kWithinMs = 500;

struct Score {
    int truth = 0, found = 0, hit = 0;
    double worstMs = 0;
};

// Each true passage matched to the nearest unmatched found one of its
// direction within kWithinMs.
Score score(const std::vector<roadgen::TruePassage> &truth, const std::vector<scan::Passage> &found)
{
    Score s;
    s.truth = int(truth.size());
    s.found = int(found.size());
    std::vector<bool> used(found.size());
    for (const auto &t : truth) {
        int best = -1;
        for (size_t i = 0; i < found.size(); ++i) {
            const int64_t d = std::llabs(found[i].ms - t.ms);
            if (used[i] || d > kWithinMs || (found[i].direction == scan::Direction::Down) != t.down)
                continue;
            if (best < 0 || d < std::llabs(found[size_t(best)].ms - t.ms))
                best = int(i);
        }
        if (best >= 0) {
            used[size_t(best)] = true;
            ++s.hit;
            s.worstMs = std::max(s.worstMs, double(std::llabs(found[size_t(best)].ms - t.ms)));
        }
    }
    return s;
}

bool make(const fs::path &ts, roadgen::Settings set, std::vector<roadgen::TruePassage> &truth,
          const std::string &preset)
{
    const fs::path csv = fs::path(ts).replace_extension(".csv");
    if (fs::exists(ts) && fs::exists(csv) && roadgen::readTruth(csv.string(), truth))
        return true;
    std::fprintf(stderr, "making %s ...\n", ts.c_str());
    const fs::path part = fs::path(ts).concat(".part.ts");
    const std::string error = roadgen::generate(set, part.string(), truth, preset);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    fs::rename(part, ts);
    return roadgen::writeTruth(csv.string(), truth);
}

// Runs `job` in a child process: its wall time in seconds and its peak
// resident memory in MB.
template <typename Job>
std::pair<double, double> measured(Job job)
{
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        job();
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss / 1024.0};
}

// What the scan is compared with: every picture decoded by libavcodec with
// its defaults (frame threads, one per core), nothing else done.
void bareDecode(const std::string &path)
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return;
    avformat_find_stream_info(format, nullptr);
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec *codec = avcodec_find_decoder(format->streams[video]->codecpar->codec_id);
    AVCodecContext *c = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(c, format->streams[video]->codecpar);
    c->thread_count = 0;
    avcodec_open2(c, codec, nullptr);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    long frames = 0;
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video)
            avcodec_send_packet(c, packet);
        av_packet_unref(packet);
        while (avcodec_receive_frame(c, frame) >= 0)
            ++frames;
    }
    avcodec_send_packet(c, nullptr);
    while (avcodec_receive_frame(c, frame) >= 0)
        ++frames;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    avformat_close_input(&format);
}

}  // namespace

// The median of position polls as the window makes them (one every 10 ms)
// while the recording plays at x8, in microseconds; with `scanning`, while
// the same recording is scanned on another thread, as the window does.
double pollMedianUs(const std::string &path, bool scanning)
{
    Tormo_Initialize();
    int port = -1;
    if (!Tormo_OpenMediaFile(path.c_str(), &port))
        return -1;
    Tormo_SpeedPlay(port, 5);
    Tormo_StartPlay(port);
    std::atomic<bool> cancel{false};
    std::thread scanner;
    if (scanning) {
        scanner = std::thread([&] {
            scan::Options options;
            options.cancel = &cancel;
            scan::scanRecording(path, options);
        });
    }
    std::vector<double> polls;
    for (int i = 0; i < 1000; ++i) {
        int seconds = 0;
        const auto start = Clock::now();
        Tormo_GetPlayedTime(port, &seconds);
        polls.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    cancel = true;
    if (scanner.joinable())
        scanner.join();
    Tormo_CloseMediaFile(port);
    std::nth_element(polls.begin(), polls.begin() + polls.size() / 2, polls.end());
    return polls[polls.size() / 2];
}

int main(int argc, char **argv)
{
    int vehicles = 200, minutes = 10;
    bool found = true, speed = true;
    std::vector<std::string> scenes = roadgen::sceneNames();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--vehicles" && i + 1 < argc)
            vehicles = std::atoi(argv[++i]);
        else if (arg == "--minutes" && i + 1 < argc)
            minutes = std::atoi(argv[++i]);
        else if (arg == "--scenes" && i + 1 < argc) {
            scenes.clear();
            std::stringstream list(argv[++i]);
            for (std::string s; std::getline(list, s, ',');)
                scenes.push_back(s);
        } else if (arg == "--speed-only")
            found = false;
        else if (arg == "--found-only")
            speed = false;
        else {
            std::fprintf(stderr, "usage: scan_bench [--vehicles N] [--minutes M] [--scenes a,b] [--speed-only|--found-only]\n");
            return 2;
        }
    }
    const fs::path media = BENCH_MEDIA;
    fs::create_directories(media);

    if (found) {
        std::printf("Found right, 1280x720, %d vehicles a scene, within +-%lld ms:\n", vehicles, (long long)kWithinMs);
        std::printf("%-7s %6s %6s %6s %8s %8s %9s\n", "scene", "true", "found", "right", "found%", "real%", "worst ms");
        Score all;
        for (const std::string &name : scenes) {
            roadgen::Settings set;
            if (!roadgen::sceneByName(name, set.scene))
                continue;
            set.vehicles = vehicles;
            set.seed = 22;
            std::vector<roadgen::TruePassage> truth;
            const fs::path ts = media / (name + "-" + std::to_string(vehicles) + ".ts");
            // Made fast: what is found does not depend on the encoder's effort.
            if (!make(ts, set, truth, "ultrafast"))
                return 1;
            const scan::Result r = scan::scanRecording(ts.string(), {});
            const Score s = score(truth, r.passages);
            std::printf("%-7s %6d %6d %6d %7.1f%% %7.1f%% %9.0f\n", name.c_str(), s.truth, s.found, s.hit,
                        100.0 * s.hit / std::max(1, s.truth), 100.0 * s.hit / std::max(1, s.found), s.worstMs);
            std::fflush(stdout);
            all.truth += s.truth, all.found += s.found, all.hit += s.hit;
            all.worstMs = std::max(all.worstMs, s.worstMs);
        }
        std::printf("%-7s %6d %6d %6d %7.1f%% %7.1f%% %9.0f   (targets: 98%% found, 97%% real)\n", "all",
                    all.truth, all.found, all.hit, 100.0 * all.hit / std::max(1, all.truth),
                    100.0 * all.hit / std::max(1, all.found), all.worstMs);
    }

    if (speed) {
        roadgen::Settings set;
        set.scene = roadgen::Scene::Mixed;
        set.vehicles = minutes * 60;  // about one a second
        set.seed = 5;
        std::vector<roadgen::TruePassage> truth;
        const fs::path ts = media / ("long-" + std::to_string(minutes) + "min.ts");
        // B-frames and the loop filter, as a camera writes H.264.
        if (!make(ts, set, truth, "veryfast"))
            return 1;
        double seconds = 0;
        {
            const scan::Result r = scan::scanRecording(ts.string(), {});  // also warms the page cache
            seconds = r.seconds;
        }
        const auto [scanTime, scanMb] = measured([&] { scan::scanRecording(ts.string(), {}); });
        const auto [decodeTime, decodeMb] = measured([&] { bareDecode(ts.string()); });
        std::printf("\nSpeed, %s (%.0f s of 1280x720 at 25 pictures/s, %.0f MB), %ld cores:\n", ts.filename().c_str(),
                    seconds, fs::file_size(ts) / 1e6, sysconf(_SC_NPROCESSORS_ONLN));
        std::printf("  scan         %7.1f s  %6.1fx real time  peak %5.0f MB   (targets: 20x, < 300 MB)\n", scanTime,
                    seconds / scanTime, scanMb);
        std::printf("  bare decode  %7.1f s  %6.1fx real time  peak %5.0f MB\n", decodeTime, seconds / decodeTime,
                    decodeMb);
        std::printf("  scan / bare decode %.2f   (target: at most 1.3)\n", scanTime / decodeTime);
        std::printf("  an hour at this speed: %.0f s\n", scanTime * 3600 / std::max(1.0, seconds));
        const double alone = pollMedianUs(ts.string(), false);
        const double beside = pollMedianUs(ts.string(), true);
        std::printf("  position poll while playing at x8, median: %.0f us alone, %.0f us beside a scan\n", alone,
                    beside);
    }
    return 0;
}
