#pragma once
// The downloader's work: choosing and loading a program image, putting it
// into the chip, and the small chip commands around it (stop, hold in reset,
// run, rescue). The window's toolbar and menus and the unattended command
// line run the same procedures; they reach the user only through the Reporter.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chip_control.h"
#include "downloader_ui.h"
#include "reporter.h"

namespace vxoem {

enum class Chip { QM40, QM10 };

// The external EEPROM's 16-bit address space bounds every program image.
constexpr int64_t kProgramCapacity = 65536;

// How a download into the chip ended.
struct ChipDownload {
    std::string failure;       // the fault as the user was told it; empty when the program is in and checked
    bool chipWritten = false;  // the chip's memory was written to (the program there may be broken)
};

// Asked before Run starts a program whose download or check failed.
inline constexpr const char* kRunAnywayQuestion = "The program in the chip failed its check. Run it anyway?";

// Written to the QM-40's internal EEPROM before each download; the QM-10's
// configuration block is made from it.
using HeaderBlock = std::array<uint8_t, 32>;
HeaderBlock qm40HeaderBlock();

// The QM-10 side, programmed over the parallel port.
class Qm10Programmer {
public:
    virtual ~Qm10Programmer() = default;
    // Writes `program` (one character per byte) and the configuration block
    // made from `header`, then leaves the chip in reset.
    virtual ChipDownload download(const std::string& program, HeaderBlock& header) = 0;
    virtual void stopChip() = 0;
    virtual void resetChip() = 0;
    virtual void runChip() = 0;
    // LPT1 to LPT4 of the Download Port menu (n = 1 to 4).
    virtual void choosePort(int /*n*/) {}
    // At start: the parallel port kept in the settings; why it could not be
    // had (empty when it could), for the caller to tell.
    virtual std::string openStoredPort() { return {}; }
};

class DownloadProcedures {
public:
    // `terminal` and `qm10` may be null: no terminal port to lend, no
    // parallel-port programmer in this build.
    DownloadProcedures(vx::ChipControl& VX, Reporter& reporter, DownloaderUi& ui,
                       TerminalPort* terminal = nullptr, Qm10Programmer* qm10 = nullptr);

    Chip chip() const { return m_chip; }
    void setChip(Chip chip) { m_chip = chip; }
    const std::string& workDirectory() const { return m_workDirectory; }
    void setWorkDirectory(const std::string& folder) { m_workDirectory = folder; }
    void setQm10Programmer(Qm10Programmer* qm10) { m_qm10 = qm10; }
    Qm10Programmer* qm10Programmer() const { return m_qm10; }
    // For the QM-10 side: the same messages, chip status window and progress bar.
    Reporter& reporter() { return m_reporter; }
    DownloaderUi& ui() { return m_ui; }

    // Chooses (with the file dialog when `name` is empty) and loads the
    // download file; its length, or 0 when it could not be loaded. A file that
    // cannot be loaded is refused with its reason and the image loaded before stays.
    int64_t SelectDownloadFile(const std::string& name);
    // Whether the last SelectDownloadFile loaded the file it was given.
    bool selectionLoaded() const { return m_selectionLoaded; }
    void OpenFile_Click() { SelectDownloadFile({}); }
    void cmdDownload_Click();
    // Whether the last download put the program into the chip and it read back as written.
    bool downloadSucceeded() const { return m_downloadSucceeded; }
    // Asks first when the program in the chip failed its check.
    void cmdExecute_Click();
    void StopChip();
    void ResetChip();
    void qm40res_Click();

    // The parallel port of the settings, at start; a problem with it is a
    // note when the QM-40 is selected.
    void openStoredParallelPort();

    // False (and told, naming the device and the reason) when the port could not be opened.
    bool OpenDownloadPort();
    void CloseDownloadPort();
    void SetDownloadPort(int port);
    void ChipCommand(int code);

    const std::string& downloadFilePath() const { return m_downloadFilePath; }
    void setDownloadFilePath(const std::string& path) { m_downloadFilePath = path; }
    bool fileLoaded() const { return m_fileLoaded; }
    int64_t fileLength() const { return m_fileLength; }
    const HeaderBlock& headerBlock() const { return m_headerBlock; }

private:
    enum class Load { Loaded, Missing, Unreadable, TooLarge };
    struct Image {
        Load load = Load::Missing;
        std::string bytes;
        std::string reason;  // why it was not loaded
    };

    static Image readImage(const std::string& path);
    // Makes `image`, read from `path`, the loaded program.
    void takeImage(const std::string& path, Image& image);
    // Tells why `path` was not loaded and what follows from it.
    void refuseImage(const std::string& path, const Image& image, const std::string& consequence);
    bool selectFile(const std::string& name);
    void showOpeningFile();
    void downloadSteps();
    ChipDownload downloadQm40();
    // False (with a message) when there is no parallel-port programmer.
    bool qm10Available();
    bool releasePortOfVX();
    // What the user is told when VX could not open its port.
    std::string portOpenError() const;
    // The chip command `code` through VX, between taking and giving back the port.
    void withDownloadPort(int code);
    // Stop, Reset and Run: a chip state on the QM-10, the chip command `code` through VX on the QM-40.
    void chipStateCommand(int code, void (Qm10Programmer::*qm10State)());

    vx::ChipControl& VX;
    Reporter& m_reporter;
    DownloaderUi& m_ui;
    TerminalPort* m_terminal;
    Qm10Programmer* m_qm10;

    Chip m_chip = Chip::QM10;
    std::string m_workDirectory;
    std::string m_downloadFilePath;
    bool m_fileLoaded = false;
    int64_t m_fileLength = 0;
    bool m_selectionLoaded = false;
    bool m_downloadSucceeded = false;
    bool m_programFailedCheck = false;    // the last download wrote to the chip and failed
    std::vector<uint8_t> m_programBytes;  // QM-40: the whole image, from address 0
    std::string m_programText;            // QM-10: the whole image, one character per byte
    HeaderBlock m_headerBlock{};
    bool m_terminalWasOpen = false;
};

}  // namespace vxoem
