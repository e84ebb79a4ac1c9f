#pragma once
// Shared pieces of the window tests: dialogs answered by the test, a
// temporary folder and synthetic record files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "graph_widget.h"
#include "ln_graph.h"
#include "main_window.h"

namespace tarvel::test {

class ScriptedDialogs : public Dialogs {
public:
    struct FileRequest {
        bool save = false;
        QString title, filter;
    };
    struct Message {
        QString text;
        Icon icon = Icon::None;
    };

    // Answers of the next file dialogs, in order; an empty path cancels, and
    // so does a dialog with no answer queued.
    std::deque<QString> fileAnswers;
    // What the next printer dialogs do with the printer; return false = cancel.
    std::deque<std::function<bool(QPrinter&)>> printerAnswers;
    // Drives the next modal dialogs (set fields, click buttons).
    std::deque<std::function<void(QDialog&)>> modalScripts;

    // Answers of the next questions, in order; Cancel when none is queued.
    std::deque<Choice> answers;

    std::vector<FileRequest> fileRequests;
    std::vector<QString> questions;
    std::vector<Message> messages;
    int modalCount = 0;

    std::optional<QString> openFile(QWidget*, const QString& title, const QString& filter) override;
    std::optional<QString> saveFile(QWidget*, const QString& title, const QString& filter) override;
    void message(QWidget*, const QString& text, Icon icon) override;
    bool choosePrinter(QWidget*, QPrinter& printer) override;
    int runModal(QDialog& dialog) override;
    Choice ask(QWidget*, const QString& text, std::initializer_list<Choice> choices) override;

    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }

private:
    std::optional<QString> nextFile(bool save, const QString& title, const QString& filter);
};

// One synthetic flight, written in the form the download produces: `boostG`
// for `boostSamples`, coasting at -1 G to apogee, then a descent at 20 ft/s.
struct SyntheticFlight {
    int samples = 1500;
    double dt = 0.01;
    int boostSamples = 100;
    double boostG = 8.0;
    double firstPressure = 14.7;
};
std::string downloadedRecordText(const SyntheticFlight& flight);
// Writes `text` to `dir`/`name` and returns the path.
QString writeFile(const QTemporaryDir& dir, const QString& name, const std::string& text);
std::string readFile(const QString& path);
// A drag of `files` entering and dropping on `target`; true when the drop was taken.
bool dragAndDrop(QWidget* target, const QStringList& files);
// Runs `work` and tells whether it ended within seconds; one held up on the
// FIFO `fifo` is let go (a writer opens it) before the answer is given.
bool endsInTime(const std::function<void()>& work, const std::string& fifo);

// A main window with scripted dialogs and its settings in a temporary folder.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // Also a fresh start within a test: a new window, nothing answered yet.
        window.reset();
        dialogs = ScriptedDialogs();
        if (!m_keepPreferences) QSettings("Tarvel", "TarvelGraph").clear();
        window = std::make_unique<MainWindow>(dialogs, TarvelSettings(m_dir.path().toStdString()));
        window->resize(1024, 768);
        window->show();
        QApplication::processEvents();
    }

    QString flightFile(const SyntheticFlight& flight = {}, const QString& name = "flight.rcd") {
        return writeFile(m_dir, name, downloadedRecordText(flight));
    }
    void open(const QString& path) {
        dialogs.fileAnswers.push_back(path);
        window->action("mnuFileOpen")->trigger();
    }
    QString text(const char* label) const { return window->label(label)->text(); }
    void leaveField(DetailField field, const QString& typed, Qt::FocusReason reason = Qt::TabFocusReason) {
        QLineEdit* edit = window->detailEdit(field);
        edit->setText(typed);
        emit edit->textEdited(typed);
        QFocusEvent focusOut(QEvent::FocusOut, reason);
        QApplication::sendEvent(edit, &focusOut);
    }
    // Pointer event over the plot area at time t.
    void pointer(QEvent::Type type, Qt::MouseButton button, double t) {
        GraphWidget* area = window->grfArea();
        const QPointF at = area->pixelOfArea(window->lnGraph().xOfTime(t), 1000);
        QMouseEvent event(type, at, area->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(area, &event);
    }
    // The plot area only, where the curves are (the value labels share their colours).
    QImage graphImage() const {
        GraphWidget* area = window->grfArea();
        return area->grab(area->transform().areaRect().toRect()).toImage();
    }

    QTemporaryDir m_dir;
    // A run after an earlier one: SetUp() keeps what the user's store holds.
    bool m_keepPreferences = false;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

}  // namespace tarvel::test
