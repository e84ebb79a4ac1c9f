#include "terminal_text.h"

namespace vxoem {

QString AppendTerminalText(QString shown, QString incoming) {
    if (shown.size() > kTerminalTextLimit) shown.remove(0, kTerminalTrimLength);

    for (qsizetype at = incoming.indexOf(QChar(8)); at >= 0; at = incoming.indexOf(QChar(8))) {
        if (at == 0) {
            if (!shown.isEmpty()) shown.chop(1);
            incoming.remove(0, 1);
        } else {
            incoming.remove(at - 1, 2);
        }
    }
    incoming.remove(QChar(10));
    incoming.replace(QChar(13), QChar(10));
    return shown + incoming;
}

QString terminalCharacters(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

}  // namespace vxoem
