#include "download_procedures.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vxoem {
namespace {

enum ChipCommandCode { kStop = 1, kHoldReset = 2, kRun = 3, kRescue = 4 };

constexpr const char* kFileErrorTitle = "File ERROR!";

}  // namespace

HeaderBlock qm40HeaderBlock() {
    HeaderBlock header{};
    header[0] = 0x02;
    header[1] = 0x06;
    header[6] = 0xB0;
    header[7] = 0xB0;
    header[31] = 0xFF;
    return header;
}

DownloadProcedures::DownloadProcedures(vx::ChipLink& vxLink, Reporter& reporter, DownloaderUi& ui,
                                       TerminalPort* terminal, Qm10Programmer* qm10)
    : VX(vxLink), m_reporter(reporter), m_ui(ui), m_terminal(terminal), m_qm10(qm10) {}

DownloadProcedures::Load DownloadProcedures::loadDownloadFile() {
    namespace fs = std::filesystem;
    m_fileLength = 0;
    std::error_code error;
    const auto status = fs::status(m_downloadFilePath, error);
    if (m_downloadFilePath.empty() || !fs::is_regular_file(status)) return m_lastLoad = Load::Unreadable;

    const auto size = fs::file_size(m_downloadFilePath, error);
    if (error) return m_lastLoad = Load::Unreadable;
    if (static_cast<int64_t>(size) > kProgramCapacity) {
        // Never a silent cut: the end of the program would be missing in the chip.
        m_reporter.message(m_downloadFilePath + " is " + std::to_string(size) +
                               " bytes long; the program memory holds at most " +
                               std::to_string(kProgramCapacity) + " bytes. Nothing was sent.",
                           kFileErrorTitle, MessageIcon::Exclamation);
        return m_lastLoad = Load::TooLarge;
    }

    std::ifstream in(m_downloadFilePath, std::ios::binary);
    if (!in) return m_lastLoad = Load::Unreadable;
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad() || static_cast<int64_t>(bytes.size()) > kProgramCapacity)
        return m_lastLoad = Load::Unreadable;

    m_fileLength = static_cast<int64_t>(bytes.size());
    if (m_chip == Chip::QM10) {
        m_programText.assign(bytes.begin(), bytes.end());
    } else {
        m_programBytes = std::move(bytes);
    }
    return m_lastLoad = Load::Loaded;
}

void DownloadProcedures::showOpeningFile() {
    m_ui.setChipWindowText(std::string(kLineBreak) + "Opening file: " + m_downloadFilePath + kLineBreak);
}

int64_t DownloadProcedures::SelectDownloadFile(const std::string& name) {
    m_downloadFilePath = name.empty() ? m_ui.chooseDownloadFile(m_workDirectory) : name;
    if (loadDownloadFile() != Load::Loaded) {
        m_fileLoaded = false;
        return 0;
    }
    showOpeningFile();
    m_fileLoaded = true;
    return m_fileLength;
}

void DownloadProcedures::cmdDownload_Click() {
    try {
        downloadSteps();
    } catch (const std::exception& error) {
        m_reporter.batchAwareError(std::string("Run-time error: ") + error.what());
    }
}

void DownloadProcedures::downloadSteps() {
    m_fileLoaded = false;
    Load load = loadDownloadFile();
    if (load == Load::Loaded) {
        m_fileLoaded = true;
        showOpeningFile();
    } else if (load == Load::Unreadable) {
        SelectDownloadFile({});
        load = m_lastLoad;
    }
    if (load == Load::TooLarge) return;  // already told
    if (m_downloadFilePath.empty()) return;
    if (!m_fileLoaded || m_fileLength == 0) {
        m_reporter.message("Download file empty.", kFileErrorTitle, MessageIcon::Exclamation);
        return;
    }

    m_ui.setProgressRange(0, static_cast<int>(m_fileLength));
    m_ui.appendChipWindowText(std::string(kLineBreak) + "Downloading File" + kLineBreak);

    if (m_chip == Chip::QM10) {
        if (qm10Available()) m_qm10->download(m_programText, m_headerBlock);
        return;
    }
    downloadQm40();
}

