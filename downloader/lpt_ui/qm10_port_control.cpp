#include "qm10_port_control.h"

#include <QCheckBox>
#include <QComboBox>

#include "frm_lpt.h"
#include "lpt_settings.h"

using namespace vx::lpt;

// tmrEEPROMtimeout as the programmer's time-out: its tick sets the flag.
class Qm10PortControl::TimerTimeout final : public EepromTimeout {
public:
    explicit TimerTimeout(QTimer& timer) : m_timer(timer) {}
    void start(int milliseconds) override {
        m_timer.setInterval(milliseconds);
        m_expired = false;
        m_timer.start();
    }
    void stop() override { m_timer.stop(); }
    bool expired() const override { return m_expired; }
    void fire() {
        m_expired = true;
        m_timer.stop();
    }

private:
    QTimer& m_timer;
    bool m_expired = false;
};

namespace {

std::unique_ptr<PortBackend> orEnvironment(std::unique_ptr<PortBackend> backend) {
    return backend ? std::move(backend) : makePortBackend(PortEnvironment::fromProcess());
}

}  // namespace

Qm10PortControl::Qm10PortControl(QWidget* window, Qm10PortHooks hooks, std::unique_ptr<PortBackend> backend)
    : QObject(window),
      m_hooks(std::move(hooks)),
      m_port(orEnvironment(std::move(backend))),
      m_timeout(std::make_unique<TimerTimeout>(m_tmrEEPROMtimeout)),
      m_programmer(m_port, *m_timeout, m_hooks.programmer),
      m_frmLPT(new FrmLpt(window)) {
    m_tmrEEPROMtimeout.setObjectName(QStringLiteral("tmrEEPROMtimeout"));
    m_tmrEEPROMtimeout.setInterval(Qm10Programmer::kEepromTimeoutMs);
    connect(&m_tmrEEPROMtimeout, &QTimer::timeout, this, &Qm10PortControl::tmrEEPROMtimeout_Timer);
    connect(m_frmLPT, &QDialog::accepted, this, &Qm10PortControl::cmdOkLPT_Click);
}

Qm10PortControl::~Qm10PortControl() = default;

void Qm10PortControl::tmrEEPROMtimeout_Timer() { m_timeout->fire(); }

void Qm10PortControl::openStoredPort() {
    const LptStoredSettings stored = m_hooks.readSettings ? m_hooks.readSettings() : LptStoredSettings{};
    const StartupPort start = startupPort(stored.portNumber.toStdString(), stored.portAddress.toStdString());
    OpenLPTfile(QString::fromStdString(start.caption), QString::fromStdString(start.address),
                static_cast<int>(numericValue(stored.portReserve.toStdString())));
}

void Qm10PortControl::LPT_Click(int n) {
    m_frmLPT->setWindowTitle(QString::fromStdString(withPortDigit(m_frmLPT->windowTitle().toStdString(), n)));
    const LptStoredSettings stored = m_hooks.readSettings ? m_hooks.readSettings() : LptStoredSettings{};
    const LptSettings settings =
        ReadLptSettings(stored.portAddress.toStdString(), stored.portReserve.toStdString());
    m_frmLPT->lptAddressCombo()->setCurrentText(
        QString::fromStdString(dialogAddress(n, settings.addressText)));
    m_frmLPT->exec();
}

void Qm10PortControl::cmdOkLPT_Click() {
    const QString caption = m_frmLPT->windowTitle();
    const QString address = m_frmLPT->lptAddressCombo()->currentText();
    const QString reserve =
        m_frmLPT->reservePortCheck1()->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (m_hooks.writeSettings) m_hooks.writeSettings({caption.mid(3, 1), address, reserve});
    OpenLPTfile(caption, address, reserve.toInt());
}

void Qm10PortControl::OpenLPTfile(const QString& Caption, const QString& Port, int Reserve) {
    const std::string caption = Caption.toStdString();
    const auto result = m_port.OpenLPTfile(caption, Port.toStdString(), Reserve);
    if (Reserve != 0) m_frmLPT->reservePortCheck1()->setChecked(true);
    m_checkedPort = captionNumber(caption);
    emit portChecked(m_checkedPort);
    if (Reserve != 0 && !result.reserved && m_hooks.programmer.message)
        m_hooks.programmer.message(
            {portUnavailableText(caption) + "\n\n" + result.error, std::string(kPortErrorTitle), true});
}

DownloadResult Qm10PortControl::Download(std::string_view program, HeaderBlock& header) {
    return m_programmer.Download(program, header);
}
