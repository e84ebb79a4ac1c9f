#pragma once
// The logbook as a table: the columns of the Flights window and of
// `tarvel flights`, their titles and texts in the user's units, and the item
// model the window sorts and filters. Qt Core only.

#include <QAbstractTableModel>
#include <map>
#include <vector>

#include "logbook_entry.h"

namespace tarvel::logbook {

enum class Column {
    File,
    Name,
    Date,
    Place,
    Notes,
    MotorClass,
    Apogee,
    MaxVelocity,
    FlightTime,
    Samples,
    SameSamples,
    Problem,
};
inline constexpr int kColumnCount = 12;
bool isNumberColumn(Column column);

// The column's title, with the unit of a figure ("Apogee (ft)").
QString columnTitle(Column column, const UnitSelection& units);
// Its text for one flight, figures in `units` and `locale`; `sameSamples`
// names the other flights of the same samples.
QString cellText(const LogbookEntry& entry, Column column, const UnitSelection& units,
                 const NumberLocale& locale, const QString& sameSamples = {});
// The value a figure column sorts by; nothing for text columns and for absent figures.
std::optional<double> cellNumber(const LogbookEntry& entry, Column column);

// For every flight, the file names of the other flights with the same
// samples (", " between them), empty when it is the only one.
std::vector<QString> sameSamplesNames(const std::vector<LogbookEntry>& entries);

class LogbookModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The text the search field matches (the text columns only), and the
    // value a column sorts by (numbers for the figures).
    static constexpr int SearchRole = Qt::UserRole + 1;
    static constexpr int SortRole = Qt::UserRole + 2;
    static constexpr int PathRole = Qt::UserRole + 3;

    explicit LogbookModel(QObject* parent = nullptr);

    void setEntries(std::vector<LogbookEntry> entries);
    const std::vector<LogbookEntry>& entries() const { return m_entries; }
    // Figures in these units and number form from now on.
    void setUnits(const UnitSelection& units, const NumberLocale& locale);
    // Flights of the logbook whose samples a download brought again: logged path -> downloaded file.
    void markDownloaded(const std::map<QString, QString>& sameAsDownload);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void updateSameSamples();

    std::vector<LogbookEntry> m_entries;
    std::vector<QString> m_sameSamples;  // by row
    std::map<QString, QString> m_downloaded;
    UnitSelection m_units;
    NumberLocale m_locale{".", ""};
};

}  // namespace tarvel::logbook
