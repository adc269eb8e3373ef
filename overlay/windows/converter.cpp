#include "converter.h"

#include "Dravik.h"
#include "converter/bgr24toyuv420.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace dravik {

namespace {

char testFolder[MAX_PATH];

// The folder this library was loaded from, without a trailing separator:
// false when it cannot be told. A path cut short by the buffer or a path
// without a separator names no folder: loading from a cut path, or from the
// current drive's root, could load somebody else's module.
bool ownFolder(char (&folder)[MAX_PATH])
{
    if (testFolder[0]) {
        memcpy(folder, testFolder, sizeof folder);
        return true;
    }
    char path[MAX_PATH];
    // When no module of that name is loaded, the path is the host's.
    HMODULE self = GetModuleHandleA("Dravik.dll");
    const DWORD n = GetModuleFileNameA(self, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return false;
    path[n] = '\0';
    const char *separator = strrchr(path, '\\');
    if (!separator)
        separator = strrchr(path, '/');
    if (!separator || separator == path)
        return false;
    const size_t length = static_cast<size_t>(separator - path);
    memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

}  // namespace

void setConverterFolderForTesting(const char *folder)
{
    snprintf(testFolder, sizeof testFolder, "%s", folder);
}

int convertBgrToYuv(const uint8_t *bgr, int width, int height, uint8_t *yuv)
{
    char folder[MAX_PATH];
    char path[MAX_PATH + sizeof kConverterModule + 1];
    if (!ownFolder(folder) ||
        snprintf(path, sizeof path, "%s\\%s", folder, kConverterModule) >=
            static_cast<int>(sizeof path))
        return DRAVIK_E_CONVERTER;
    HMODULE module = LoadLibraryA(path);
    if (!module)
        return DRAVIK_E_CONVERTER;
    // GetProcAddress hands back a generic function pointer; the module's
    // function has the converter's own signature.
    auto convert = reinterpret_cast<decltype(&DSP_bgr24toyuv420)>(
        reinterpret_cast<void *>(GetProcAddress(module, "DSP_bgr24toyuv420")));
    int rc = DRAVIK_E_CONVERTER;
    if (convert) {
        const int planeSize = width * height;
        rc = convert(bgr, width, height, yuv, width, yuv + planeSize,
                     width / 2, yuv + planeSize + planeSize / 4, width / 2);
    }
    FreeLibrary(module);
    return rc;
}

}  // namespace dravik
