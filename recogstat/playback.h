// What the playback controls show, without widgets: the time text and the
// speed steps.
#ifndef PLAYBACK_H
#define PLAYBACK_H

#include <QString>

// A count of seconds as hours, minutes and seconds in plain decimal without
// leading zeros, joined by `separator`: 3725 s is "1:2:5", 75 s "0:1:15".
QString clockText(int seconds, QChar separator = QLatin1Char(':'));

// Playback speeds, by the engine's own codes: 2 is normal, 3, 4 and 5 play
// two, four and eight times as fast. There is nothing below normal.
namespace Speed {
constexpr int Normal = 2;
// The next speed up or down; at either end the same one.
int faster(int level);
int slower(int level);
// What the speed label shows: "*1", "*2", "*4", "*8" (to be translated).
const char *label(int level);
} // namespace Speed

#endif // PLAYBACK_H
