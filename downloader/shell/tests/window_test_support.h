#pragma once
// The downloader's window with its boxes and file dialog recorded instead of
// shown, over its own configuration folder and program folder.

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "frm_spi_downloader.h"

namespace vxoem::testing {

struct SeenBox {
    std::string text;
    std::string title;
    MessageIcon icon;
};

class WindowBench final : public Dialogs {
public:
    // The work folder is a temporary one unless a test stores another: a batch
    // command line never writes its error file where the tests run.
    WindowBench() {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        store("Work_Dir", m_work.path());
    }
    ~WindowBench() override { qunsetenv("XDG_CONFIG_HOME"); }

    // Stores `key` in the settings before the window reads them.
    void store(const QString& key, const QString& value);
    QString stored(const QString& key) const;
    void writeUdIni(const std::string& content) const;
    frmSpiDownloader& open(const std::vector<std::string>& args = {});
    // Waits until the request the window posted to its device worker has
    // ended and what it reported is shown; false after `timeoutMs`.
    bool settle(int timeoutMs = 30000);

    // Dialogs: recorded, never shown.
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool confirm(const std::string& question) override;
    std::string chooseDownloadFile(const std::string& initialDirectory) override;

    QString programFolder() const { return m_program.path(); }
    std::vector<SeenBox> boxes;
    QString chosenFile;
    // The Yes/No questions asked, and the answer each gets.
    std::vector<std::string> questions;
    bool answerYes = false;

private:
    QTemporaryDir m_config;
    QTemporaryDir m_program;
    QTemporaryDir m_work;
    std::unique_ptr<frmSpiDownloader> m_window;
};

}  // namespace vxoem::testing
