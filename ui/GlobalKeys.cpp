#include "ui/GlobalKeys.h"

#include <QGuiApplication>

#ifdef ZK_HAVE_X11
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

namespace zk {

namespace {
int Slot(int vk) {
    switch (vk) {
        case 0x20:
            return 0;
        case 0x57:
            return 1;
        case 0x43:
            return 2;
        default:
            return -1;
    }
}
}  // namespace

bool DisplayReachable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) return true;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !platform.startsWith("xcb")) return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
#ifdef ZK_HAVE_X11
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    XCloseDisplay(d);
#endif
    return true;
}

GlobalKeys::GlobalKeys() {
#ifdef ZK_HAVE_X11
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    display_ = d;
    keycode_ = {XKeysymToKeycode(d, XK_space), XKeysymToKeycode(d, XK_w), XKeysymToKeycode(d, XK_c)};
#endif
}

GlobalKeys::~GlobalKeys() {
#ifdef ZK_HAVE_X11
    if (display_) XCloseDisplay(static_cast<Display*>(display_));
#endif
}

int GlobalKeys::State(int vk, bool ownWindowActive) {
    const int slot = Slot(vk);
    if (slot < 0 || !display_) return 0;
#ifdef ZK_HAVE_X11
    char keys[32] = {};
    XQueryKeymap(static_cast<Display*>(display_), keys);
    const int kc = keycode_[slot];
    const bool down = kc > 0 && kc < 256 && (keys[kc / 8] & (1 << (kc % 8))) != 0;
    const bool wasDown = down_[slot];
    down_[slot] = down;
    if (!down || ownWindowActive) return 0;
    return wasDown ? 0x8000 : 0x8001;
#else
    (void)ownWindowActive;
    return 0;
#endif
}

}  // namespace zk
