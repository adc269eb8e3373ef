// A stand-in for a full disk that needs no privileges: once applied, no file
// of this process grows beyond `bytes`; a write past it fails (EFBIG) after
// the bytes that still fit, as a write to a full disk does (ENOSPC).
#ifndef FILE_LIMIT_H
#define FILE_LIMIT_H

#include <csignal>
#include <sys/resource.h>

struct FileSizeLimit
{
    rlimit before{};
    bool applied = false;

    bool apply(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limited{bytes, before.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of the process ending
        return applied = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    void lift()
    {
        if (applied)
            setrlimit(RLIMIT_FSIZE, &before);
        applied = false;
    }
    ~FileSizeLimit() { lift(); }
};

#endif // FILE_LIMIT_H
