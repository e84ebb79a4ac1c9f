#include "frm_config_altimeter.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <utility>

#include "device_ui.h"
#include "qt_text.h"

namespace tarvel::device {

using suite::qs;

namespace {

const char* const kPollCaption = "Poll";
constexpr std::initializer_list<FltportEntry> kExchangeEntries = kConfigEntries;
const char* const kStopCaption = "Stop";
// Said after a write whose every setting read back as sent.
const char* const kWrittenMessage = "The settings were written and read back.";
// Added to what went wrong with the read as the window opens.
const char* const kPlaceholdersNote =
    "The fields that were not read show the window's placeholders, not the flight computer's settings.";

// Texts on the serial line are single bytes, one character each: a reply byte
// above 0x7F is a character of its own, not part of a UTF-8 sequence.
QString fromLine(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}
std::string toLine(const QString& text) { return text.toLatin1().toStdString(); }

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Enter in a text field must never press a button of this window: one of them fires an output.
    button->setAutoDefault(false);
    return button;
}

QLabel* makeLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QComboBox* makeList(const char* name, std::string_view first, std::string_view second, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems({qs(first), qs(second)});
    combo->setCurrentIndex(0);
    return combo;
}

void showChoice(QComboBox* combo, const std::string& text) {
    int index = combo->findText(fromLine(text));
    if (index >= 0)
        combo->setCurrentIndex(index);
    else
        combo->setEditText(fromLine(text));
}

}  // namespace

FrmConfigAltimeter::FrmConfigAltimeter(std::function<std::string()> comport, DeviceWorker& worker,
                                       Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      m_comport(std::move(comport)),
      m_worker(worker),
      m_dialogs(dialogs),
      m_poll(worker, this,
             {[this](Sensor sensor) { txtSensorOutput->setPlainText(qs(pollHeading(sensor))); },
              [this](const std::string& reading) { appendReading(fromLine(reading)); },
              [this](const DeviceOutcome& outcome) { tellFailure(outcome); },
              [this](SensorPoll::State) { updateControls(); }}) {
    setObjectName(QStringLiteral("frmConfigAltimeter"));
    setWindowTitle(QStringLiteral("Configure Altimeter"));
    buildControls();
    m_savedStageDelay = txtStageDelay->text();
    m_savedMainAltitude = txtMainAltitude->text();
    connect(&m_worker, &DeviceWorker::busyChanged, this, &FrmConfigAltimeter::updateControls);
    updateControls();
}

FrmConfigAltimeter::~FrmConfigAltimeter() { m_poll.stop(); }

void FrmConfigAltimeter::buildConfigurationGroup() {
    Frame1 = new QGroupBox(QStringLiteral("Configuration"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtAltVersion = new QLineEdit(QStringLiteral("---"), Frame1);
    txtAltVersion->setObjectName(QStringLiteral("txtAltVersion"));
    txtAltVersion->setReadOnly(true);
    txtAltVersion->setAlignment(Qt::AlignCenter);
    txtAltVersion->setFocusPolicy(Qt::ClickFocus);  // not a stop on the way through the fields
    QPalette inactive = txtAltVersion->palette();
    inactive.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Window));
    txtAltVersion->setPalette(inactive);
    cmbStageDetect = makeList("cmbStageDetect", kStageLaunch, kStageBurnout, Frame1);
    txtStageDelay = new QLineEdit(QStringLiteral("0.0"), Frame1);
    txtStageDelay->setObjectName(QStringLiteral("txtStageDelay"));
    txtStageDelay->setToolTip(
        QStringLiteral("Delay in seconds to signal a stage event after motor burnout has been detected.  "
                       "Range: 0.0 to 30.0"));
    txtMainAltitude = new QLineEdit(QStringLiteral("600"), Frame1);
    txtMainAltitude->setObjectName(QStringLiteral("txtMainAltitude"));
    txtMainAltitude->setToolTip(
        QStringLiteral("Altitude in feet to signal the Main Chute event pyro.  Range: 200 to 3000"));
    CmbLEDBuzzer = makeList("CmbLEDBuzzer", kOutputLed, kOutputBuzzer, Frame1);

    // One row per setting: its caption, which names the field (Alt with its letter reaches it).
    struct Row {
        QLabel** label;
        const char* name;
        const char* caption;
        QWidget* field;
    };
    const Row rows[] = {{&Label1, "Label1", "Version", txtAltVersion},
                        {&Label5, "Label5", "Stage Detect :", cmbStageDetect},
                        {&Label2, "Label2", "Stage Delay (s) :", txtStageDelay},
                        {&Label3, "Label3", "Main Altitude (ft) :", txtMainAltitude},
                        {&Label4, "Label4", "Output Report :", CmbLEDBuzzer}};
    auto* grid = new QGridLayout(Frame1);
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        const Row& row = rows[i];
        *row.label = makeLabel(row.name, QLatin1String(row.caption), Frame1);
        (*row.label)->setBuddy(row.field);
        row.field->setAccessibleName((*row.label)->text().remove(':').trimmed());
        grid->addWidget(*row.label, i, 0);
        grid->addWidget(row.field, i, 1);
    }
    cmdRead = makeButton("cmdRead", QStringLiteral("Read Config."), Frame1);
    cmdWrite = makeButton("cmdWrite", QStringLiteral("Write Config"), Frame1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRead);
    buttons->addWidget(cmdWrite);
    grid->addLayout(buttons, static_cast<int>(std::size(rows)), 0, 1, 2);
}

