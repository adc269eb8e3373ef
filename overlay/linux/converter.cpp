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
#include <string>
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

// Loading and releasing the converter, and holding what it brought in,
// happen one thread at a time; the conversions themselves run at once.
std::mutex loaderMutex;

// The libraries the first converter loaded brought in with it (libyuv and
// libjpeg for ours), held open from then on for the process. Loading and
// relocating them costs about a millisecond, ten times what a text
// conversion does (and a call without a context slot, with no other
// context alive, paid it every time while they were let go with the text
// engine); held, only the small module itself is loaded and released
// around each conversion.
bool holding = false;

// Objects the loader lists after the converter module: what its loading
// brought in (or, rarely, what a host thread loaded meanwhile, which costs
// nothing to hold). dl_iterate_phdr walks the list under the loader's own
// lock, so a host thread loading or unloading a library cannot change it
// under the walk.
struct LoadedAfter {
    ElfW(Addr) module;
    bool seen = false;
    std::vector<std::string> names;
};

int collectLoadedAfter(dl_phdr_info *info, size_t, void *data)
{
    auto *walk = static_cast<LoadedAfter *>(data);
    try {
        if (walk->seen && info->dlpi_name && info->dlpi_name[0])
            walk->names.emplace_back(info->dlpi_name);
    } catch (const std::bad_alloc &) {
        return 1;  // held or not, conversions work; they are only slower
    }
    walk->seen = walk->seen || info->dlpi_addr == walk->module;
    return 0;
}

// With loaderMutex held.
void holdDependencies(void *module)
{
    if (holding)
        return;
    link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return;
    try {
        LoadedAfter walk;
        walk.module = map->l_addr;
        dl_iterate_phdr(collectLoadedAfter, &walk);
        // Each handle is one more reference, never closed.
        for (const std::string &name : walk.names)
            dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
    } catch (const std::bad_alloc &) {
    }
    holding = true;
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
    void *module;
    decltype(&DSP_bgr24toyuv420) convert = nullptr;
    {
        std::lock_guard<std::mutex> lock(loaderMutex);
        module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!module)
            return DRAVIK_E_CONVERTER;
        holdDependencies(module);
        convert = reinterpret_cast<decltype(convert)>(
            dlsym(module, "DSP_bgr24toyuv420"));
    }
    int rc = DRAVIK_E_CONVERTER;
    if (convert) {
        const int planeSize = width * height;
        rc = convert(bgr, width, height, yuv, width, yuv + planeSize,
                     width / 2, yuv + planeSize + planeSize / 4, width / 2);
    }
    std::lock_guard<std::mutex> lock(loaderMutex);
    dlclose(module);
    return rc;
}

}  // namespace dravik
