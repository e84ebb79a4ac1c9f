#include "rocket_profile_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qt_text.h"
#include "rocket_profile.h"

namespace tarvel {

using suite::qs;

RocketProfileDialog::RocketProfileDialog(const std::vector<std::string>& names, const QString& summary,
                                         QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmRocketProfile");
    setWindowTitle("Save Rocket Profile");
    setModal(true);

    m_name = new QComboBox(this);
    m_name->setObjectName("cmbProfileName");
    m_name->setEditable(true);
    m_name->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name : names) m_name->addItem(qs(name));
    m_name->setCurrentText({});
    m_name->lineEdit()->setMaxLength(int(kMaxProfileNameChars));
    m_name->setMinimumWidth(220);
    m_name->setAccessibleName("Profile name");

    auto* details = new QLabel(summary, this);
    details->setObjectName("lblProfileDetails");
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    QPushButton* save = m_buttons->button(QDialogButtonBox::Save);
    save->setObjectName("cmdSaveProfile");
    save->setDefault(true);
    // No name, nothing to save under.
    save->setEnabled(false);
    connect(m_name, &QComboBox::currentTextChanged, save,
            [save](const QString& text) { save->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow("Profile Name:", m_name);
    form->addRow("Details:", details);
    form->addRow(m_buttons);
}

std::string RocketProfileDialog::profileName() const {
    return trimmedProfileName(m_name->currentText().toStdString());
}

}  // namespace tarvel
