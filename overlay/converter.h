// Binding to the colour converter module that sits beside this library,
// one contract for every platform (linux/converter.cpp with dlopen,
// windows/converter.cpp with LoadLibraryA).
#pragma once

#include <cstdint>

namespace dravik {

// The converter's file name, looked for in the folder this library was
// loaded from.
#if defined(_WIN32)
inline constexpr char kConverterModule[] = "Velmo_dsp_video_mjpeg.dll";
#else
inline constexpr char kConverterModule[] = "libVelmo_dsp_video_mjpeg.so";
#endif

// Loads the converter, converts a bottom-up BGR image of width x height
// (multiples of four) into `yuv` (Y, then U, then V planes, tightly packed),
// and releases the converter again (on Linux the libraries it brought in
// stay loaded for the process). Returns 0, DRAVIK_E_CONVERTER when the
// module or its function cannot be found, or the converter's own code.
int convertBgrToYuv(const uint8_t *bgr, int width, int height, uint8_t *yuv);

// Tests that link the library's objects into a program point the lookup at
// a folder of their own.
void setConverterFolderForTesting(const char *folder);

}  // namespace dravik
