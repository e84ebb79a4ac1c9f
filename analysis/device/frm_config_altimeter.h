#pragma once
// frmConfigAltimeter, "Configure Altimeter": reads and writes the flight
// computer's settings, polls a sensor twice a second, fires single outputs and
// reads their continuity. Every exchange runs on the program's device worker,
// so the window stays served; while one runs, the exchange buttons wait.
// Controls keep their design names so tests and the main window reach them.

#include <QColor>
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "device_operations.h"
#include "device_worker.h"
#include "dialogs.h"
#include "pointer_guard.h"
#include "sensor_poll.h"
#include "status_circle.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace tarvel::device {

class FrmConfigAltimeter : public QDialog {
    Q_OBJECT
public:
    // `comport` gives the main window's port name each time the port is opened;
    // `worker` and `dialogs` must outlive the window.
    FrmConfigAltimeter(std::function<std::string()> comport, DeviceWorker& worker, Dialogs& dialogs,
                       QWidget* parent = nullptr);
    ~FrmConfigAltimeter() override;

    static inline const QColor kWhite{255, 255, 255};
    static inline const QColor kGreen{0, 192, 0};
    static inline const QColor kRed{255, 0, 0};
    // Readings kept in txtSensorOutput besides the heading; older ones scroll away.
    static constexpr int kMaxReadingLines = 2000;

    bool isPolling() const { return m_poll.state() == SensorPoll::State::Polling; }
    // Adds a reading line to txtSensorOutput, dropping the oldest beyond the bound.
    void appendReading(const QString& reading);

    // --- controls ---
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* cmdClose = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtAltVersion = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* cmbStageDetect = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtStageDelay = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtMainAltitude = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* CmbLEDBuzzer = nullptr;
    QPushButton* cmdRead = nullptr;
    QPushButton* cmdWrite = nullptr;
    QGroupBox* Frame3 = nullptr;
    std::array<QRadioButton*, 3> OptPollSensor{};
    QPushButton* cmdPoll = nullptr;
    QPlainTextEdit* txtSensorOutput = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QPushButton*, 3> cmdFireChannel{};
    std::array<StatusCircle*, 3> shpContStatus{};
    std::array<QFrame*, 3> Line1{};
    QPushButton* cmdReadContinuity = nullptr;

    // --- handlers ---
    void cmdRead_Click();
    void cmdWrite_Click();
    void txtStageDelay_GotFocus();
    void txtStageDelay_LostFocus();
    void txtMainAltitude_GotFocus();
    void txtMainAltitude_LostFocus();
    void cmdClose_Click();
    void cmdPoll_Click();
    void txtSensorOutput_Change();
    void cmdFireChannel_Click(int index);
    void cmdReadContinuity_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The first time the window shows, it reads the flight computer's settings,
    // so that a write never sends the window's placeholders for them.
    void showEvent(QShowEvent* event) override;
    // Every way of closing comes here (Close, Escape, the frame's close box):
    // a running poll is stopped and its port closed, so the next command finds it free.
    void done(int result) override;

private:
    void buildControls();
    void buildConfigurationGroup();
    void buildSensorGroup();
    void buildDeploymentGroup();
    std::string port() const { return m_comport(); }
    AltimeterSettings shownSettings() const;
    void showSettings(const AltimeterSettings& settings);
    // Read Config.; `note` is added to the message when the read does not end well.
    void readSettings(const std::string& note = {});
    // Starts an exchange on the worker under the hourglass; `done` gets its
    // outcome. False (after a message) when it could not start.
    template <typename Value>
    bool exchange(std::initializer_list<FltportEntry> entries,
                  std::function<Value(const FltportApi&, DeviceControl&)> work,
                  std::function<void(Value&)> done);
    // From an exchange's work on the worker's thread: the progress bar's value,
    // and what to show with it, on the window's thread.
    static void reportProgress(DeviceWorker& worker, FrmConfigAltimeter* form, int value,
                               std::function<void()> show = {});
    // Tells the user how an exchange that did not end well went.
    void tellFailure(const DeviceOutcome& outcome, const std::string& note = {});
    void checkField(QLineEdit* field, const QString& saved, const NumberRange& range);
    // Buttons and the Poll caption from the worker's and the poll's state.
    void updateControls();

    std::function<std::string()> m_comport;
    DeviceWorker& m_worker;
    Dialogs& m_dialogs;
    SensorPoll m_poll;
    std::optional<PointerGuard> m_pointer;  // while an exchange of this window runs
    QString m_savedStageDelay;
    QString m_savedMainAltitude;
    bool m_checking = false;
    bool m_readWhenShown = true;
};

}  // namespace tarvel::device
