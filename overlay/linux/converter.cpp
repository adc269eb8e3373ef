#include "converter.h"

#include "Dravik.h"
#include "converter/bgr24toyuv420.h"

#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>
#include <new>
#include <vector>

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

// The libraries the converter brought in with it (libyuv and libjpeg for
// ours), held open while the text engine runs. Loading and relocating them
// costs about a millisecond, ten times what a text conversion does; held,
// only the small module itself is loaded and released around each
// conversion.
std::mutex heldMutex;
std::vector<void *> held;
bool holding = false;

// Holds what was loaded after `module`'s own entry in the link map: the
// objects its loading brought in (or, rarely, that another thread loaded
// meanwhile, which costs nothing to hold).
void holdDependencies(void *module)
{
    std::lock_guard<std::mutex> lock(heldMutex);
    if (holding)
        return;
    link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return;
    try {
        for (link_map *dep = map->l_next; dep; dep = dep->l_next)
            if (void *h = dlopen(dep->l_name, RTLD_NOW | RTLD_NOLOAD))
                held.push_back(h);
    } catch (const std::bad_alloc &) {
        // Held or not, conversions work; they are only slower.
    }
    holding = true;
}

}  // namespace

void releaseConverterDependencies()
{
    std::lock_guard<std::mutex> lock(heldMutex);
    for (void *h : held)
        dlclose(h);
    held.clear();
    holding = false;
}

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
    holdDependencies(module);
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
