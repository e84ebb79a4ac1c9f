#pragma once
// Answers the modal boxes a command opens while the test waits for it: each
// box is recorded and closed with OK, so no test is ever left waiting.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <string>
#include <vector>

namespace tarvel::device::testing {

struct SeenMessage {
    std::string text;
    bool exclamation = false;
    std::string title;
};

class ModalDriver {
public:
    ModalDriver() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }
    std::vector<SeenMessage> take() { return std::exchange(m_seen, {}); }

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        m_seen.push_back({box->text().toStdString(), box->icon() == QMessageBox::Warning,
                          box->windowTitle().toStdString()});
        box->done(QMessageBox::Ok);
    }

    QTimer m_timer;
    std::vector<SeenMessage> m_seen;
};

}  // namespace tarvel::device::testing
