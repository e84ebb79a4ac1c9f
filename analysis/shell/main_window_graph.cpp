// The main window's zoom and pan of the time axis, the ruler, the values
// under the pointer in the status bar, the events and the estimate over the
// graph and the statistics window.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <cmath>

#include "graph_interaction.h"
#include "graph_widget.h"
#include "ln_graph.h"
#include "main_window.h"
#include "statistics_window.h"

namespace tarvel {

namespace {
// One wheel notch in shows this share of the span, keeping the time under the pointer.
constexpr double kZoomPerNotch = 0.8;

QString seconds(double t) { return QString::number(t, 'f', 2); }
}  // namespace

void MainWindow::buildGraphGestures(QMenu* graphMenu) {
    graphMenu->addSeparator();
    addEntry(graphMenu, "mnuGraphZoomOut", "&Zoom Out", &MainWindow::mnuGraphZoomOut_Click);
    addEntry(graphMenu, "mnuGraphClearRuler", "Clear R&uler", &MainWindow::mnuGraphClearRuler_Click);
    graphMenu->addSeparator();
    addEntry(graphMenu, "mnuGraphEvents", "Event &Markers", &MainWindow::mnuGraphEvents_Click);
    addEntry(graphMenu, "mnuGraphEstimate", "&Best Estimate", &MainWindow::mnuGraphEstimate_Click);
    for (const char* name : {"mnuGraphEvents", "mnuGraphEstimate"}) action(name)->setCheckable(true);
    addEntry(graphMenu, "mnuGraphStatistics", "Flight &Statistics...", &MainWindow::mnuGraphStatistics_Click);
    enableGraphGestures();
    if (const std::optional<double> rail = m_preferences.railLength()) m_analysis.railLength = *rail;

    m_pointerStatus = new QLabel(this);
    m_pointerStatus->setObjectName("lblPointerStatus");
    statusBar()->addWidget(m_pointerStatus, 1);
}

void MainWindow::enableGraphGestures() {
    const bool ruler = m_interaction->hasRuler();
    QAction* zoomOut = action("mnuGraphZoomOut");
    QAction* clearRuler = action("mnuGraphClearRuler");
    zoomOut->setEnabled(m_graph->isZoomed());
    clearRuler->setEnabled(ruler);
    // Escape takes back what is shown over the flight: the ruler first, then the zoom.
    clearRuler->setShortcut(ruler ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    zoomOut->setShortcut(ruler ? QKeySequence() : QKeySequence(Qt::Key_Escape));
}

void MainWindow::graphZoomChanged() {
    m_interaction->followZoom();
    showPointerValues();
    enableGraphGestures();
}

void MainWindow::mnuGraphZoomOut_Click() {
    if (m_graph->zoomOut()) graphZoomChanged();
}

void MainWindow::mnuGraphClearRuler_Click() {
    m_interaction->clearRuler();
    showPointerValues();
    enableGraphGestures();
}

QString MainWindow::zoomToRange(double t1, double t2) {
    const graph::AxisSpec& time = m_graph->axis(graph::Axis::Time);
    if (!m_analysis.bValidFile) return "no flight is shown";
    if (!(t1 < t2) || t1 >= time.MaxValue || t2 <= time.MinValue)
        return "the range is not on the graph, which runs from " + seconds(time.MinValue) + " to " +
               seconds(time.MaxValue) + " s";
    m_graph->zoomTo(t1, t2);
    graphZoomChanged();
    return {};
}

void MainWindow::grfArea_Zoom(double xTwips, double notches) {
    if (m_graph->zoomAround(xTwips, std::pow(kZoomPerNotch, notches))) graphZoomChanged();
}

void MainWindow::grfArea_Pan(double dxTwips) {
    if (m_graph->panBy(dxTwips)) graphZoomChanged();
}

void MainWindow::grfArea_RangeDragged(double fromX, double toX) {
    m_interaction->dragSelection(fromX, toX);
    m_graphWidget->update();
}

void MainWindow::grfArea_RangeSelected(double fromX, double toX) {
    m_interaction->finishSelection(fromX, toX);
    graphZoomChanged();
}

void MainWindow::mnuGraphEvents_Click() { runCommand(&FlightAnalysis::mnuGraphEvents_Click); }

void MainWindow::mnuGraphEstimate_Click() { runCommand(&FlightAnalysis::mnuGraphEstimate_Click); }

void MainWindow::mnuGraphStatistics_Click() {
    if (!m_statistics) {
        m_statistics = new StatisticsWindow(this);
        m_statistics->railLengthChanged = [this](double metres) { setRailLength(metres); };
    }
    refreshFlightReport();
    m_statistics->show();
    m_statistics->raise();
    m_statistics->activateWindow();
}

void MainWindow::setRailLength(double metres) {
    m_analysis.railLength = metres;
    m_preferences.setRailLength(metres);
    refreshFlightReport();
}

void MainWindow::refreshFlightReport() {
    action("mnuGraphEvents")->setChecked(m_analysis.graphMenu.mnuGraphEvents);
    action("mnuGraphEstimate")->setChecked(m_analysis.graphMenu.mnuGraphEstimate);
    if (!m_statistics) return;
    // Without a flight every row is empty.
    static const events::FlightReport kNoFlight;
    m_statistics->showReport(m_analysis.bValidFile ? m_analysis.flightReport() : kNoFlight,
                             m_analysis.numberLocale);
}

}  // namespace tarvel
