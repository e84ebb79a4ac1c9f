#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace tarvel {

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& title, const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& title, const QString& filter)
{
    // The overwrite question is the dialog's default; the read-only box does not exist here.
    const QString path = QFileDialog::getSaveFileName(parent, title, QString(), filter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void QtDialogs::message(QWidget* parent, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::choosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::runModal(QDialog& dialog)
{
    return dialog.exec();
}

}  // namespace tarvel
