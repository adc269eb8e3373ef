// A stand-in for a full disk: while a FileSizeLimit is applied, no file of
// this process grows beyond `bytes`, and a write past it fails (EFBIG) the
// way a write to a full disk fails (ENOSPC), after the bytes that still fit.
// Needs no privileges and no file system of its own.
#ifndef FILE_LIMIT_H
#define FILE_LIMIT_H

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : bytes(bytes) {}
    ~FileSizeLimit() { lift(); }

    void apply()
    {
        if (applied)
            return;
        getrlimit(RLIMIT_FSIZE, &before);
        // Past the limit the kernel also sends SIGXFSZ, which would end the
        // process; ignored, the write just fails.
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = before;
        limited.rlim_cur = bytes;
        applied = setrlimit(RLIMIT_FSIZE, &limited) == 0;
        if (!applied)
            std::signal(SIGXFSZ, previousHandler);
    }

    void lift()
    {
        if (!applied)
            return;
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previousHandler);
        applied = false;
    }

    bool isApplied() const { return applied; }

private:
    rlim_t bytes;
    rlimit before{};
    void (*previousHandler)(int) = SIG_DFL;
    bool applied = false;
};

#endif // FILE_LIMIT_H
