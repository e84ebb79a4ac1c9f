#pragma once
// Qt's own notes on standard error that tell the user of a command nothing:
// the runtime folder it had to make up, and what the offscreen platform of a
// program without a display cannot do for windows nobody sees. They are
// dropped; every other message of Qt, warnings and errors above all, still
// reaches standard error as before.

#include <QtGlobal>

class QString;

namespace tarvel::cli {

bool isQtChatter(QtMsgType type, const QString& message);

// Installs the filter in front of the handler in place (Qt's own).
void dropQtChatter();

}  // namespace tarvel::cli
