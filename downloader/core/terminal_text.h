#pragma once
// What the chip status window does with text arriving from the terminal port.
// The window holds one QChar per received byte; a line break in the window is
// a single '\n'.

#include <QString>

namespace vxoem {

constexpr int kTerminalTextLimit = 16000;  // above this the oldest text goes ...
constexpr int kTerminalTrimLength = 4096;  // ... this many characters at a time

// Returns the window's text after `incoming` arrived: the oldest 4096
// characters are dropped first when the window holds more than 16000; a
// backspace at the start of `incoming` erases the last character already
// shown, one elsewhere erases the character before it; line feeds are dropped
// and every carriage return becomes a line break.
QString AppendTerminalText(QString shown, QString incoming);

// Bytes as the terminal shows them: one character per byte, no decoding.
QString terminalCharacters(const QByteArray& bytes);

}  // namespace vxoem
