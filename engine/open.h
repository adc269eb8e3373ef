// What Tormo_OpenMediaFile does, with how the recording's clock is read as a
// parameter: the engine's tests read small recordings through the sampling
// path that only large ones take otherwise.
#ifndef TORMO_OPEN_H
#define TORMO_OPEN_H

#include "timeline.h"

namespace tormo {

int openMediaFile(const char *path, int *port, const ClockReading &reading);

}  // namespace tormo

#endif
