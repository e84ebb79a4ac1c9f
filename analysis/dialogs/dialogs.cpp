#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <vector>

namespace tarvel {

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

QStringList QtDialogs::openFiles(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& filter) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // "Record Files (*.rcd)": a name typed without an extension gets .rcd.
    const auto star = filter.indexOf("*.");
    if (star >= 0)
        dialog.setDefaultSuffix(filter.mid(star + 2).section(QRegularExpression("[^A-Za-z0-9]"), 0, 0));
    // Asking before overwriting is the dialog's default; there is no read-only box.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtDialogs::message(QWidget* parent, const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::runModal(QDialog& dialog) { return dialog.exec(); }

namespace {

// A question box with `choices`; Cancel is the escape button, and the default
// unless `preferred` names another choice.
Dialogs::Choice question(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                         std::initializer_list<Dialogs::Choice> choices,
                         Dialogs::Choice preferred = Dialogs::Choice::Cancel) {
    using Choice = Dialogs::Choice;
    QMessageBox box(icon, QString::fromLatin1(kAppTitle), text, QMessageBox::NoButton, parent);
    std::vector<std::pair<QAbstractButton*, Choice>> buttons;
    for (Choice choice : choices) {
        switch (choice) {
            case Choice::Save:
                buttons.emplace_back(box.addButton(QMessageBox::Save), choice);
                break;
            case Choice::Discard:
                buttons.emplace_back(box.addButton(QMessageBox::Discard), choice);
                break;
            case Choice::Replace:
                buttons.emplace_back(box.addButton("&Replace", QMessageBox::AcceptRole), choice);
                break;
            case Choice::Open:
                buttons.emplace_back(box.addButton("&Open", QMessageBox::AcceptRole), choice);
                break;
            case Choice::Fire:
                buttons.emplace_back(box.addButton("&Fire", QMessageBox::AcceptRole), choice);
                break;
            case Choice::StopAndExit:
                buttons.emplace_back(box.addButton("&Stop and Exit", QMessageBox::AcceptRole), choice);
                break;
            case Choice::Delete:
                buttons.emplace_back(box.addButton("&Delete", QMessageBox::DestructiveRole), choice);
                break;
            case Choice::Cancel:
                box.setEscapeButton(box.addButton(QMessageBox::Cancel));
                box.setDefaultButton(qobject_cast<QPushButton*>(box.escapeButton()));
                buttons.emplace_back(box.escapeButton(), choice);
                break;
        }
    }
    for (const auto& [button, choice] : buttons)
        if (choice == preferred) box.setDefaultButton(qobject_cast<QPushButton*>(button));
    box.exec();
    for (const auto& [button, choice] : buttons)
        if (box.clickedButton() == button) return choice;
    return Choice::Cancel;
}

}  // namespace

Dialogs::Choice QtDialogs::ask(QWidget* parent, const QString& text, std::initializer_list<Choice> choices) {
    return question(parent, QMessageBox::Warning, text, choices);
}

Dialogs::Choice QtDialogs::offer(QWidget* parent, const QString& text, Choice accept) {
    return question(parent, QMessageBox::Information, text, {accept, Choice::Cancel}, accept);
}

}  // namespace tarvel
