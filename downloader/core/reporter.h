#pragma once
// One place where the downloader tells the user something: a box, or in batch
// mode the error file "Velmix.err". Under the quiet switch no box opens; what
// would have been a box becomes a line of the error file and of standard error.

#include <string>
#include <vector>

#include "downloader_ui.h"

namespace vxoem {

class Reporter {
public:
    explicit Reporter(DownloaderUi& ui) : m_ui(ui) {}
    ~Reporter() { closeErrorFile(); }
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    void setQuiet(bool quiet) { m_quiet = quiet; }
    bool quiet() const { return m_quiet; }

    // A box, or the quiet form of it; in batch mode also a line of the error file.
    void message(const std::string& text, const std::string& title = {},
                 MessageIcon icon = MessageIcon::None);
    // A failure that batch mode logs instead of showing: a line of the error
    // file plus the batch error flag, which skips the remaining switches.
    void batchAwareError(const std::string& text);
    // A box recorded in the error file even before batch mode is set (once).
    void messageAndLog(const std::string& text);
    // Something the user should know that is no failure of this run (the port
    // of the chip that is not selected): a box, or when quiet standard error;
    // and a "Note: " line of the error file, kept until the file is opened.
    void note(const std::string& text);

    // The error file is created anew, as a regular file of its own: a symbolic
    // link, a file with other names (hard links), a pipe or a device there is
    // left alone. False (and a line on standard error) when it cannot be.
    bool openErrorFile(const std::string& path);
    void errorLine(const std::string& text);
    // A line of the error file that reports a failure.
    void errorLineFailure(const std::string& text);
    void closeErrorFile();

    bool batch() const { return m_batch; }
    void setBatch(bool batch) { m_batch = batch; }
    bool batchError() const { return m_batchError; }
    // Whether any failure was reported since start: the exit status of a batch run.
    bool failureReported() const { return m_failureReported; }

private:
    DownloaderUi& m_ui;
    int m_errorFile = -1;
    std::string m_errorFilePath;
    bool m_errorFileFailed = false;  // a write failed; told once
    std::vector<std::string> m_pendingNotes;
    bool m_quiet = false;
    bool m_batch = false;
    bool m_batchError = false;
    bool m_failureReported = false;
};

}  // namespace vxoem
