#include "window_test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTest>
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
    m_window = std::make_unique<frmSpiDownloader>(this, m_program.path());
    m_window->Form_Load(args);
    return *m_window;
}

bool WindowBench::settle(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (m_window->busy() && !deadline.hasExpired()) QTest::qWait(1);
    QCoreApplication::sendPostedEvents();  // what the worker showed last
    return !m_window->busy();
}

void WindowBench::showMessage(const std::string& text, const std::string& title, MessageIcon icon) {
    boxes.push_back({text, title, icon});
}

bool WindowBench::confirm(const std::string& question) {
    questions.push_back(question);
    return answerYes;
}

std::string WindowBench::chooseDownloadFile(const std::string&) { return chosenFile.toStdString(); }

}  // namespace vxoem::testing
