// Whether a sanitizer's runtime works on this machine at all: built with
// its flags, this must start, run a thread and end cleanly. ThreadSanitizer
// refuses some kernels' memory layouts, and LeakSanitizer cannot run under a
// tracer; the sanitized tests are skipped there instead of failing.
#include <thread>

int main()
{
    int value = 0;
    std::thread([&value] { value = 1; }).join();
    return value == 1 ? 0 : 1;
}
