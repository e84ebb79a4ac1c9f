#include "qt_messages.h"

#include <QString>

namespace tarvel::cli {

namespace {

QtMessageHandler g_next = nullptr;

void filtered(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!isQtChatter(type, message) && g_next) g_next(type, context, message);
}

}  // namespace

bool isQtChatter(QtMsgType type, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg) return false;
    // "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'"
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return true;
    // A platform without windows on screen: "This plugin does not support propagateSizeHints()".
    return message.startsWith(QLatin1String("This plugin does not support "));
}

void dropQtChatter() { g_next = qInstallMessageHandler(filtered); }

}  // namespace tarvel::cli
