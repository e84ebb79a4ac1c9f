#include "about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vxoem {

AboutWindow::AboutWindow(const QString& line1, const QString& line2, QWidget* parent)
    : QDialog(parent), m_line1(new QLabel(line1, this)), m_line2(new QLabel(line2, this)) {
    setObjectName("About");
    setWindowTitle("About");
    setModal(false);
    m_line1->setObjectName("lblLine1");
    m_line2->setObjectName("lblLine2");
    m_line2->setVisible(!line2.isEmpty());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_line1);
    layout->addWidget(m_line2);
    layout->addWidget(buttons);
}

}  // namespace vxoem
