#include "converter.h"

#include "Dravik.h"
#include "converter/bgr24toyuv420.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace dravik {

namespace {

// A plain array: it is filled by a constructor function, before any C++
// object in this library would be initialised (and reset).
char ownFolder[PATH_MAX];

void setFolder(const char *path)
{
    ownFolder[0] = '\0';
    const char *slash = strrchr(path, '/');
    if (!slash)
        return;
    const size_t n = slash == path ? 1 : static_cast<size_t>(slash - path);
    if (n < sizeof ownFolder) {
        memcpy(ownFolder, path, n);
        ownFolder[n] = '\0';
    }
}

// The file name dladdr reports is relative when the library was found
// through a relative LD_LIBRARY_PATH, so it is made absolute once, at load
// time, before the host can change its working folder.
__attribute__((constructor)) void findOwnFolder()
{
    Dl_info info;
    char resolved[PATH_MAX];
    if (dladdr(reinterpret_cast<void *>(&findOwnFolder), &info) &&
        info.dli_fname && realpath(info.dli_fname, resolved))
        setFolder(resolved);
}

}  // namespace

void setConverterFolderForTesting(const char *folder)
{
    snprintf(ownFolder, sizeof ownFolder, "%s", folder);
}

int convertBgrToYuv(const uint8_t *bgr, int width, int height, uint8_t *yuv)
{
    char path[PATH_MAX + sizeof kConverterModule + 1];
    if (!ownFolder[0] ||
        snprintf(path, sizeof path, "%s/%s", ownFolder, kConverterModule) >=
            static_cast<int>(sizeof path))
        return DRAVIK_E_CONVERTER;
    void *module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return DRAVIK_E_CONVERTER;
    auto *convert = reinterpret_cast<decltype(&DSP_bgr24toyuv420)>(
        dlsym(module, "DSP_bgr24toyuv420"));
    int rc = DRAVIK_E_CONVERTER;
    if (convert) {
        const int planeSize = width * height;
        rc = convert(bgr, width, height, yuv, width, yuv + planeSize,
                     width / 2, yuv + planeSize + planeSize / 4, width / 2);
    }
    dlclose(module);
    return rc;
}

}  // namespace dravik
