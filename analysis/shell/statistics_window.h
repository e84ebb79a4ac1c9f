#pragma once
// "Flight Statistics": the events, the figures of each flight phase and the
// best estimate of the flight shown, each value in its units side by side,
// with the launch rail's length they take and a button that copies them all
// as text. It shows what it is given; the main window keeps it up to date.

#include <QDialog>
#include <functional>
#include <string>

#include "flight.h"
#include "flight_report.h"

class QDoubleSpinBox;
class QTableWidget;

namespace tarvel {

class StatisticsWindow : public QDialog {
    Q_OBJECT
public:
    explicit StatisticsWindow(QWidget* parent = nullptr);

    // The rail length typed in, m; the main window works the report out again.
    std::function<void(double metres)> railLengthChanged;

    void showReport(const events::FlightReport& report, const NumberLocale& locale);
    QTableWidget* table() const { return m_table; }
    QDoubleSpinBox* railEdit() const { return m_rail; }
    // The whole table as the copy button puts it on the clipboard.
    const std::string& text() const { return m_text; }

private:
    QTableWidget* m_table = nullptr;
    QDoubleSpinBox* m_rail = nullptr;
    std::string m_text;
};

}  // namespace tarvel
