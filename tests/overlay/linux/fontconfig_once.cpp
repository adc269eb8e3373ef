// For the programs built with LeakSanitizer: fontconfig keeps no pointer to
// a few hundred bytes of the configuration it loads once per process, which
// would be reported as leaked. It is loaded here, before main, with leak
// checks off; the library's own load finds it done.
#include <fontconfig/fontconfig.h>
#include <sanitizer/lsan_interface.h>

namespace {

__attribute__((constructor)) void loadFontconfig()
{
    __lsan_disable();
    FcInit();
    __lsan_enable();
}

}  // namespace
