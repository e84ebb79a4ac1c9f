#include "config_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "dialogs.h"
#include "flight_analysis.h"
#include "tarvel_settings.h"

namespace tarvel {

namespace {

const QStringList kFixedPorts = {"COM1", "COM2", "COM3", "COM4"};

// The drop-down list shows each port with its description; the field above
// takes the bare name, which is what opens the port.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(ConfigDialog::kDescriptionRole).toString();
        if (!description.isEmpty()) option->text += QStringLiteral("  \u2014  ") + description;
    }
};

}  // namespace

QList<ConfigDialog::PortChoice> ConfigDialog::systemPorts() {
    QList<PortChoice> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = info.portName();  // COM7
#else
        const QString name = info.systemLocation();  // /dev/ttyUSB0
#endif
        QString description = info.description();
        if (!info.manufacturer().isEmpty() && !description.contains(info.manufacturer()))
            description += (description.isEmpty() ? "" : ", ") + info.manufacturer();
        ports.append({name, description});
    }
    return ports;
}

void ConfigDialog::refreshPorts() {
    const QString shown = m_comport->currentText();
    m_comport->clear();
    m_comport->addItems(kFixedPorts);
    for (const PortChoice& port : m_lister ? m_lister() : QList<PortChoice>{}) {
        if (port.name.isEmpty()) continue;
        int at = m_comport->findText(port.name);
        if (at < 0) {
            m_comport->addItem(port.name);
            at = m_comport->count() - 1;
        }
        m_comport->setItemData(at, port.description, kDescriptionRole);
        m_comport->setItemData(at, port.description, Qt::ToolTipRole);
        m_comport->setItemData(at, port.name + " " + port.description, Qt::AccessibleTextRole);
    }
    m_comport->setCurrentText(shown);
}

ConfigDialog::ConfigDialog(FlightAnalysis& analysis, const TarvelSettings& settings, Dialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), m_analysis(analysis), m_settings(settings), m_dialogs(dialogs) {
    setObjectName("frmConfig");
    setWindowTitle("Configuration");
    setModal(true);

    m_comport = new QComboBox(this);
    m_comport->setObjectName("Comport");
    m_comport->setEditable(true);  // a port name outside the list can be typed
    m_comport->addItems(kFixedPorts);
    m_comport->setItemDelegate(new PortItemDelegate(m_comport));
    m_comport->setAccessibleName("Serial Com Port");
    m_comport->setCurrentText("COM1");
    m_comport->setMinimumWidth(140);  // room for longer device names
    // A longer name would be saved but not read back at the next start.
    m_comport->lineEdit()->setMaxLength(TarvelSettings::kMaxPortChars);

    m_ok = new QPushButton("&Ok", this);
    m_ok->setObjectName("CmdOk");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ConfigDialog::CmdOk_Click);

    auto* row = new QHBoxLayout;
    auto* caption = new QLabel("Serial Com Port", this);
    caption->setBuddy(m_comport);
    row->addWidget(caption);
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
        m_dialogs.message(this, QString::fromStdString(status.message), Dialogs::Icon::Exclamation);
        return;
    }
    accept();
}

}  // namespace tarvel
