// The playback engine's timings: opening recordings up to two hours long,
// exact seeks beside decoding the same frames with libavcodec, position
// polls while playing at x8, closing.
//
// Run: build/bench/engine_bench [folder]. The recordings are made there with
// the ffmpeg CLI on the first run (a few minutes, 2 GB): 720p at 2 Mbit/s
// with sensor-like noise, as a road camera writes it.
#include "Tormo.h"
#include "keyframes.h"
#include "player.h"
#include "timeline.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[size_t(q * double(values.size() - 1))];
}

bool make(const fs::path &file, const std::string &command)
{
    if (fs::exists(file))
        return true;
    std::printf("making %s ...\n", file.c_str());
    std::fflush(stdout);
    const fs::path part = file.string() + ".part";
    const std::string full = command + " -f mpegts '" + part.string() + "'";
    if (std::system(full.c_str()) != 0)
        return false;
    fs::rename(part, file);
    return true;
}

bool makeRecordings(const fs::path &dir)
{
    fs::create_directories(dir);
    const std::string ffmpeg = "ffmpeg -hide_banner -loglevel error -y ";
    const std::string hd = ffmpeg + "-f lavfi -i 'testsrc2=size=1280x720:rate=25:duration=60,"
        "noise=alls=12:allf=t' -c:v libx264 -preset veryfast -pix_fmt yuv420p -b:v 2M "
        "-maxrate 2M -bufsize 4M -bf 3 -sc_threshold 0 -an ";
    std::string list;
    for (int i = 0; i < 120; ++i)
        list += "file '" + (dir / "hd60.ts").string() + "'\n";
    const fs::path listFile = dir / "hd2h.txt";
    std::FILE *out = std::fopen(listFile.c_str(), "w");
    if (!out)
        return false;
    std::fputs(list.c_str(), out);
    std::fclose(out);
    return make(dir / "small.ts", ffmpeg + "-f lavfi -i testsrc=size=352x288:rate=25:duration=60 "
                "-c:v libx264 -preset veryfast -pix_fmt yuv420p -g 25 -an")
        && make(dir / "hd10.ts", hd + "-g 250 -keyint_min 250")
        && make(dir / "hd60.ts", hd + "-g 1500 -keyint_min 1500")
        // The concat demuxer keeps the clock going from copy to copy.
        && make(dir / "hd2h.ts", ffmpeg + "-f concat -safe 0 -i '" + listFile.string() + "' -c copy");
}

// Drops the file's pages from the page cache, as after a reboot.
void forget(const fs::path &file)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd >= 0) {
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Median seconds of `runs` calls of `body`, `before` run untimed first.
double timed(int runs, const std::function<void()> &body, const std::function<void()> &before = {})
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        const double start = now();
        body();
        times.push_back(now() - start);
    }
    return median(times);
}

// Seconds for a paused exact seek to land.
double seekTime(tormo::Player &player, int seconds)
{
    const double start = now();
    if (!player.seek(seconds))
        return -1;
    while (!player.settled() && now() - start < 60)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return now() - start;
}

// Decoding from the start to the picture shown at `seconds` with libavcodec
// alone: seconds taken, and the frames decoded.
std::pair<double, int> bareDecode(const fs::path &file, double seconds, int threads)
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, file.c_str(), nullptr, nullptr) < 0
        || avformat_find_stream_info(format, nullptr) < 0)
        return {-1, 0};
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream *stream = format->streams[video];
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext *context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, stream->codecpar);
    context->thread_count = threads;
    avcodec_open2(context, codec, nullptr);
    const int64_t target = stream->start_time
        + int64_t(seconds / av_q2d(stream->time_base));
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    int frames = 0;
    bool reached = false;
    const double start = now();
    while (!reached) {
        const bool more = av_read_frame(format, packet) >= 0;
        if (more && packet->stream_index != video) {
            av_packet_unref(packet);
            continue;
        }
        avcodec_send_packet(context, more ? packet : nullptr);
        av_packet_unref(packet);
        while (avcodec_receive_frame(context, frame) == 0) {
            ++frames;
            reached = reached || frame->best_effort_timestamp >= target;
            av_frame_unref(frame);
        }
        if (!more)
            break;
    }
    const double taken = now() - start;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return {taken, frames};
}

}  // namespace

