#include "qm10_port_control.h"

#include <QCheckBox>
#include <QComboBox>

#include "downloader_ui.h"
#include "frm_lpt.h"
#include "lpt_settings.h"
#include "qm10_wire.h"
#include "reporter.h"
#include "vxoem_settings.h"

using namespace vx::lpt;

namespace {

std::unique_ptr<PortBackend> orEnvironment(std::unique_ptr<PortBackend> backend) {
    return backend ? std::move(backend) : makePortBackend(PortEnvironment::fromProcess());
}

QString text(const std::string& value) { return QString::fromStdString(value); }

// The progress bar's text while the page holding byte `value` - 1 of a
// `programSize`-byte program is written and read back; empty for 0 (idle).
std::string pageProgressText(int value, size_t programSize) {
    if (value <= 0) return {};
    using wire::kPageSize;
    const size_t page = static_cast<size_t>(value - 1) / kPageSize + 1;
    const size_t pages = (programSize + kPageSize - 1) / kPageSize;
    return "Writing and verifying page " + std::to_string(page) + " of " + std::to_string(pages) + ": %p%";
}

}  // namespace

Qm10PortHooks qm10PortHooks(vxoem::VxoemSettings& settings, vxoem::Reporter& reporter,
                            vxoem::DownloaderUi& ui) {
    Qm10PortHooks hooks;
    hooks.readSettings = [&settings] {
        return LptStoredSettings{text(settings.portNumber()), text(settings.portAddress()),
                                 text(settings.portReserve())};
    };
    hooks.writeSettings = [&settings](const LptStoredSettings& stored) {
        settings.setPortNumber(stored.portNumber.toStdString());
        settings.setPortAddress(stored.portAddress.toStdString());
        settings.setPortReserve(stored.portReserve.toStdString());
    };
    hooks.programmer.appendStatus = [&ui](const std::string& line) {
        QString shown = text(line);
        shown.replace(QStringLiteral("\r\n"), QString::fromLatin1(vxoem::kLineBreak));
        ui.appendChipWindowText(shown.toStdString());
    };
    hooks.programmer.setProgress = [&ui](int value) { ui.setProgressValue(value); };
    hooks.progressText = [&ui](const std::string& format) { ui.setProgressText(format); };
    hooks.programmer.message = [&reporter](const Message& message) {
        reporter.message(message.text, message.title,
                         message.exclamation ? vxoem::MessageIcon::Exclamation : vxoem::MessageIcon::None);
    };
    return hooks;
}

Qm10PortHooks Qm10PortControl::withPageText(Qm10PortHooks hooks, const size_t& programSize) {
    hooks.programmer.setProgress = [shown = std::move(hooks.programmer.setProgress),
                                    text = hooks.progressText, &programSize](int value) {
        if (text) text(pageProgressText(value, programSize));
        if (shown) shown(value);
    };
    return hooks;
}

Qm10PortControl::Qm10PortControl(QWidget* window, Qm10PortHooks hooks, std::unique_ptr<PortBackend> backend)
    : QObject(window),
      m_hooks(withPageText(std::move(hooks), m_programSize)),
      m_port(orEnvironment(std::move(backend))),
      m_timeout(steadyClockMs),
      m_programmer(m_port, m_timeout, m_hooks.programmer) {
    if (window) {
        m_frmLPT = new FrmLpt(window);
        connect(m_frmLPT, &QDialog::accepted, this, &Qm10PortControl::cmdOkLPT_Click);
    }
}

Qm10PortControl::~Qm10PortControl() = default;

std::string Qm10PortControl::openStoredPort() {
    const LptStoredSettings stored = m_hooks.readSettings ? m_hooks.readSettings() : LptStoredSettings{};
    const StartupPort start = startupPort(stored.portNumber.toStdString(), stored.portAddress.toStdString());
    const int reserve = static_cast<int>(numericValue(stored.portReserve.toStdString()));
    // The dialog shows the stored reservation; after its Ok it shows the user's choice already.
    if (reserve != 0 && m_frmLPT) m_frmLPT->reservePortCheck1()->setChecked(true);
    return openPort(text(start.caption), text(start.address), reserve);
}

void Qm10PortControl::LPT_Click(int n) {
    if (!m_frmLPT) return;
    m_frmLPT->setWindowTitle(text(withPortDigit(m_frmLPT->windowTitle().toStdString(), n)));
    const LptStoredSettings stored = m_hooks.readSettings ? m_hooks.readSettings() : LptStoredSettings{};
    const LptSettings settings =
        ReadLptSettings(stored.portAddress.toStdString(), stored.portReserve.toStdString());
    m_frmLPT->lptAddressCombo()->setCurrentText(text(dialogAddress(n, settings.addressText)));
    m_frmLPT->exec();
}

void Qm10PortControl::cmdOkLPT_Click() {
    const QString caption = m_frmLPT->windowTitle();
    const QString address = m_frmLPT->lptAddressCombo()->currentText();
    const QString reserve =
        m_frmLPT->reservePortCheck1()->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (m_hooks.writeSettings) m_hooks.writeSettings({caption.mid(3, 1), address, reserve});
    auto open = [this, caption, address, reserve] { OpenLPTfile(caption, address, reserve.toInt()); };
    if (m_hooks.run) {
        m_hooks.run(std::move(open));
    } else {
        open();
    }
}

std::string Qm10PortControl::openPort(const QString& Caption, const QString& Port, int Reserve) {
    const std::string caption = Caption.toStdString();
    const auto result = m_port.OpenLPTfile(caption, Port.toStdString(), Reserve);
    const int checked = captionNumber(caption);
    if (checked != m_checkedPort) setChipState(true, vx::ChipState::Unknown);
    m_checkedPort = checked;
    emit portChecked(m_checkedPort);
    if (Reserve != 0 && !result.reserved) return portUnavailableText(caption) + "\n\n" + result.error;
    return {};
}

void Qm10PortControl::OpenLPTfile(const QString& Caption, const QString& Port, int Reserve) {
    const std::string problem = openPort(Caption, Port, Reserve);
    if (!problem.empty() && m_hooks.programmer.message)
        m_hooks.programmer.message({problem, std::string(kPortErrorTitle), true});
}

vxoem::ChipDownload Qm10PortControl::download(const std::string& program, vxoem::HeaderBlock& header) {
    m_programSize = program.size();
    m_lastDownload = m_programmer.Download(program, header);
    setChipState(m_lastDownload.started, vx::ChipState::HeldInReset);
    return {m_lastDownload.failure, m_lastDownload.started};
}

void Qm10PortControl::stopChip() { setChipState(m_programmer.StopChip(), vx::ChipState::Halted); }

void Qm10PortControl::resetChip() { setChipState(m_programmer.ResetChip(), vx::ChipState::HeldInReset); }

void Qm10PortControl::runChip() { setChipState(m_programmer.RunChip(), vx::ChipState::Running); }

void Qm10PortControl::setChipState(bool written, vx::ChipState state) {
    if (!written || state == m_chipState) return;
    m_chipState = state;
    emit chipStateChanged(static_cast<int>(state));
}
