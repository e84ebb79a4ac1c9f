#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

namespace tarvel {

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
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
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::runModal(QDialog& dialog) { return dialog.exec(); }

}  // namespace tarvel
