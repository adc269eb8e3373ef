#include "platform.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iconv.h>
#include <memory>

namespace tormo {

std::optional<std::string> gbkToUtf8(const std::string &gbk)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(gbk.size() * 4 + 4, '\0');  // GB18030 never grows past x4
    char *in = const_cast<char *>(gbk.data());
    size_t inLeft = gbk.size();
    char *dst = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

bool isX11Window(uintptr_t window)
{
    // X11 ids are 29 bits; anything wider cannot be a window.
    if (window == 0 || window > 0x1fffffffu)
        return false;
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    // xcb reports errors per request, so a bad id costs nothing (Xlib would
    // need a process-wide error handler, which the toolkit owns).
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> conn(
        xcb_connect(display, nullptr), xcb_disconnect);
    if (xcb_connection_has_error(conn.get()))
        return false;
    auto id = static_cast<xcb_window_t>(window);
    auto attrCookie = xcb_get_window_attributes(conn.get(), id);
    auto geomCookie = xcb_get_geometry(conn.get(), id);
    std::unique_ptr<xcb_get_window_attributes_reply_t, void (*)(void *)> attr(
        xcb_get_window_attributes_reply(conn.get(), attrCookie, nullptr), std::free);
    std::unique_ptr<xcb_get_geometry_reply_t, void (*)(void *)> geom(
        xcb_get_geometry_reply(conn.get(), geomCookie, nullptr), std::free);
    return attr && geom && attr->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT
        && geom->root != id;
}

bool hasAudioOutput()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (const char *server = std::getenv("PULSE_SERVER"); server && *server)
        return true;
    if (const char *run = std::getenv("XDG_RUNTIME_DIR"); run && *run) {
        if (fs::exists(fs::path(run) / "pulse" / "native", ec)
            || fs::exists(fs::path(run) / "pipewire-0", ec))
            return true;
    }
    // ALSA playback devices are /dev/snd/pcmC<card>D<device>p.
    for (const auto &entry : fs::directory_iterator("/dev/snd", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("pcmC", 0) == 0 && name.back() == 'p')
            return true;
    }
    return false;
}

}  // namespace tormo
