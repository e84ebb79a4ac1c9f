#pragma once
// The downloader's device I/O on a thread of its own: the QM-40's chip control
// with its serial line, and the download procedures over it and the QM-10
// side. The window posts requests; the worker runs them one at a time. What
// they show leaves as signals (queued to the window's thread); what needs an
// answer (a box, a question, the file dialog, the lent terminal) waits for
// the window's thread to give it. Until its thread is started, and always in
// the unattended run, requests run on the caller's thread.

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

#include "chip_control.h"
#include "download_procedures.h"
#include "downloader_ui.h"
#include "reporter.h"

namespace vxoem {

class DeviceWorker final : public QObject, private DownloaderUi, private TerminalPort {
    Q_OBJECT

public:
    // `window` is the object whose thread answers for `dialogs` and
    // `terminal` (null: no terminal to lend). `line` null: a QSerialPort
    // line. `clock` null: the steady clock.
    DeviceWorker(QObject& window, Dialogs& dialogs, TerminalPort* terminal,
                 vx::ChipLink::DeviceOfPort deviceOfPort, std::unique_ptr<vx::SerialLine> line = {},
                 std::shared_ptr<vx::Clock> clock = {});
    // Stops the running request where it can, lets it end without waiting
    // for answers from the window, then stops the thread.
    ~DeviceWorker() override;

    // From now on requests run on the worker's thread.
    void startThread();
    // Runs `request`, then emits requestDone().
    void post(std::function<void()> request);
    // The running request stops where the protocol allows it (Rescue's wait).
    void cancel() { m_cancelled = true; }

    vx::ChipControl& VX() { return m_VX; }
    DownloadProcedures& procedures() { return m_procedures; }
    Reporter& reporter() { return m_reporter; }
    // The window as the procedures see it, from whichever thread they run on.
    DownloaderUi& ui() { return *this; }
    TerminalPort& terminal() { return *this; }

signals:
    // The chip status window's text replaced, or added to.
    void chipWindowTextSet(const QString& text);
    void chipWindowTextAppended(const QString& text);
    // The window's progress bar, as the DownloaderUi calls of the same names.
    void progressRangeSet(int minimum, int maximum);
    void progressValueSet(int value);
    void progressTextSet(const QString& format);
    // The request posted last has ended; everything it showed was sent before.
    void requestDone();

private:
    // Runs `call` on the window's thread and waits for its answer.
    template <typename Call>
    auto ask(Call call) const;
    // DownloaderUi
    void showMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    bool confirm(const std::string& question) override;
    std::string chooseDownloadFile(const std::string& initialDirectory) override;
    void setChipWindowText(const std::string& text) override;
    void appendChipWindowText(const std::string& text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    void setProgressText(const std::string& format) override;
    // TerminalPort
    bool isTerminalOpen() const override;
    void closeTerminal() override;
    bool openTerminal() override;

    QObject& m_window;
    Dialogs& m_dialogs;
    TerminalPort* m_terminal;
    std::unique_ptr<vx::SerialLine> m_line;
    vx::ChipControl m_VX;
    Reporter m_reporter;
    DownloadProcedures m_procedures;
    std::atomic<bool> m_cancelled = false;
    std::atomic<bool> m_closing = false;  // nothing more is asked of the window
    QThread m_thread;
};

}  // namespace vxoem
