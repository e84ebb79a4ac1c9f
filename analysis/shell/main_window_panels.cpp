// The five panels under the main window's graph, built from one table: the
// rocket details, the misc details with the notes, the motor performance,
// the rocket performance and the instantaneous values.

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <optional>
#include <vector>

#include "graph_interaction.h"
#include "graph_widget.h"
#include "main_window.h"
#include "model_graph.h"
#include "qt_text.h"

namespace tarvel {

using suite::qs;

// One row of a panel: its caption, then a detail field, a figure or an
// instantaneous value, then the unit label of a group if the row has one.
struct PanelRow {
    enum class Kind { Detail, Figure, Pointer };
    const char* caption;
    Kind kind;
    int which;  // the DetailField, MainWindow::Figure or instantaneous value
    const char* toolTip = nullptr;
    std::optional<UnitGroup> unit = std::nullopt;
    const char* captionName = nullptr;  // a caption the model relabels ("Label5")
};

struct PanelLayout {
    const char* name;
    const char* caption;
    std::vector<PanelRow> rows;
    bool notes = false;  // the notes fill the rest of the panel
};

namespace {

// The graph keeps the light colours it was drawn for: its curve and label
// colours are fixed and would sink into a dark desktop theme's panel.
QPalette graphPalette() {
    QPalette light(QColor(Qt::black), QColor(240, 240, 240), QColor(Qt::white), QColor(160, 160, 160),
                   QColor(200, 200, 200), QColor(Qt::black), QColor(Qt::white));
    light.setColor(QPalette::ButtonText, Qt::black);
    light.setColor(QPalette::Button, QColor(240, 240, 240));
    return light;
}

// Notes are held with CR LF line breaks, as the record file carries them.
QString notesForWidget(const std::string& notes) { return qs(notes).replace("\r\n", "\n"); }
std::string notesForModel(const QString& text) { return QString(text).replace("\n", "\r\n").toStdString(); }

// One row: caption, field, optional unit label.
void addRow(QGridLayout* grid, QLabel* caption, QWidget* field, QWidget* unit) {
    // Captions and units keep their whole text; the fields give way.
    caption->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    if (unit) unit->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    const int row = grid->rowCount();
    grid->addWidget(caption, row, 0);
    grid->addWidget(field, row, 1);
    // Screen readers name a field or a figure by its caption.
    field->setAccessibleName(caption->text().remove(':').trimmed());
    if (field->focusPolicy() != Qt::NoFocus) caption->setBuddy(field);
    if (unit) grid->addWidget(unit, row, 2);
}

QLabel* valueLabel(const QString& name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setMinimumWidth(46);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

using Kind = PanelRow::Kind;
using Figure = MainWindow::Figure;
constexpr const char* kWeightTip = "Weight of the rocket + motor weight.";

PanelRow detailRow(const char* caption, DetailField field, const char* toolTip,
                   std::optional<UnitGroup> unit = std::nullopt) {
    return {caption, Kind::Detail, static_cast<int>(field), toolTip, unit};
}
PanelRow figureRow(const char* caption, Figure figure, std::optional<UnitGroup> unit = std::nullopt) {
    return {caption, Kind::Figure, static_cast<int>(figure), nullptr, unit};
}
PanelRow pointerRow(const char* caption, int value, std::optional<UnitGroup> unit = std::nullopt) {
    return {caption, Kind::Pointer, value, nullptr, unit};
}

std::vector<PanelLayout> panelTable() {
    using enum DetailField;
    PanelRow aveThrust = figureRow("Ave Thrust", Figure::AveThrust, UnitGroup::Thrust);
    aveThrust.captionName = "Label5";
    return {
        {"fraRocketDetails",
         "Rocket Details",
         {detailRow("Total Wt", FileDetailWeight, kWeightTip, UnitGroup::Mass),
          detailRow("Diameter (in.)", FileDetailDiameter, "Diameter of the rocket in inches."),
          detailRow("Drag Coefficient", FileDetailCoefficientDrag, "Estimate coefficient of drag.")}},
        {"fraMiscDetails",
         "Misc Details",
         {detailRow("Name", FileDetailName, "Enter in the name of your rocket"),
          detailRow("Place", FileDetailPlace, "The location of the launch."),
          detailRow("Date", FileDetailDate, "The date of the launch.")},
         true},
        {"fraMotorPerformance",
         "Motor Performance",
         {detailRow("Duratation (sec.)", txtMotorDuration, nullptr),
          detailRow("Propellant Wt ", FileDetailPropellantWt, kWeightTip, UnitGroup::Mass), aveThrust,
          figureRow("Total Impulse", Figure::TotalImpulse, UnitGroup::Thrust),
          figureRow("Max Thrust", Figure::MaxThrust, UnitGroup::Thrust)}},
        {"fraRocketPerformance",
         "Rocket Performance",
         {figureRow("Max Altitude", Figure::MaxAltitude, UnitGroup::Distance),
          figureRow("Max Velocity", Figure::MaxVelocity, UnitGroup::Velocity),
          figureRow("Min Accel (G):", Figure::MinAccel), figureRow("Max Accel (G):", Figure::MaxAccel),
          figureRow("Velocity @3ft", Figure::Velocity3Ft, UnitGroup::Velocity),
          figureRow("Baro Altitude", Figure::BaroAltitude)}},
        {"fraInstantaneousValues",
         "Instantaneous Values",
         {pointerRow("Time (s):", 0), pointerRow("Accel (G):", 1),
          pointerRow("Velocity", 2, UnitGroup::Velocity), pointerRow("Altitude", 3, UnitGroup::Distance),
          pointerRow("Thrust", 4, UnitGroup::Thrust)}},
    };
}

// Control names of the unit labels, numbered in each group from 0.
QString unitLabelName(UnitGroup group) {
    switch (group) {
        case UnitGroup::Mass:
            return "lblUnitsMass";
        case UnitGroup::Velocity:
            return "lblVelocity";
        case UnitGroup::Distance:
            return "lblAltitude";
        case UnitGroup::Thrust:
            return "lblUnitsThrust";
    }
    return {};
}

constexpr const char* kFigureNames[] = {"MaxAccel",     "MinAccel",    "MaxVelocity",
                                        "MaxAltitude",  "Velocity3Ft", "MaxThrust",
                                        "TotalImpulse", "AveThrust",   "BaroAltitude"};

}  // namespace

QLineEdit* MainWindow::makeDetailEdit(DetailField field, const char* toolTip) {
    auto* edit = new QLineEdit;
    edit->setObjectName(
        QString::fromLatin1(detailFieldName(field).data(), int(detailFieldName(field).size())));
    if (toolTip) edit->setToolTip(QString::fromLatin1(toolTip));
    edit->setMinimumWidth(42);
    edit->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);  // the panel decides the width
    m_detailEdits[int(field)] = edit;
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& text) {
        m_analysis.detail(field) = text.toStdString();
        markEdited();
    });
    edit->installEventFilter(this);
    return edit;
}

