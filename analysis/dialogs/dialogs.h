#pragma once
// Every file, printer, message and modal dialog of the analysis program goes
// through this one seam, so that tests answer the dialogs instead of a user.

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "message_icon.h"

class QDialog;
class QPrinter;
class QWidget;

namespace tarvel {

inline constexpr const char* kAppTitle = "Tarvel-Graph";

// "Motor Files (*.eng)|*.eng" -> "Motor Files (*.eng)": the dialogs take the
// description, which carries the pattern.
inline QString dialogFilter(std::string_view filter) {
    filter = filter.substr(0, filter.find('|'));
    return QString::fromUtf8(filter.data(), qsizetype(filter.size()));
}

class Dialogs {
public:
    using Icon = suite::MessageIcon;
    // Buttons of a question, and the one the user pressed.
    enum class Choice { Save, Discard, Replace, Open, Fire, StopAndExit, Delete, Cancel };

    virtual ~Dialogs() = default;
    // Open dialog; nothing when the user cancels.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Open dialog that takes several files; none when the user cancels.
    virtual QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) {
        const std::optional<QString> path = openFile(parent, title, filter);
        return path ? QStringList{*path} : QStringList{};
    }
    // Save dialog that asks before overwriting; nothing when the user cancels.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Message box with the OK button, titled with the application's title.
    virtual void message(QWidget* parent, const QString& text, Icon icon) = 0;
    // Printer selection; false when the user cancels.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
    // Shows a dialog of our own modally and returns its result code.
    virtual int runModal(QDialog& dialog) = 0;
    // A question with the exclamation icon and the buttons `choices`; closing
    // it is Cancel. Without a user to answer, nothing is risked: Cancel.
    virtual Choice ask(QWidget* parent, const QString& text, std::initializer_list<Choice> choices) {
        (void)parent, (void)text, (void)choices;
        return Choice::Cancel;
    }
    // The offer after a command that succeeded: the information icon, `accept`
    // and Cancel, with `accept` the default (Escape still cancels).
    virtual Choice offer(QWidget* parent, const QString& text, Choice accept) {
        return ask(parent, text, {accept, Choice::Cancel});
    }
};

// The real dialogs of the platform.
class QtDialogs : public Dialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& title, const QString& filter) override;
    void message(QWidget* parent, const QString& text, Icon icon) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
    int runModal(QDialog& dialog) override;
    Choice ask(QWidget* parent, const QString& text, std::initializer_list<Choice> choices) override;
    Choice offer(QWidget* parent, const QString& text, Choice accept) override;
};

}  // namespace tarvel