void FrmConfigAltimeter::buildSensorGroup() {
    Frame3 = new QGroupBox(QStringLiteral("Sensors"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    const char* sensorCaptions[3] = {"Acceleration", "Barometric", "Calibration"};
    auto* layout = new QVBoxLayout(Frame3);
    auto* optionRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        OptPollSensor[i] = new QRadioButton(QLatin1String(sensorCaptions[i]), Frame3);
        OptPollSensor[i]->setObjectName(QStringLiteral("OptPollSensor%1").arg(i));
        optionRow->addWidget(OptPollSensor[i]);
    }
    OptPollSensor[0]->setChecked(true);
    OptPollSensor[2]->setEnabled(false);
    OptPollSensor[2]->setVisible(false);
    cmdPoll = makeButton("cmdPoll", QLatin1String(kPollCaption), Frame3);
    optionRow->addWidget(cmdPoll);
    layout->addLayout(optionRow);
    txtSensorOutput = new QPlainTextEdit(Frame3);
    txtSensorOutput->setObjectName(QStringLiteral("txtSensorOutput"));
    txtSensorOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSensorOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSensorOutput->setTabChangesFocus(true);  // Tab moves on; readings are never typed
    txtSensorOutput->setAccessibleName(QStringLiteral("Sensor readings"));
    layout->addWidget(txtSensorOutput);
}

void FrmConfigAltimeter::buildDeploymentGroup() {
    Frame2 = new QGroupBox(QStringLiteral("Test Deployment"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    const char* fireCaptions[3] = {"Fire St", "Fire Ap", "Fire Mn"};
    auto* grid = new QGridLayout(Frame2);
    for (int i = 0; i < 3; ++i) {
        cmdFireChannel[i] = makeButton("cmdFireChannel", QLatin1String(fireCaptions[i]), Frame2);
        cmdFireChannel[i]->setObjectName(QStringLiteral("cmdFireChannel%1").arg(i));
        Line1[i] = new QFrame(Frame2);
        Line1[i]->setObjectName(QStringLiteral("Line1%1").arg(i));
        Line1[i]->setFrameShape(QFrame::HLine);
        Line1[i]->setMinimumWidth(16);
        shpContStatus[i] = new StatusCircle(i + 1, Frame2);
        shpContStatus[i]->setObjectName(QStringLiteral("shpContStatus%1").arg(i));
        grid->addWidget(cmdFireChannel[i], i, 0);
        grid->addWidget(Line1[i], i, 1);
        grid->addWidget(shpContStatus[i], i, 2);
        connect(cmdFireChannel[i], &QPushButton::clicked, this, [this, i] { cmdFireChannel_Click(i); });
    }
    cmdReadContinuity = makeButton("cmdReadContinuity", QStringLiteral("Read Continuity"), Frame2);
    grid->addWidget(cmdReadContinuity, 3, 0, 1, 3);
}

void FrmConfigAltimeter::buildControls() {
    buildConfigurationGroup();
    buildSensorGroup();
    buildDeploymentGroup();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    cmdClose = makeButton("cmdClose", QStringLiteral("Close"), this);

    auto* groups = new QGridLayout;
    groups->addWidget(Frame1, 0, 0);
    groups->addWidget(Frame3, 0, 1, 2, 1);
    groups->addWidget(Frame2, 1, 0);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ProgressBar1, 1);
    bottom->addWidget(cmdClose);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(groups);
    outer->addLayout(bottom);

    connect(cmdRead, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdRead_Click);
    connect(cmdWrite, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdWrite_Click);
    connect(cmdClose, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdClose_Click);
    connect(cmdPoll, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdPoll_Click);
    connect(cmdReadContinuity, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdReadContinuity_Click);
    connect(txtSensorOutput, &QPlainTextEdit::textChanged, this, &FrmConfigAltimeter::txtSensorOutput_Change);
    txtStageDelay->installEventFilter(this);
    txtMainAltitude->installEventFilter(this);

    // The keyboard goes through the window group by group: settings, sensors,
    // outputs, then Close.
    QWidget* order[] = {cmbStageDetect,    txtStageDelay,     txtMainAltitude,   CmbLEDBuzzer,
                        cmdRead,           cmdWrite,          OptPollSensor[0],  OptPollSensor[1],
                        cmdPoll,           txtSensorOutput,   cmdFireChannel[0], cmdFireChannel[1],
                        cmdFireChannel[2], cmdReadContinuity, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

AltimeterSettings FrmConfigAltimeter::shownSettings() const {
    AltimeterSettings s;
    s.stageDetect = toLine(cmbStageDetect->currentText());
    s.version = toLine(txtAltVersion->text());
    s.stageDelay = toLine(txtStageDelay->text());
    s.mainAltitude = toLine(txtMainAltitude->text());
    s.output = toLine(CmbLEDBuzzer->currentText());
    return s;
}

void FrmConfigAltimeter::showSettings(const AltimeterSettings& s) {
    showChoice(cmbStageDetect, s.stageDetect);
    txtAltVersion->setText(fromLine(s.version));
    txtStageDelay->setText(fromLine(s.stageDelay));
    txtMainAltitude->setText(fromLine(s.mainAltitude));
    showChoice(CmbLEDBuzzer, s.output);
}

void FrmConfigAltimeter::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!std::exchange(m_readWhenShown, false)) return;
    // Once the window is on the screen, so the progress and any message show over it.
    QTimer::singleShot(0, this, [this] {
        if (isVisible()) readSettings(kPlaceholdersNote);
    });
}

template <typename Value>
bool FrmConfigAltimeter::exchange(std::initializer_list<FltportEntry> entries,
                                  std::function<Value(const FltportApi&, DeviceControl&)> work,
                                  std::function<void(Value&)> done) {
    m_pointer.emplace(this);
    std::string error;
    const bool started = m_worker.start<Value>(
        this, entries, std::move(work),
        [this, done = std::move(done)](Value& value) {
            m_pointer.reset();  // the message that may follow shows the ordinary pointer
            done(value);
        },
        error);
    if (started) return true;
    m_pointer.reset();
    tell(m_dialogs, this, error, MessageIcon::Exclamation);
    return false;
}

void FrmConfigAltimeter::reportProgress(DeviceWorker& worker, FrmConfigAltimeter* form, int value,
                                        std::function<void()> show) {
    // Runs while the window lives: the work reaches the window only through the worker.
    worker.post([form, value, show = std::move(show)] {
        if (show) show();
        form->ProgressBar1->setValue(value);
    });
}

void FrmConfigAltimeter::cmdRead_Click() { readSettings(); }

namespace {
// A read or write with its settings as they stood when the exchange ended.
struct SettingsOutcome {
    DeviceOutcome outcome;
    AltimeterSettings settings;
};
}  // namespace

void FrmConfigAltimeter::readSettings(const std::string& note) {
    exchange<SettingsOutcome>(
        kExchangeEntries,
        [this, &worker = m_worker, port = port(), settings = shownSettings()](const FltportApi& api,
                                                                              DeviceControl&) mutable {
            DeviceOutcome outcome = readConfig(api, port, settings, [&](int value) {
                // 0 alone is a port that did not open: the controls keep what they show.
                reportProgress(
                    worker, this, value,
                    value == 0 ? std::function<void()>() : [this, shown = settings] { showSettings(shown); });
            });
            return SettingsOutcome{std::move(outcome), settings};
        },
        [this, note](SettingsOutcome& read) {
            if (read.outcome) return;
            // What the flight computer did answer before it stopped is shown;
            // a port that did not open changed nothing.
            if (read.outcome.status != DeviceStatus::PortFailed) showSettings(read.settings);
            tellFailure(read.outcome, note);
        });
}

void FrmConfigAltimeter::cmdWrite_Click() {
    // Normally leaving a field has checked it already; a field still holding an
    // out-of-range text (focus never left it) is refused here so it is never sent.
    for (auto [field, range] :
         {std::pair{txtStageDelay, &kStageDelayRange}, {txtMainAltitude, &kMainAltitudeRange}}) {
        if (auto refusal = checkRange(field->text().toStdString(), *range)) {
            checkField(field, field == txtStageDelay ? m_savedStageDelay : m_savedMainAltitude, *range);
            return;
        }
    }
    exchange<SettingsOutcome>(
        kExchangeEntries,
        [this, &worker = m_worker, port = port(), settings = shownSettings()](const FltportApi& api,
                                                                              DeviceControl&) mutable {
            DeviceOutcome outcome = writeConfig(api, port, settings, WriteSelection{}, [&](int value) {
                reportProgress(
                    worker, this, value,
                    value == 0 ? std::function<void()>() : [this, shown = settings] { showSettings(shown); });
            });
            return SettingsOutcome{std::move(outcome), settings};
        },
        [this](SettingsOutcome& written) {
            if (written.outcome) {
                tell(m_dialogs, this, kWrittenMessage);
                return;
            }
            // What the flight computer did answer before it refused is shown.
            if (written.outcome.status != DeviceStatus::PortFailed) showSettings(written.settings);
            tellFailure(written.outcome);
        });
}

void FrmConfigAltimeter::tellFailure(const DeviceOutcome& outcome, const std::string& note) {
    tell(m_dialogs, this, note.empty() ? outcome.message : outcome.message + "\r\n" + note,
         MessageIcon::Exclamation);
}

void FrmConfigAltimeter::checkField(QLineEdit* field, const QString& saved, const NumberRange& range) {
    if (m_checking) return;
    auto refusal = checkRange(field->text().toStdString(), range);
    if (!refusal) return;
    m_checking = true;
    tell(m_dialogs, this, *refusal);
    field->setText(saved);
    m_checking = false;
}

void FrmConfigAltimeter::txtStageDelay_GotFocus() { m_savedStageDelay = txtStageDelay->text(); }
void FrmConfigAltimeter::txtStageDelay_LostFocus() {
    checkField(txtStageDelay, m_savedStageDelay, kStageDelayRange);
}
void FrmConfigAltimeter::txtMainAltitude_GotFocus() { m_savedMainAltitude = txtMainAltitude->text(); }
void FrmConfigAltimeter::txtMainAltitude_LostFocus() {
    checkField(txtMainAltitude, m_savedMainAltitude, kMainAltitudeRange);
}

bool FrmConfigAltimeter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtStageDelay || watched == txtMainAltitude) {
        bool delay = watched == txtStageDelay;
        if (event->type() == QEvent::FocusIn) {
            delay ? txtStageDelay_GotFocus() : txtMainAltitude_GotFocus();
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another window or opening a menu is not leaving the field.
            auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                delay ? txtStageDelay_LostFocus() : txtMainAltitude_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmConfigAltimeter::cmdClose_Click() { reject(); }

void FrmConfigAltimeter::done(int result) {
    // An exchange of this window ends within seconds: the window closes after it,
    // so its outcome is never lost.
    if (m_pointer) return;
    m_poll.stop();
    QDialog::done(result);
}

void FrmConfigAltimeter::updateControls() {
    const bool idle = m_poll.state() == SensorPoll::State::Idle;
    const bool free = idle && !m_worker.isBusy();
    for (QPushButton* button : {cmdRead, cmdWrite, cmdReadContinuity, cmdFireChannel[0], cmdFireChannel[1],
                                cmdFireChannel[2], cmdClose})
        button->setEnabled(free);
    // Stop is there while a poll runs or waits for it; Poll once the port is free.
    cmdPoll->setText(QLatin1String(idle ? kPollCaption : kStopCaption));
    cmdPoll->setEnabled(!idle || free);
}

void FrmConfigAltimeter::cmdPoll_Click() {
    if (m_poll.state() != SensorPoll::State::Idle) {
        m_poll.stop();
        return;
    }
    // The sensor is chosen now; switching the option later counts from the next Poll.
    if (!OptPollSensor[0]->isChecked() && !OptPollSensor[1]->isChecked()) return;
    const Sensor sensor = OptPollSensor[0]->isChecked() ? Sensor::Acceleration : Sensor::Barometric;
    std::string error;
    if (!m_poll.start(port(), sensor, error)) tell(m_dialogs, this, error, MessageIcon::Exclamation);
}

void FrmConfigAltimeter::appendReading(const QString& reading) {
    txtSensorOutput->appendPlainText(reading);
    // Heading plus at most kMaxReadingLines readings: drop the oldest reading.
    QTextDocument* document = txtSensorOutput->document();
    while (document->blockCount() > kMaxReadingLines + 1) {
        QTextCursor cursor(document->findBlockByNumber(1));
        cursor.select(QTextCursor::BlockUnderCursor);
        cursor.removeSelectedText();  // takes the block and the line end before it
    }
}

void FrmConfigAltimeter::txtSensorOutput_Change() {
    QTextCursor cursor = txtSensorOutput->textCursor();
    cursor.movePosition(QTextCursor::End);
    txtSensorOutput->setTextCursor(cursor);
}

void FrmConfigAltimeter::cmdFireChannel_Click(int index) {
    // Firing ignites a charge: the user names it once more; Cancel is the default.
    const int output = index + 1;
    if (m_dialogs.ask(this, messageText("Fire output " + std::to_string(output) + " now?"),
                      {Dialogs::Choice::Fire, Dialogs::Choice::Cancel}) != Dialogs::Choice::Fire)
        return;
    exchange<DeviceOutcome>(
        {FltportEntry::InitComport, FltportEntry::WriteConfigCommand, FltportEntry::CloseComport},
        [port = port(), output](const FltportApi& api, DeviceControl&) {
            return fireOutput(api, port, output);
        },
        [this, index](DeviceOutcome& fired) {
            if (fired)
                shpContStatus[index]->setState(kRed, StatusCircle::kFiredText);
            else
                tellFailure(fired);
        });
}

void FrmConfigAltimeter::cmdReadContinuity_Click() {
    for (StatusCircle* circle : shpContStatus) circle->setState(kWhite, QString());
    exchange<DeviceOutcome>(
        {FltportEntry::InitComport, FltportEntry::ReadConfigCommand, FltportEntry::CloseComport},
        [this, &worker = m_worker, port = port()](const FltportApi& api, DeviceControl&) {
            std::array<bool, 3> closed{};
            return readContinuity(api, port, closed, [&](int value) {
                reportProgress(worker, this, value, [this, now = closed] {
                    for (int i = 0; i < 3; ++i)
                        if (now[i]) shpContStatus[i]->setState(kGreen, StatusCircle::kClosedText);
                });
            });
        },
        [this](DeviceOutcome& tested) {
            if (!tested) {
                tellFailure(tested);
                return;
            }
            // Only a test that read all three outputs can call the others open.
            for (StatusCircle* circle : shpContStatus)
                if (circle->fillColor() != kGreen) circle->setState(kWhite, StatusCircle::kOpenText);
        });
}

}  // namespace tarvel::device