QPlainTextEdit* MainWindow::makeNotesEdit() {
    m_notes = new QPlainTextEdit;
    m_notes->setObjectName("FileDetailNotes");
    m_notes->setToolTip("Any additional information about the rocket and launch.");
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_notes->setTabChangesFocus(true);
    m_notes->viewport()->installEventFilter(this);
    // The notes take the height the other panels leave, never more.
    m_notes->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_notes->setMinimumHeight(QFontMetrics(m_notes->font()).lineSpacing() * 3 + 8);
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] {
        if (m_updatingWidgets) return;
        m_analysis.detail(DetailField::FileDetailNotes) = notesForModel(m_notes->toPlainText());
        markEdited();
    });
    m_notes->setAccessibleName("Notes");
    return m_notes;
}

GraphWidget* MainWindow::makeGraphArea(QWidget* parent) {
    m_graphWidget = new GraphWidget(*m_graph, parent);
    m_graphWidget->setObjectName("grfArea");
    m_graphWidget->setToolTip("Right click to calculate a descent rate.");
    m_graphWidget->setPalette(graphPalette());
    m_graphWidget->setAccessibleName("Flight graph");
    connect(m_graphWidget, &GraphWidget::pointerMoved, this, &MainWindow::grfArea_MouseMove);
    connect(m_graphWidget, &GraphWidget::pointerPressed, this, &MainWindow::grfArea_MouseDown);
    connect(m_graphWidget, &GraphWidget::rangeDragged, this, &MainWindow::grfArea_RangeDragged);
    connect(m_graphWidget, &GraphWidget::rangeSelected, this, &MainWindow::grfArea_RangeSelected);
    connect(m_graphWidget, &GraphWidget::panRequested, this, &MainWindow::grfArea_Pan);
    connect(m_graphWidget, &GraphWidget::zoomRequested, this, &MainWindow::grfArea_Zoom);
    return m_graphWidget;
}

void MainWindow::addPanelRow(QGridLayout* grid, const PanelRow& row) {
    auto* caption = new QLabel(QString::fromLatin1(row.caption));
    if (row.captionName) {
        caption->setObjectName(row.captionName);
        m_aveThrustCaption = caption;
    }
    QWidget* field = nullptr;
    switch (row.kind) {
        case Kind::Detail:
            field = makeDetailEdit(DetailField(row.which), row.toolTip);
            break;
        case Kind::Figure:
            field = m_figureLabels[size_t(row.which)] = valueLabel(kFigureNames[row.which]);
            break;
        case Kind::Pointer:
            field = m_pointerLabels[size_t(row.which)] = valueLabel(QString("CurVal%1").arg(row.which));
            break;
    }
    QLabel* unit = nullptr;
    if (row.unit) {
        std::vector<QLabel*>& group = m_unitLabels[size_t(*row.unit)];
        unit = new QLabel;
        unit->setObjectName(unitLabelName(*row.unit) + QString::number(group.size()));
        group.push_back(unit);
    }
    addRow(grid, caption, field, unit);
}