void DownloadProcedures::downloadQm40() {
    m_headerBlock = qm40HeaderBlock();
    OpenDownloadPort();

    int32_t status = 0;
    VX.HaltVelmix(status);
    if (status != vx::kStatusOk) {
        m_reporter.message("Error halting QM-40");
        return;
    }

    VX.WriteInternalEEprom(0, static_cast<int32_t>(m_headerBlock.size()), m_headerBlock, status);
    switch (status) {
        case vx::kStatusOk:
            break;
        case vx::kStatusNoCommunication:
            m_reporter.message("No communications");
            return;
        case vx::kStatusBadChecksum:
            m_reporter.message("RAM write error");
            return;
        default:
            m_reporter.message("Error downloading to internal EEPROM");
            return;
    }

    VX.WriteExternalEEprom(0, static_cast<int32_t>(m_fileLength), m_programBytes, status);
    if (status == vx::kStatusOk) {
        CloseDownloadPort();
        m_ui.appendChipWindowText(std::string(kLineBreak) + "Finished Downloading");
        m_ui.setProgressValue(0);
    } else if (status == vx::kStatusVerifyFailed) {
        m_reporter.message("Verify error, external EEPROM");
    } else {
        m_reporter.message("Error downloading to external EEPROM");
    }
}

bool DownloadProcedures::qm10Available() {
    if (m_qm10) return true;
    m_reporter.message("The QM-10 parallel-port programmer is not available in this build.", "Port ERROR",
                       MessageIcon::Exclamation);
    return false;
}

void DownloadProcedures::OpenDownloadPort() {
    if (m_terminal && m_terminal->isTerminalOpen()) {
        m_terminal->closeTerminal();
        m_terminalWasOpen = true;
    }
    if (!VX.PortOpen()) {
        int32_t status = 0;
        VX.OpenPort(true, status);
        if (status != vx::kStatusOk) m_reporter.message("Error opening download port");
    }
}

bool DownloadProcedures::releasePortOfVX() {
    if (!VX.PortOpen()) return true;
    int32_t status = 0;
    VX.OpenPort(false, status);
    if (status == vx::kStatusOk) return true;
    m_reporter.message("Error closing download port");
    return false;
}

void DownloadProcedures::CloseDownloadPort() {
    if (!releasePortOfVX()) return;
    if (m_terminalWasOpen) {
        if (m_terminal && !m_terminal->isTerminalOpen()) m_terminal->openTerminal();
        m_terminalWasOpen = false;
    }
}

void DownloadProcedures::SetDownloadPort(int port) {
    if (!releasePortOfVX()) return;
    VX.setCommPort(port);
}

void DownloadProcedures::ChipCommand(int code) {
    if (!VX.PortOpen()) return;
    int32_t status = 0;
    if (code == kRescue) {
        VX.Rescue(status);
        if (status != vx::kStatusOk) m_reporter.message("Error -- no communications");
        return;
    }
    VX.HaltVelmix(status);
    if (status != vx::kStatusOk) {
        m_reporter.batchAwareError("Error halting QM-40");
        return;
    }
    if (code == kRun) {
        VX.ResetVelmix(status);
        if (status != vx::kStatusOk) m_reporter.message("Error resetting QM-40");
    }
}

void DownloadProcedures::chipStateCommand(int code, void (Qm10Programmer::*qm10State)()) {
    if (m_chip == Chip::QM10) {
        if (qm10Available()) (m_qm10->*qm10State)();
        return;
    }
    OpenDownloadPort();
    ChipCommand(code);
    CloseDownloadPort();
}

void DownloadProcedures::StopChip() { chipStateCommand(kStop, &Qm10Programmer::stopChip); }

void DownloadProcedures::ResetChip() { chipStateCommand(kHoldReset, &Qm10Programmer::resetChip); }

void DownloadProcedures::cmdExecute_Click() { chipStateCommand(kRun, &Qm10Programmer::runChip); }

void DownloadProcedures::qm40res_Click() {
    OpenDownloadPort();
    ChipCommand(kRescue);
    CloseDownloadPort();
}

}  // namespace vxoem
