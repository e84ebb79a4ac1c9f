#include "download_procedures.h"

#include <filesystem>

#include "regular_file.h"

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

DownloadProcedures::DownloadProcedures(vx::ChipControl& vxLink, Reporter& reporter, DownloaderUi& ui,
                                       TerminalPort* terminal, Qm10Programmer* qm10)
    : VX(vxLink), m_reporter(reporter), m_ui(ui), m_terminal(terminal), m_qm10(qm10) {}

DownloadProcedures::Image DownloadProcedures::readImage(const std::string& path) {
    Image image;
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(std::filesystem::symlink_status(path, error)))
        return image;  // Missing
    vx::RegularFileRead file = vx::readRegularFile(path, static_cast<uint64_t>(kProgramCapacity));
    if (file.tooLarge) {
        // Never a silent cut: the end of the program would be missing in the chip.
        image.load = Load::TooLarge;
        image.reason = "it is " + std::to_string(file.size) +
                       " bytes long; the program memory holds at most " + std::to_string(kProgramCapacity) +
                       " bytes";
    } else if (!file.ok) {
        image.load = Load::Unreadable;
        image.reason = file.error;
    } else {
        image.load = Load::Loaded;
        image.bytes = std::move(file.bytes);
    }
    return image;
}

void DownloadProcedures::takeImage(const std::string& path, Image& image) {
    m_downloadFilePath = path;
    m_fileLength = static_cast<int64_t>(image.bytes.size());
    if (m_chip == Chip::QM10) {
        m_programText = std::move(image.bytes);
    } else {
        m_programBytes.assign(image.bytes.begin(), image.bytes.end());
    }
    m_fileLoaded = true;
    showOpeningFile();
}

void DownloadProcedures::refuseImage(const std::string& path, const Image& image,
                                     const std::string& consequence) {
    const std::string reason = image.load == Load::Missing ? "No such file or directory" : image.reason;
    m_reporter.message(path + ": " + reason + ". " + consequence, kFileErrorTitle, MessageIcon::Exclamation);
}

void DownloadProcedures::showOpeningFile() {
    m_ui.setChipWindowText(std::string(kLineBreak) + "Opening file: " + m_downloadFilePath + kLineBreak);
}

bool DownloadProcedures::selectFile(const std::string& name) {
    const std::string path = name.empty() ? m_ui.chooseDownloadFile(m_workDirectory) : name;
    if (path.empty()) {  // the dialog was cancelled
        m_downloadFilePath.clear();
        m_fileLoaded = false;
        return false;
    }
    Image image = readImage(path);
    if (image.load != Load::Loaded) {
        // The image loaded before stays, and the chip status window still names it.
        refuseImage(path, image,
                    m_fileLoaded ? "The program loaded before stays: " + m_downloadFilePath
                                 : std::string("No program is loaded."));
        return false;
    }
    takeImage(path, image);
    return true;
}

int64_t DownloadProcedures::SelectDownloadFile(const std::string& name) {
    m_selectionLoaded = selectFile(name);
    return m_selectionLoaded ? m_fileLength : 0;
}

void DownloadProcedures::cmdDownload_Click() {
    m_downloadSucceeded = false;
    try {
        downloadSteps();
    } catch (const std::exception& error) {
        m_reporter.batchAwareError(std::string("Run-time error: ") + error.what());
    }
}

void DownloadProcedures::downloadSteps() {
    // Every download reads the file again.
    m_fileLoaded = false;
    Image image = readImage(m_downloadFilePath);
    if (image.load == Load::Loaded) {
        takeImage(m_downloadFilePath, image);
    } else if (image.load == Load::Missing) {
        if (!selectFile({})) return;  // a cancel ends silently; a refusal was told
    } else {
        refuseImage(m_downloadFilePath, image, "Nothing was sent.");
        return;
    }
    if (m_fileLength == 0) {
        m_reporter.message("Download file empty.", kFileErrorTitle, MessageIcon::Exclamation);
        return;
    }

    m_ui.setProgressRange(0, static_cast<int>(m_fileLength));
    m_ui.appendChipWindowText(std::string(kLineBreak) + "Downloading File" + kLineBreak);

    ChipDownload outcome;
    if (m_chip == Chip::QM10) {
        outcome = qm10Available() ? m_qm10->download(m_programText, m_headerBlock)
                                  : ChipDownload{"no parallel-port programmer", false};
    } else {
        outcome = downloadQm40();
    }
    m_downloadSucceeded = outcome.failure.empty();
    if (m_downloadSucceeded) {
        m_programFailedCheck = false;
    } else {
        // The window's last line says how it ended.
        m_ui.appendChipWindowText(std::string(kLineBreak) + "Download failed: " + outcome.failure);
        if (outcome.chipWritten) m_programFailedCheck = true;
    }
}

