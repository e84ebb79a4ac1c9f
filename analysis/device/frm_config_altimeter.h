#pragma once
// frmConfigAltimeter, "Configure Altimeter": reads and writes the flight
// computer's settings, polls a sensor twice a second, fires single outputs and
// reads their continuity. Controls keep their design names so tests and the
// main window reach them directly.

#include <QColor>
#include <QDialog>
#include <array>
#include <functional>
#include <string>

#include "declares.h"
#include "device_operations.h"
#include "device_ui.h"

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace tarvel::device {

// A filled circle (shpContStatus) showing an output's state, with the state
// in words beside it ("closed", "open", "fired"), so it does not rest on the
// colour alone; screen readers get the output and its state as the name.
class StatusCircle : public QWidget {
    Q_OBJECT
public:
    explicit StatusCircle(int output, QWidget* parent = nullptr);
    QColor fillColor() const { return m_fill; }
    QString stateText() const { return m_text; }
    void setState(const QColor& color, const QString& text);
    QSize sizeHint() const override;

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    int m_output;
    QColor m_fill = Qt::white;
    QString m_text;
};

class FrmConfigAltimeter : public QDialog {
    Q_OBJECT
public:
    // `comport` gives the main window's port name each time the port is opened.
    explicit FrmConfigAltimeter(std::function<std::string()> comport,
                                Declares& declares = Declares::instance(), QWidget* parent = nullptr,
                                MessageFn messages = showMessage, ConfirmFn confirm = askConfirmation);
    ~FrmConfigAltimeter() override;

    static inline const QColor kWhite{255, 255, 255};
    static inline const QColor kGreen{0, 192, 0};
    static inline const QColor kRed{255, 0, 0};
    static inline const QString kClosedText = QStringLiteral("closed");
    static inline const QString kOpenText = QStringLiteral("open");
    static inline const QString kFiredText = QStringLiteral("fired");
    // Readings kept in txtSensorOutput besides the heading; older ones scroll away.
    static constexpr int kMaxReadingLines = 2000;
    static constexpr int kPollIntervalMs = 500;

    bool isPolling() const { return m_polling; }
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
    QTimer* tmrPoll = nullptr;
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
    void tmrPoll_Timer();
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
    const FltportApi* bind();
    std::string port() const { return m_comport(); }
    AltimeterSettings shownSettings() const;
    void showSettings(const AltimeterSettings& settings);
    // Read Config.; `note` is added to the message when the read does not end well.
    void readSettings(const std::string& note = {});
    // Tells the user how a read or write that did not end well went.
    void reportOutcome(const DeviceOutcome& outcome, const AltimeterSettings& settings, PointerGuard& pointer,
                       const std::string& note = {});
    void checkField(QLineEdit* field, const QString& saved, const NumberRange& range);
    void setExchangeButtonsEnabled(bool enabled);
    void stopPolling();

    std::function<std::string()> m_comport;
    Declares& m_declares;
    MessageFn m_messages;
    ConfirmFn m_confirm;
    const FltportApi* m_pollApi = nullptr;  // bound when polling started
    bool m_polling = false;
    bool m_portOpenForPoll = false;
    char m_pollIndex = 'a';
    QString m_savedStageDelay;
    QString m_savedMainAltitude;
    bool m_checking = false;
    bool m_readWhenShown = true;
};

}  // namespace tarvel::device
