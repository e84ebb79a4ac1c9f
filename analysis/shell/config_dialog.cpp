#include "config_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs.h"
#include "flight_analysis.h"
#include "tarvel_settings.h"

namespace tarvel {

ConfigDialog::ConfigDialog(FlightAnalysis& analysis, const TarvelSettings& settings, Dialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), m_analysis(analysis), m_settings(settings), m_dialogs(dialogs) {
    setObjectName("frmConfig");
    setWindowTitle("Configuration");
    setModal(true);

    m_comport = new QComboBox(this);
    m_comport->setObjectName("Comport");
    m_comport->setEditable(true);  // a port name outside the list can be typed
    m_comport->addItems({"COM1", "COM2", "COM3", "COM4"});
    m_comport->setCurrentText("COM1");
    m_comport->setMinimumWidth(140);  // room for longer device names
    // A longer name would be saved but not read back at the next start.
    m_comport->lineEdit()->setMaxLength(TarvelSettings::kMaxPortChars);

    m_ok = new QPushButton("&Ok", this);
    m_ok->setObjectName("CmdOk");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ConfigDialog::CmdOk_Click);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Serial Com Port", this));
    row->addWidget(m_comport, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
}

void ConfigDialog::CmdOk_Click() {
    // The port takes effect even when the file cannot be written; the dialog
    // then stays open so the user sees the failure.
    const std::string port = m_comport->currentText().toStdString();
    m_analysis.Comport = port;
    const Status status = m_settings.writePort(port);
    if (!status.ok) {
        m_dialogs.message(this, QString::fromStdString(status.message), Dialogs::Icon::Warning);
        return;
    }
    accept();
}

}  // namespace tarvel
