#include "window_test_support.h"

#include <QSettings>
#include <fstream>

namespace vxoem::testing {

void WindowBench::store(const QString& key, const QString& value) {
    QSettings(m_config.filePath("Velmix/Velmix.conf"), QSettings::IniFormat).setValue("Config/" + key, value);
}

QString WindowBench::stored(const QString& key) const {
    return QSettings(m_config.filePath("Velmix/Velmix.conf"), QSettings::IniFormat)
        .value("Config/" + key)
        .toString();
}

void WindowBench::writeUdIni(const std::string& content) const {
    std::ofstream(m_program.filePath("ud.ini").toStdString(), std::ios::binary) << content;
}

frmSpiDownloader& WindowBench::open(const std::vector<std::string>& args) {
    DownloaderDialogs dialogs;
    dialogs.message = [this](QWidget*, const QString& text, const QString& title, MessageIcon icon) {
        boxes.push_back({text.toStdString(), title.toStdString(), icon});
    };
    dialogs.chooseFile = [this](QWidget*, const QString&) { return chosenFile; };
    dialogs.question = [this](QWidget*, const QString& text, const QString&) {
        questions.push_back(text.toStdString());
        return answerYes;
    };
    m_window = std::make_unique<frmSpiDownloader>(dialogs, m_program.path());
    m_window->Form_Load(args);
    return *m_window;
}

}  // namespace vxoem::testing