int main(int argc, char **argv)
{
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::path(BENCH_MEDIA);
    if (!makeRecordings(dir)) {
        std::fprintf(stderr, "could not make the recordings in %s\n", dir.c_str());
        return 1;
    }
    const fs::path small = dir / "small.ts", hd10 = dir / "hd10.ts", hd60 = dir / "hd60.ts",
                   hd2h = dir / "hd2h.ts";
    Tormo_Initialize();

    std::printf("\n%-58s %10s\n", "opening (median of 5)", "ms");
    // Each open is closed before the next, untimed.
    std::unique_ptr<tormo::Player> opened;
    auto opening = [&](const fs::path &file, bool cold) {
        return timed(5, [&] { opened = tormo::Player::open(file.string()); }, [&] {
            opened.reset();
            if (cold)
                forget(file);
        });
    };
    auto readingClock = [&](const fs::path &file, bool cold) {
        return timed(5, [&] { tormo::Timeline::read(file.string()); }, [&] {
            if (cold)
                forget(file);
        });
    };
    const double openHour2 = opening(hd2h, false), openHour2Cold = opening(hd2h, true);
    std::printf("%-58s %10.1f\n", "352x288, 60 s", 1e3 * opening(small, false));
    std::printf("%-58s %10.1f\n", "720p, 60 s", 1e3 * opening(hd60, false));
    std::printf("%-58s %10.1f\n", "  of which reading its clock (all of its 16 MB)",
                1e3 * readingClock(hd60, false));
    std::printf("%-58s %10.1f\n", "720p, 2 h (1.9 GB)", 1e3 * openHour2);
    std::printf("%-58s %10.1f\n", "720p, 2 h, not in the page cache", 1e3 * openHour2Cold);
    std::printf("%-58s %10.1f\n", "  of which reading its clock", 1e3 * readingClock(hd2h, false));
    std::printf("%-58s %10.1f\n", "  of which reading its clock, not in the page cache",
                1e3 * readingClock(hd2h, true));
    opened.reset();
    std::unique_ptr<tormo::Player> closing;
    std::printf("%-58s %10.1f\n", "closing, 720p, 2 h",
                1e3 * timed(5, [&] { closing.reset(); }, [&] { closing = tormo::Player::open(hd2h.string()); }));

    std::printf("\n%-58s %10s %8s %6s\n", "exact seek, paused (median of 3)", "ms", "decode", "ratio");
    struct Seek {
        const char *what;
        fs::path file;
        int from, to;  // seeks from `from` to `to`, the keyframe before it at `keyframe`
        double keyframe;
    };
    const Seek seeks[] = {
        {"352x288, 1 s keyframes, the target one of them", small, 10, 40, 40},
        {"720p, 10 s keyframes, 9 s past one", hd10, 5, 39, 30},
        {"720p, 60 s keyframes, 30 s past one", hd60, 5, 30, 0},
        {"720p, 60 s keyframes, 59 s past one", hd60, 5, 59, 0},
        {"720p, 2 h, 60 s keyframes, 59 s past the one at 1 h", hd2h, 5, 3659, 3600},
    };
    double worst = 0, worstRatio = 0;
    for (const Seek &s : seeks) {
        auto player = tormo::Player::open(s.file.string());
        if (!player) {
            std::fprintf(stderr, "%s did not open\n", s.file.c_str());
            return 1;
        }
        const double seek = timed(3, [&] { seekTime(*player, s.to); }, [&] { seekTime(*player, s.from); });
        // The frames a seek decodes: from its keyframe to its target.
        const double past = s.to - s.keyframe;
        const fs::path decodeFile = s.file == hd2h ? hd60 : s.file;
        const auto [decode, frames] = bareDecode(decodeFile, past, 0);
        const double ratio = seek / decode;
        std::printf("%-58s %10.1f %8.1f %6.2f  (%d frames)\n", s.what, 1e3 * seek, 1e3 * decode, ratio,
                    frames);
        if (s.file != small) {
            worst = std::max(worst, seek);
            worstRatio = std::max(worstRatio, ratio);
        }
    }
    {
        // With a player open, as in the engine: libavformat's complaints
        // about the pictures before the first parameter sets go to its log.
        auto player = tormo::Player::open(hd2h.string());
        auto timeline = tormo::Timeline::read(hd2h.string());
        auto keyframes = tormo::Keyframes::open(*timeline);
        std::printf("%-58s %10.1f\n", "  of which finding the keyframe (2 h, at 1 h 59 s)",
                    1e3 * timed(5, [&] { keyframes->before(3659); }));
    }

    // Polls as the program makes them, while the 720p recording plays at x8.
    int port = -1;
    if (!Tormo_OpenMediaFile(hd10.c_str(), &port))
        return 1;
    Tormo_SpeedPlay(port, 5);
    Tormo_StartPlay(port);
    std::vector<double> polls;
    for (int i = 0; i < 3000; ++i) {
        int seconds = 0;
        const double start = now();
        Tormo_GetPlayedTime(port, &seconds);
        polls.push_back(now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Tormo_CloseMediaFile(port);
    std::printf("\n%-58s %10s %8s %8s\n", "position polls, 720p at x8 (3000)", "median us", "p99", "max");
    std::printf("%-58s %10.1f %8.1f %8.1f\n", "Tormo_GetPlayedTime", 1e6 * median(polls),
                1e6 * quantile(polls, 0.99), 1e6 * quantile(polls, 1.0));

    std::printf("\ntargets: opening 2 h %.2f s (cold %.2f s; target < 0.5), 60 s keyframe seek %.2f s "
                "(target <= 1.5), %.2f x decoding its frames, polls %.3f ms median (target < 0.1)\n",
                openHour2, openHour2Cold, worst, worstRatio, 1e3 * median(polls));
    return 0;
}