ChipDownload DownloadProcedures::downloadQm40() {
    m_headerBlock = qm40HeaderBlock();
    if (!OpenDownloadPort()) return {portOpenError(), false};
    const auto fail = [this](const std::string& text, bool written) {
        m_reporter.message(text);
        return ChipDownload{text, written};
    };

    int32_t status = 0;
    VX.HaltVelmix(status);
    if (status != vx::kStatusOk) return fail("Error halting QM-40", false);

    VX.WriteInternalEEprom(0, static_cast<int32_t>(m_headerBlock.size()), m_headerBlock, status);
    switch (status) {
        case vx::kStatusOk:
            break;
        case vx::kStatusNoCommunication:
            return fail("No communications", true);
        case vx::kStatusBadChecksum:
            return fail("RAM write error", true);
        default:
            return fail("Error downloading to internal EEPROM", true);
    }

    VX.WriteExternalEEprom(0, static_cast<int32_t>(m_fileLength), m_programBytes, status);
    if (status == vx::kStatusVerifyFailed) return fail("Verify error, external EEPROM", true);
    if (status != vx::kStatusOk) return fail("Error downloading to external EEPROM", true);
    CloseDownloadPort();
    m_ui.appendChipWindowText(std::string(kLineBreak) + "Finished Downloading");
    m_ui.setProgressValue(0);
    return {};
}

bool DownloadProcedures::qm10Available() {
    if (m_qm10) return true;
    m_reporter.message("The QM-10 parallel-port programmer is not available in this build.", "Port ERROR",
                       MessageIcon::Exclamation);
    return false;
}

void DownloadProcedures::openStoredParallelPort() {
    if (!m_qm10) return;
    const std::string problem = m_qm10->openStoredPort();
    if (problem.empty()) return;
    if (m_chip == Chip::QM10) {
        m_reporter.message(problem, "Port ERROR", MessageIcon::Exclamation);
    } else {
        // Nothing of this run needs that port.
        m_reporter.note(problem + " (the QM-10's port; the QM-40 is selected)");
    }
}

bool DownloadProcedures::OpenDownloadPort() {
    if (m_terminal && m_terminal->isTerminalOpen()) {
        m_terminal->closeTerminal();
        m_terminalWasOpen = true;
    }
    if (VX.PortOpen()) return true;
    int32_t status = 0;
    VX.OpenPort(true, status);
    if (status == vx::kStatusOk) return true;
    m_reporter.message(portOpenError());
    CloseDownloadPort();  // nothing holds the port: the terminal gets it back
    return false;
}

std::string DownloadProcedures::portOpenError() const {
    return "Error opening download port " + VX.portDevice() + ": " + VX.openFailure();
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
        // A Rescue the user stopped (the window closing) is no failure to tell.
        if (status != vx::kStatusOk && !VX.rescueStopped()) m_reporter.message("Error -- no communications");
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

void DownloadProcedures::withDownloadPort(int code) {
    if (!OpenDownloadPort()) return;
    ChipCommand(code);
    CloseDownloadPort();
}

void DownloadProcedures::chipStateCommand(int code, void (Qm10Programmer::*qm10State)()) {
    if (m_chip == Chip::QM10) {
        if (qm10Available()) (m_qm10->*qm10State)();
        return;
    }
    withDownloadPort(code);
}

void DownloadProcedures::StopChip() { chipStateCommand(kStop, &Qm10Programmer::stopChip); }

void DownloadProcedures::ResetChip() { chipStateCommand(kHoldReset, &Qm10Programmer::resetChip); }

void DownloadProcedures::cmdExecute_Click() {
    // The chip drives pyrotechnic outputs: a broken program runs only when the user says so.
    if (m_programFailedCheck && !m_ui.confirm(kRunAnywayQuestion)) return;
    chipStateCommand(kRun, &Qm10Programmer::runChip);
}

void DownloadProcedures::qm40res_Click() { withDownloadPort(kRescue); }

}  // namespace vxoem
