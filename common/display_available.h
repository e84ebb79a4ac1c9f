#pragma once

// Whether a window can be shown. On X11 and Wayland systems the window system
// must be named, or the toolkit gives up with an abort; the window programs
// check first and say why they cannot start.

#include <QByteArray>
#include <QtGlobal>

namespace suite {

inline bool displayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.startsWith("xcb")) return x11;
    if (platform.startsWith("wayland")) return wayland;
    return !platform.isEmpty() || x11 || wayland;
#else
    return true;
#endif
}

}  // namespace suite
