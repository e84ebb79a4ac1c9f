#include "shell_test_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPrinter>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <sstream>

namespace tarvel::test {

std::optional<QString> ScriptedDialogs::nextFile(bool save, const QString& title, const QString& filter) {
    fileRequests.push_back({save, title, filter});
    if (fileAnswers.empty()) return std::nullopt;
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
}

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString& title, const QString& filter) {
    return nextFile(false, title, filter);
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const QString& title, const QString& filter) {
    return nextFile(true, title, filter);
}

void ScriptedDialogs::message(QWidget*, const QString& text, Icon icon) { messages.push_back({text, icon}); }

bool ScriptedDialogs::choosePrinter(QWidget*, QPrinter& printer) {
    if (printerAnswers.empty()) return false;
    auto answer = printerAnswers.front();
    printerAnswers.pop_front();
    return answer(printer);
}

int ScriptedDialogs::runModal(QDialog& dialog) {
    ++modalCount;
    dialog.setResult(QDialog::Rejected);
    if (!modalScripts.empty()) {
        auto script = modalScripts.front();
        modalScripts.pop_front();
        script(dialog);
    }
    return dialog.result();
}

Dialogs::Choice ScriptedDialogs::ask(QWidget*, const QString& text, std::initializer_list<Choice> choices) {
    questions.push_back(text);
    if (answers.empty()) return Choice::Cancel;
    const Choice answer = answers.front();
    answers.pop_front();
    EXPECT_NE(std::find(choices.begin(), choices.end(), answer), choices.end()) << "no such button";
    return answer;
}

std::string downloadedRecordText(const SyntheticFlight& f) {
    std::ostringstream out;
    out.precision(10);
    out << "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n";
    double v = 0, h = 0;  // ft/s, ft
    for (int i = 1; i <= f.samples; ++i) {
        double a = 0;
        if (i <= f.boostSamples)
            a = f.boostG;
        else if (v > 0)
            a = -1.0;
        v += a * 32.125 * f.dt;
        if (i > f.boostSamples && v <= 0) v = -20.0;  // under the chute
        h = std::max(0.0, h + v * f.dt);
        const double p = f.firstPressure * std::pow(1.0 - h / 145442.0, 5.255876);
        out << f.dt << ',' << p << ',' << a << ",0,0, ";
        if (i < f.samples) out << "\r\n";
    }
    return out.str();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const std::string& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.data(), qint64(text.size()));
    return path;
}

bool endsInTime(const std::function<void()>& work, const std::string& fifo) {
    auto running = std::async(std::launch::async, work);
    if (running.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    running.wait();
    return false;
}

bool dragAndDrop(QWidget* target, const QStringList& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files) urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    data.setText(files.join('\n'));
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

std::string readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

}  // namespace tarvel::test
