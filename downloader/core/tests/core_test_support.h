#pragma once
// In-memory surroundings for the download procedures: a window that records
// what it was asked to show, and a clock that moves only when waited on.

#include <QByteArray>
#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <vector>

#include "chip_link.h"
#include "downloader_ui.h"

namespace vxoem::testing {

class FakeClock final : public vx::Clock {
public:
    int64_t nowMs() override { return m_now; }
    void sleepMs(int ms) override { m_now += ms; }
    void idle() override { m_now += 1; }

private:
    int64_t m_now = 0;
};

struct Message {
    std::string text;
    std::string title;
    MessageIcon icon;
};

class RecordingUi final : public DownloaderUi {
public:
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }
    std::string chooseDownloadFile(const std::string&) override {
        ++dialogs;
        return chosenFile;
    }
    void setChipWindowText(const std::string& text) override { chipWindow = text; }
    void appendChipWindowText(const std::string& text) override { chipWindow += text; }
    void setProgressRange(int, int maximum) override { progressMaximum = maximum; }
    void setProgressValue(int) override {}

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : messages) texts.push_back(message.text);
        return texts;
    }

    std::vector<Message> messages;
    std::string chosenFile;
    int dialogs = 0;
    std::string chipWindow;
    int progressMaximum = -1;
};

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace vxoem::testing
