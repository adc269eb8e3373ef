// Road recordings with known passages: a fixed camera above a four-lane road
// (two lanes towards the camera, down the picture; two away from it, up the
// picture; a cyclists' shoulder on each side), vehicles of many sizes,
// colours and speeds, and the time each one's centre crosses the counting
// line at 60 % of the picture's height.
#ifndef ROADGEN_H
#define ROADGEN_H

#include <cstdint>
#include <string>
#include <vector>

namespace roadgen {

// What a scene holds beyond plain daylight traffic.
enum class Scene {
    Plain,  // daylight, light traffic in all four lanes
    Dense,  // close following (0.5 s apart) and both lanes of a side at once
    Stop,   // vehicles that stop on the line and drive on, slow cyclists
    Cloud,  // slow light changes and more sensor noise
    Shake,  // the camera shakes by a few pixels
    Night,  // a dark road, vehicles seen by their lights
    Mixed,  // a little of everything
};
// "plain", "dense", ...; false for an unknown name.
bool sceneByName(const std::string &name, Scene &scene);
std::vector<std::string> sceneNames();

struct Settings {
    Scene scene = Scene::Plain;
    int vehicles = 20;
    int width = 1280;
    int height = 720;
    int fps = 25;
    uint32_t seed = 1;
};

// One vehicle's crossing of the line: its centre on the line.
struct TruePassage {
    int64_t ms = 0;
    bool down = true;     // down the picture (towards the camera)
    double along = 0;     // its centre across the picture, 0..1
    std::string kind;     // "car", "van", "truck", "motorbike", "cyclist"
};

// Writes the recording (H.264 in MPEG-TS, through the ffmpeg command) and
// returns its passages sorted by time. An empty text is success, else what
// went wrong.
std::string generate(const Settings &settings, const std::string &out, std::vector<TruePassage> &truth,
                     const std::string &preset = "veryfast");

// The ground-truth file: a header, then "ms,direction,along,kind" lines.
bool writeTruth(const std::string &path, const std::vector<TruePassage> &truth);
bool readTruth(const std::string &path, std::vector<TruePassage> &truth);

}  // namespace roadgen

#endif