QGroupBox* MainWindow::makePanel(const PanelLayout& panel, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(panel.caption), parent);
    box->setObjectName(panel.name);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(4);
    grid->setColumnStretch(1, 1);
    for (const PanelRow& row : panel.rows) addPanelRow(grid, row);
    if (panel.notes) {
        QPlainTextEdit* notes = makeNotesEdit();
        auto* notesCaption = new QLabel("Notes:");
        notesCaption->setBuddy(notes);
        grid->addWidget(notesCaption, grid->rowCount(), 0, 1, 2);
        grid->addWidget(notes, grid->rowCount(), 0, 1, 2);
        grid->setRowStretch(grid->rowCount() - 1, 1);
    } else {
        grid->setRowStretch(grid->rowCount(), 1);
    }
    return box;
}

void MainWindow::buildPanels() {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(makeGraphArea(central), 1);

    auto* hint = new QLabel("Click the graph to show instantaneous values at any given time.", central);
    hint->setObjectName("lblHint");
    m_graphWidget->setAccessibleDescription(hint->text() +
                                            " Shift+Left and Shift+Right move the pointer line, Enter shows "
                                            "the values there and D marks a descent-rate point.");
    layout->addWidget(hint);

    m_detailEdits.assign(kDetailFieldCount, nullptr);
    auto* panels = new QHBoxLayout;
    panels->setSpacing(4);
    for (const PanelLayout& panel : panelTable()) panels->addWidget(makePanel(panel, central), 1);
    layout->addLayout(panels, 0);

    setCentralWidget(central);
    m_basePointSize = central->font().pointSizeF() > 0 ? central->font().pointSizeF() : 9.0;
}

QLabel* MainWindow::label(const QString& name) const { return findChild<QLabel*>(name); }

void MainWindow::refreshFromModel() {
    drawModelGraph(m_analysis, m_analysis.takeGraphSteps(), *m_graph);
    m_updatingWidgets = true;
    for (int i = 0; i < kDetailFieldCount; ++i) {
        QLineEdit* edit = m_detailEdits[size_t(i)];
        const QString text = qs(m_analysis.details[size_t(i)]);
        if (edit && edit->text() != text) edit->setText(text);
    }
    const QString notes = notesForWidget(m_analysis.detail(DetailField::FileDetailNotes));
    if (m_notes->toPlainText() != notes) m_notes->setPlainText(notes);
    m_updatingWidgets = false;

    const FigureTexts& f = m_analysis.figures;
    const std::string* figures[] = {&f.MaxAccel,     &f.MinAccel,    &f.MaxVelocity,
                                    &f.MaxAltitude,  &f.Velocity3Ft, &f.MaxThrust,
                                    &f.TotalImpulse, &f.AveThrust,   &m_analysis.BaroAltitude};
    for (size_t i = 0; i < m_figureLabels.size(); ++i) m_figureLabels[i]->setText(qs(*figures[i]));
    // The caption reads "Ave Thrust" until a summary names a class.
    m_aveThrustCaption->setText(f.MaxThrust.empty() ? QString("Ave Thrust") : qs(f.Label5));

    const UnitCaptions& c = m_analysis.captions;
    const std::pair<UnitGroup, const std::string*> units[] = {{UnitGroup::Mass, &c.lblUnitsMass},
                                                              {UnitGroup::Velocity, &c.lblVelocity},
                                                              {UnitGroup::Distance, &c.lblAltitude},
                                                              {UnitGroup::Thrust, &c.lblUnitsThrust}};
    for (auto [group, text] : units)
        for (QLabel* unit : m_unitLabels[size_t(group)]) unit->setText(qs(*text));

    const GraphMenu& g = m_analysis.graphMenu;
    action("mnuGraphAll")->setChecked(g.mnuGraphAll);
    action("mnuGraphAccelThrust")->setChecked(g.mnuGraphAccelThrust);
    action("mnuGraphThrust")->setChecked(g.mnuGraphThrust);
    action("mnuGraphAltitude")->setChecked(g.mnuGraphAltitude);
    action("mnuGraphVelocity")->setChecked(g.mnuGraphVelocity);
    action("mnuGraphAccel")->setChecked(g.mnuGraphAccel);
    refreshFlightReport();

    // A redraw can move the axes under the pointer line or change the values.
    m_interaction->refresh();
    showPointerValues();
    enableGraphGestures();

    // New figures and units can widen a panel: lay out before the next paint.
    centralWidget()->layout()->activate();
}

void MainWindow::showPointerValues() {
    for (size_t i = 0; i < m_pointerLabels.size(); ++i)
        m_pointerLabels[i]->setText(qs(m_interaction->CurVal[i]));
    if (m_pointerStatus) m_pointerStatus->setText(qs(m_interaction->pointerStatus));
    m_graphWidget->update();
}

}  // namespace tarvel
