#pragma once
// Answers the modal boxes a command opens while the test waits for it: each
// box is recorded and closed with OK, so no test is ever left waiting.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <deque>
#include <string>
#include <vector>

namespace tarvel::device::testing {

struct SeenMessage {
    std::string text;
    bool exclamation = false;
    std::string title;
    bool information = false;
    std::string defaultButton;  // its text, empty when none
};

class ModalDriver {
public:
    // How the next questions (boxes with more than one button) are answered;
    // with none queued a question is cancelled, so nothing risky happens.
    enum class Answer { Accept, Cancel, Enter };
    std::deque<Answer> answers;

    ModalDriver() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }
    // Plain messages seen since the last call.
    std::vector<SeenMessage> take() { return std::exchange(m_seen, {}); }
    // Questions seen since the last call.
    std::vector<SeenMessage> takeQuestions() { return std::exchange(m_questions, {}); }

private:
    void answer() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        SeenMessage seen{box->text().toStdString(), box->icon() == QMessageBox::Warning,
                         box->windowTitle().toStdString(), box->icon() == QMessageBox::Information,
                         box->defaultButton() ? box->defaultButton()->text().toStdString() : std::string()};
        if (box->buttons().size() < 2) {
            m_seen.push_back(seen);
            box->done(QMessageBox::Ok);
            return;
        }
        m_questions.push_back(seen);
        const Answer next = answers.empty() ? Answer::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        switch (next) {
            case Answer::Accept:
                for (QAbstractButton* button : box->buttons())
                    if (box->buttonRole(button) == QMessageBox::AcceptRole) button->click();
                break;
            case Answer::Enter:
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case Answer::Cancel:
                box->escapeButton()->click();
                break;
        }
        if (box->isVisible()) box->done(QMessageBox::Cancel);  // never left waiting
    }

    QTimer m_timer;
    std::vector<SeenMessage> m_seen;
    std::vector<SeenMessage> m_questions;
};

}  // namespace tarvel::device::testing
