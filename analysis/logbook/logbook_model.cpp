#include "logbook_model.h"

#include <QFileInfo>
#include <limits>

#include "number_text.h"
#include "qt_text.h"
#include "units.h"

namespace tarvel::logbook {

using suite::qs;

namespace {

QString unitTitle(const char* title, const UnitSelection& units, UnitGroup group) {
    return QString::fromLatin1(title) + " " + qs(selectedTag(units, group));
}

// `toSi` is the factor that took the figure from the shown unit to SI: dividing
// by it gives back the very figure of a flight recorded in that unit.
QString figure(const std::optional<double>& value, double toSi, int decimals, const NumberLocale& locale) {
    return value ? qs(figureText(*value / toSi, decimals, locale)) : QString();
}

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

bool isNumberColumn(Column column) {
    return column == Column::Apogee || column == Column::MaxVelocity || column == Column::FlightTime ||
           column == Column::Samples;
}

QString columnTitle(Column column, const UnitSelection& units) {
    switch (column) {
        case Column::File:
            return QStringLiteral("File");
        case Column::Name:
            return QStringLiteral("Name");
        case Column::Date:
            return QStringLiteral("Date");
        case Column::Place:
            return QStringLiteral("Place");
        case Column::Notes:
            return QStringLiteral("Notes");
        case Column::MotorClass:
            return QStringLiteral("Motor");
        case Column::Apogee:
            return unitTitle("Apogee", units, UnitGroup::Distance);
        case Column::MaxVelocity:
            return unitTitle("Max Velocity", units, UnitGroup::Velocity);
        case Column::FlightTime:
            return QStringLiteral("Flight Time (s)");
        case Column::Samples:
            return QStringLiteral("Samples");
        case Column::SameSamples:
            return QStringLiteral("Same Samples As");
        case Column::Problem:
            return QStringLiteral("Problem");
    }
    return {};
}

QString cellText(const LogbookEntry& e, Column column, const UnitSelection& units, const NumberLocale& locale,
                 const QString& sameSamples) {
    switch (column) {
        case Column::File:
            return fileName(e.path);
        case Column::Name:
            return e.name;
        case Column::Date:
            return e.date;
        case Column::Place:
            return e.place;
        case Column::Notes:
            return e.notesLine;
        case Column::MotorClass:
            return e.motorClass;
        case Column::Apogee:
            return figure(e.apogeeM, DistanceFactor[size_t(units.Distance)][1], 1, locale);
        case Column::MaxVelocity:
            return figure(e.maxVelocityMps, VelocityFactor[size_t(units.Velocity)][3], 1, locale);
        case Column::FlightTime:
            return figure(e.flightTimeS, 1.0, 1, locale);
        case Column::Samples:
            return e.readable() ? QString::number(e.sampleCount) : QString();
        case Column::SameSamples:
            return sameSamples;
        case Column::Problem:
            return e.problem;
    }
    return {};
}

std::optional<double> cellNumber(const LogbookEntry& e, Column column) {
    switch (column) {
        case Column::Apogee:
            return e.apogeeM;
        case Column::MaxVelocity:
            return e.maxVelocityMps;
        case Column::FlightTime:
            return e.flightTimeS;
        case Column::Samples:
            return e.readable() ? std::optional<double>(e.sampleCount) : std::nullopt;
        default:
            return std::nullopt;
    }
}

std::vector<QString> sameSamplesNames(const std::vector<LogbookEntry>& entries) {
    std::map<QString, std::vector<size_t>> byHash;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].samplesHash.isEmpty()) byHash[entries[i].samplesHash].push_back(i);
    std::vector<QString> names(entries.size());
    for (const auto& [hash, rows] : byHash) {
        if (rows.size() < 2) continue;
        for (size_t row : rows) {
            QStringList others;
            for (size_t other : rows)
                if (other != row) others.append(fileName(entries[other].path));
            names[row] = others.join(QStringLiteral(", "));
        }
    }
    return names;
}

LogbookModel::LogbookModel(QObject* parent) : QAbstractTableModel(parent) {}

void LogbookModel::setEntries(std::vector<LogbookEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    updateSameSamples();
    endResetModel();
}

void LogbookModel::setUnits(const UnitSelection& units, const NumberLocale& locale) {
    if (units == m_units && locale.decimalPoint == m_locale.decimalPoint &&
        locale.groupSeparator == m_locale.groupSeparator)
        return;
    m_units = units;
    m_locale = locale;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
    if (!m_entries.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

void LogbookModel::markDownloaded(const std::map<QString, QString>& sameAsDownload) {
    for (const auto& [logged, downloaded] : sameAsDownload) m_downloaded[logged] = downloaded;
    updateSameSamples();
    if (!m_entries.empty())
        emit dataChanged(index(0, int(Column::SameSamples)), index(rowCount() - 1, int(Column::SameSamples)));
}

void LogbookModel::updateSameSamples() {
    m_sameSamples = sameSamplesNames(m_entries);
    for (size_t row = 0; row < m_entries.size(); ++row) {
        const auto it = m_downloaded.find(m_entries[row].path);
        if (it == m_downloaded.end()) continue;
        QString& names = m_sameSamples[row];
        names = (names.isEmpty() ? QString() : names + ", ") + fileName(it->second) + " (downloaded)";
    }
}

int LogbookModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_entries.size());
}

int LogbookModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant LogbookModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const LogbookEntry& e = m_entries[size_t(index.row())];
    const auto column = Column(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return cellText(e, column, m_units, m_locale, m_sameSamples[size_t(index.row())]);
        case SearchRole:
            return isNumberColumn(column)
                       ? QString()
                       : cellText(e, column, m_units, m_locale, m_sameSamples[size_t(index.row())]);
        case SortRole:
            if (isNumberColumn(column))
                return cellNumber(e, column).value_or(std::numeric_limits<double>::lowest());
            return cellText(e, column, m_units, m_locale, m_sameSamples[size_t(index.row())]);
        case Qt::TextAlignmentRole:
            return isNumberColumn(column) ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
        case Qt::ToolTipRole:
            return column == Column::File ? QVariant(e.path) : QVariant();
        case PathRole:
            return e.path;
        default:
            return {};
    }
}

QVariant LogbookModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return columnTitle(Column(section), m_units);
}

}  // namespace tarvel::logbook
