#include "frm_lpt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "lpt_settings.h"

FrmLpt::FrmLpt(QWidget* parent)
    : QDialog(parent),
      m_lptAddressCombo(new QComboBox(this)),
      m_reservePortCheck1(new QCheckBox(QStringLiteral("Reserve Port"), this)),
      m_cmdOkLPT(new QPushButton(QStringLiteral("&Ok"), this)),
      m_cmdCancelLPT(new QPushButton(QStringLiteral("&Cancel"), this)) {
    setObjectName(QStringLiteral("frmLPT"));
    setWindowTitle(QString::fromStdString(vx::lpt::lptCaption(1)));
    m_lptAddressCombo->setObjectName(QStringLiteral("lptAddressCombo"));
    m_reservePortCheck1->setObjectName(QStringLiteral("reservePortCheck1"));
    m_cmdOkLPT->setObjectName(QStringLiteral("cmdOkLPT"));
    m_cmdCancelLPT->setObjectName(QStringLiteral("cmdCancelLPT"));

    // Any other base address (a PCI card's) can be typed in.
    m_lptAddressCombo->setEditable(true);
    for (std::string_view address : vx::lpt::kDialogAddresses)
        m_lptAddressCombo->addItem(
            QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size())));

    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Port Address"), this), m_lptAddressCombo);
    form->addRow(m_reservePortCheck1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdOkLPT);
    buttons->addWidget(m_cmdCancelLPT);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    m_cmdOkLPT->setDefault(true);
    connect(m_cmdOkLPT, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdCancelLPT, &QPushButton::clicked, this, &QDialog::reject);
}
