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
#include <QPainter>
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

namespace {
constexpr int kCircleSize = 18;
constexpr int kTextGap = 6;
}  // namespace

StatusCircle::StatusCircle(int output, QWidget* parent) : QWidget(parent), m_output(output) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(Qt::white, QString());
}

QSize StatusCircle::sizeHint() const {
    // Room for the longest state, so the layout does not move as it changes.
    int textWidth = 0;
    for (const QString& text :
         {FrmConfigAltimeter::kClosedText, FrmConfigAltimeter::kOpenText, FrmConfigAltimeter::kFiredText})
        textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(text));
    return {kCircleSize + kTextGap + textWidth, std::max(kCircleSize, fontMetrics().height())};
}

void StatusCircle::setState(const QColor& color, const QString& text) {
    m_fill = color;
    m_text = text;
    setAccessibleName(QStringLiteral("Output %1: %2")
                          .arg(m_output)
                          .arg(text.isEmpty() ? QStringLiteral("not tested") : text));
    update();
}

void StatusCircle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int top = (height() - kCircleSize) / 2;
    painter.setPen(Qt::black);
    painter.setBrush(m_fill);
    painter.drawEllipse(QRect(0, top, kCircleSize, kCircleSize).adjusted(1, 1, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect().adjusted(kCircleSize + kTextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     m_text);
}

FrmConfigAltimeter::FrmConfigAltimeter(std::function<std::string()> comport, Declares& declares,
                                       QWidget* parent, MessageFn messages, ConfirmFn confirm)
    : QDialog(parent),
      m_comport(std::move(comport)),
      m_declares(declares),
      m_messages(std::move(messages)),
      m_confirm(std::move(confirm)) {
    setObjectName(QStringLiteral("frmConfigAltimeter"));
    setWindowTitle(QStringLiteral("Configure Altimeter"));
    buildControls();
    m_savedStageDelay = txtStageDelay->text();
    m_savedMainAltitude = txtMainAltitude->text();
}

FrmConfigAltimeter::~FrmConfigAltimeter() { stopPolling(); }

void FrmConfigAltimeter::buildControls() {
    // Configuration group.
    Frame1 = new QGroupBox(QStringLiteral("Configuration"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label1 = makeLabel("Label1", QStringLiteral("Version"), Frame1);
    txtAltVersion = new QLineEdit(QStringLiteral("---"), Frame1);
    txtAltVersion->setObjectName(QStringLiteral("txtAltVersion"));
    txtAltVersion->setReadOnly(true);
    txtAltVersion->setAlignment(Qt::AlignCenter);
    txtAltVersion->setFocusPolicy(Qt::ClickFocus);  // not a stop on the way through the fields
    QPalette inactive = txtAltVersion->palette();
    inactive.setColor(QPalette::Base, palette().color(QPalette::Inactive, QPalette::Window));
    txtAltVersion->setPalette(inactive);
    Label5 = makeLabel("Label5", QStringLiteral("Stage Detect :"), Frame1);
    cmbStageDetect = makeList("cmbStageDetect", kStageLaunch, kStageBurnout, Frame1);
    Label2 = makeLabel("Label2", QStringLiteral("Stage Delay (s) :"), Frame1);
    txtStageDelay = new QLineEdit(QStringLiteral("0.0"), Frame1);
    txtStageDelay->setObjectName(QStringLiteral("txtStageDelay"));
    txtStageDelay->setToolTip(
        QStringLiteral("Delay in seconds to signal a stage event after motor burnout has been detected.  "
                       "Range: 0.0 to 30.0"));
    Label3 = makeLabel("Label3", QStringLiteral("Main Altitude (ft) :"), Frame1);
    txtMainAltitude = new QLineEdit(QStringLiteral("600"), Frame1);
    txtMainAltitude->setObjectName(QStringLiteral("txtMainAltitude"));
    txtMainAltitude->setToolTip(
        QStringLiteral("Altitude in feet to signal the Main Chute event pyro.  Range: 200 to 3000"));
    Label4 = makeLabel("Label4", QStringLiteral("Output Report :"), Frame1);
    CmbLEDBuzzer = makeList("CmbLEDBuzzer", kOutputLed, kOutputBuzzer, Frame1);
    cmdRead = makeButton("cmdRead", QStringLiteral("Read Config."), Frame1);
    cmdWrite = makeButton("cmdWrite", QStringLiteral("Write Config"), Frame1);

    auto* configGrid = new QGridLayout(Frame1);
    configGrid->addWidget(Label1, 0, 0);
    configGrid->addWidget(txtAltVersion, 0, 1);
    configGrid->addWidget(Label5, 1, 0);
    configGrid->addWidget(cmbStageDetect, 1, 1);
    configGrid->addWidget(Label2, 2, 0);
    configGrid->addWidget(txtStageDelay, 2, 1);
    configGrid->addWidget(Label3, 3, 0);
    configGrid->addWidget(txtMainAltitude, 3, 1);
    configGrid->addWidget(Label4, 4, 0);
    configGrid->addWidget(CmbLEDBuzzer, 4, 1);
    auto* configButtons = new QHBoxLayout;
    configButtons->addWidget(cmdRead);
    configButtons->addWidget(cmdWrite);
    configGrid->addLayout(configButtons, 5, 0, 1, 2);

    // Sensors group.
    Frame3 = new QGroupBox(QStringLiteral("Sensors"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    const char* sensorCaptions[3] = {"Acceleration", "Barometric", "Calibration"};
    auto* sensorLayout = new QVBoxLayout(Frame3);
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
    sensorLayout->addLayout(optionRow);
    txtSensorOutput = new QPlainTextEdit(Frame3);
    txtSensorOutput->setObjectName(QStringLiteral("txtSensorOutput"));
    txtSensorOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtSensorOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtSensorOutput->setTabChangesFocus(true);  // Tab moves on; readings are never typed
    txtSensorOutput->setAccessibleName(QStringLiteral("Sensor readings"));
    sensorLayout->addWidget(txtSensorOutput);

    // Test Deployment group.
    Frame2 = new QGroupBox(QStringLiteral("Test Deployment"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    const char* fireCaptions[3] = {"Fire St", "Fire Ap", "Fire Mn"};
    auto* fireGrid = new QGridLayout(Frame2);
    for (int i = 0; i < 3; ++i) {
        cmdFireChannel[i] = makeButton("cmdFireChannel", QLatin1String(fireCaptions[i]), Frame2);
        cmdFireChannel[i]->setObjectName(QStringLiteral("cmdFireChannel%1").arg(i));
        Line1[i] = new QFrame(Frame2);
        Line1[i]->setObjectName(QStringLiteral("Line1%1").arg(i));
        Line1[i]->setFrameShape(QFrame::HLine);
        Line1[i]->setMinimumWidth(16);
        shpContStatus[i] = new StatusCircle(i + 1, Frame2);
        shpContStatus[i]->setObjectName(QStringLiteral("shpContStatus%1").arg(i));
        fireGrid->addWidget(cmdFireChannel[i], i, 0);
        fireGrid->addWidget(Line1[i], i, 1);
        fireGrid->addWidget(shpContStatus[i], i, 2);
        connect(cmdFireChannel[i], &QPushButton::clicked, this, [this, i] { cmdFireChannel_Click(i); });
    }
    cmdReadContinuity = makeButton("cmdReadContinuity", QStringLiteral("Read Continuity"), Frame2);
    fireGrid->addWidget(cmdReadContinuity, 3, 0, 1, 3);

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

    tmrPoll = new QTimer(this);
    tmrPoll->setObjectName(QStringLiteral("tmrPoll"));
    tmrPoll->setInterval(kPollIntervalMs);
    connect(tmrPoll, &QTimer::timeout, this, &FrmConfigAltimeter::tmrPoll_Timer);
    tmrPoll->start();

    connect(cmdRead, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdRead_Click);
    connect(cmdWrite, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdWrite_Click);
    connect(cmdClose, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdClose_Click);
    connect(cmdPoll, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdPoll_Click);
    connect(cmdReadContinuity, &QPushButton::clicked, this, &FrmConfigAltimeter::cmdReadContinuity_Click);
    connect(txtSensorOutput, &QPlainTextEdit::textChanged, this, &FrmConfigAltimeter::txtSensorOutput_Change);
    txtStageDelay->installEventFilter(this);
    txtMainAltitude->installEventFilter(this);

    // Fields are named by their captions, and Alt with a caption's letter would reach them.
    const std::pair<QLabel*, QWidget*> captioned[] = {{Label1, txtAltVersion},
                                                      {Label5, cmbStageDetect},
                                                      {Label2, txtStageDelay},
                                                      {Label3, txtMainAltitude},
                                                      {Label4, CmbLEDBuzzer}};
    for (auto [caption, field] : captioned) {
        caption->setBuddy(field);
        field->setAccessibleName(caption->text().remove(':').trimmed());
    }
    // The keyboard goes through the window group by group: settings, sensors,
    // outputs, then Close.
    QWidget* order[] = {cmbStageDetect,    txtStageDelay,     txtMainAltitude,   CmbLEDBuzzer,
                        cmdRead,           cmdWrite,          OptPollSensor[0],  OptPollSensor[1],
                        cmdPoll,           txtSensorOutput,   cmdFireChannel[0], cmdFireChannel[1],
                        cmdFireChannel[2], cmdReadContinuity, cmdClose};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

const FltportApi* FrmConfigAltimeter::bind() {
    return bindOrWarn(this, m_declares, kConfigEntries, m_messages);
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

void FrmConfigAltimeter::cmdRead_Click() { readSettings(); }

void FrmConfigAltimeter::readSettings(const std::string& note) {
    PointerGuard pointer(this);
    const FltportApi* api = bind();
    if (!api) return;
    AltimeterSettings settings = shownSettings();
    DeviceOutcome outcome = readConfig(*api, port(), settings, [&](int value) {
        // 0 alone is a port that did not open: the controls keep what they show.
        if (value != 0) showSettings(settings);
        ProgressBar1->setValue(value);
        ProgressBar1->repaint();  // the exchange blocks the event loop
    });
    reportOutcome(outcome, settings, pointer, note);
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
    PointerGuard pointer(this);
    const FltportApi* api = bind();
    if (!api) return;
    AltimeterSettings settings = shownSettings();
    DeviceOutcome outcome = writeConfig(*api, port(), settings, WriteSelection{}, [&](int value) {
        if (value != 0) showSettings(settings);
        ProgressBar1->setValue(value);
        ProgressBar1->repaint();
    });
    reportOutcome(outcome, settings, pointer);
    if (outcome) {
        pointer.restore();
        m_messages(this, kWrittenMessage, MessageIcon::None);
    }
}

void FrmConfigAltimeter::reportOutcome(const DeviceOutcome& outcome, const AltimeterSettings& settings,
                                       PointerGuard& pointer, const std::string& note) {
    if (outcome) return;
    // What the flight computer did answer before it stopped or refused is shown;
    // a port that did not open changed nothing.
    if (outcome.status != DeviceStatus::PortFailed) showSettings(settings);
    pointer.restore();
    m_messages(this, note.empty() ? outcome.message : outcome.message + "\r\n" + note,
               MessageIcon::Exclamation);
}

void FrmConfigAltimeter::checkField(QLineEdit* field, const QString& saved, const NumberRange& range) {
    if (m_checking) return;
    auto refusal = checkRange(field->text().toStdString(), range);
    if (!refusal) return;
    m_checking = true;
    m_messages(this, *refusal, MessageIcon::None);
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
    stopPolling();
    QDialog::done(result);
}

void FrmConfigAltimeter::setExchangeButtonsEnabled(bool enabled) {
    for (QPushButton* button : {cmdRead, cmdWrite, cmdReadContinuity, cmdFireChannel[0], cmdFireChannel[1],
                                cmdFireChannel[2], cmdClose})
        button->setEnabled(enabled);
}

void FrmConfigAltimeter::stopPolling() {
    m_polling = false;
    if (cmdPoll->text() == QLatin1String(kPollCaption)) return;
    cmdPoll->setText(QLatin1String(kPollCaption));
    if (m_pollApi) m_pollApi->CloseComport();
    m_pollApi = nullptr;
    setExchangeButtonsEnabled(true);
}

void FrmConfigAltimeter::cmdPoll_Click() {
    if (cmdPoll->text() != QLatin1String(kPollCaption)) {
        stopPolling();
        return;
    }
    m_polling = false;
    const FltportApi* api = bind();
    if (!api) return;  // nothing started: the window stays as it was
    cmdPoll->setText(QLatin1String(kStopCaption));
    setExchangeButtonsEnabled(false);
    m_pollApi = api;
    std::string name = port();
    if (api->InitComport(name.c_str()) != 1) {
        // The caption stays "Stop": pressing it closes the failed port and brings the buttons back.
        m_messages(this, portFailureMessage(name), MessageIcon::Exclamation);
        return;
    }
    // The sensor is chosen now; switching the option later counts from the next Poll.
    if (!OptPollSensor[0]->isChecked() && !OptPollSensor[1]->isChecked()) return;
    Sensor sensor = OptPollSensor[0]->isChecked() ? Sensor::Acceleration : Sensor::Barometric;
    m_pollIndex = pollIndex(sensor);
    txtSensorOutput->setPlainText(qs(pollHeading(sensor)));
    m_polling = true;
}

void FrmConfigAltimeter::tmrPoll_Timer() {
    if (!m_polling || !m_pollApi) return;
    const std::string reading = readValue(*m_pollApi, m_pollIndex);
    if (DeviceOutcome judged = judgeReply(reading, port()); !judged) {
        // No reply (or noise) is no reading: stop rather than list blank lines as values.
        stopPolling();
        m_messages(this, judged.message, MessageIcon::Exclamation);
        return;
    }
    appendReading(fromLine(reading));
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
    if (m_confirm && !m_confirm(this, "Fire output " + std::to_string(output) + " now?", Confirmation::Fire))
        return;
    PointerGuard pointer(this);
    const FltportApi* api = bind();
    if (!api) return;
    DeviceOutcome outcome = fireOutput(*api, port(), output);
    if (outcome) {
        shpContStatus[index]->setState(kRed, kFiredText);
        return;
    }
    pointer.restore();
    m_messages(this, outcome.message, MessageIcon::Exclamation);
}

void FrmConfigAltimeter::cmdReadContinuity_Click() {
    PointerGuard pointer(this);
    for (StatusCircle* circle : shpContStatus) circle->setState(kWhite, QString());
    const FltportApi* api = bind();
    if (!api) return;
    std::array<bool, 3> closed{};
    DeviceOutcome outcome = readContinuity(*api, port(), closed, [&](int value) {
        for (int i = 0; i < 3; ++i)
            if (closed[i]) shpContStatus[i]->setState(kGreen, kClosedText);
        ProgressBar1->setValue(value);
        ProgressBar1->repaint();
    });
    // Only a test that read all three outputs can call the others open.
    if (outcome)
        for (StatusCircle* circle : shpContStatus)
            if (circle->fillColor() != kGreen) circle->setState(kWhite, kOpenText);
    if (!outcome) {
        pointer.restore();
        m_messages(this, outcome.message, MessageIcon::Exclamation);
    }
}

}  // namespace tarvel::device
