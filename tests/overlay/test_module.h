// A module of the tests' own loaded by path and kept loaded for a test's
// length: dlopen on Linux, LoadLibraryA on Windows.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <string>

class TestModule {
public:
    explicit TestModule(const std::string &path)
#if defined(_WIN32)
        : handle_(LoadLibraryA(path.c_str()))
#else
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
#endif
    {
    }
    ~TestModule()
    {
#if defined(_WIN32)
        if (handle_)
            FreeLibrary(static_cast<HMODULE>(handle_));
#else
        if (handle_)
            dlclose(handle_);
#endif
    }
    TestModule(const TestModule &) = delete;
    TestModule &operator=(const TestModule &) = delete;

    template <typename F>
    F symbol(const char *name) const
    {
        if (!handle_)
            return nullptr;
#if defined(_WIN32)
        return reinterpret_cast<F>(reinterpret_cast<void *>(
            GetProcAddress(static_cast<HMODULE>(handle_), name)));
#else
        return reinterpret_cast<F>(dlsym(handle_, name));
#endif
    }

    // Whether a module of that path is loaded in the process at all.
    static bool loaded(const std::string &path)
    {
#if defined(_WIN32)
        return GetModuleHandleA(path.c_str()) != nullptr;
#else
        void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
#endif
    }

private:
    void *handle_;
};
