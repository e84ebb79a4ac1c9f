#include "user_settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <string>

#include "record_reader.h"
#include "record_writer.h"

namespace tarvel {

namespace {

// The user's settings file, where QSettings keeps "Tarvel"/"TarvelGraph".
std::string storePath() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/Tarvel/TarvelGraph.conf"))
        .toStdString();
}

}  // namespace

UserSettingsStore::UserSettingsStore() {
    std::string bytes;
    // Far more than units, a few recent paths and the profiles of a fleet take.
    constexpr size_t kMaxStoreBytes = 1 << 20;
    if (m_file.open()) {
        if (readSmallRegularFile(storePath(), kMaxStoreBytes, bytes).ok)
            m_file.write(bytes.data(), qint64(bytes.size()));
        m_file.close();
    }
    m_settings.emplace(m_file.fileName(), QSettings::IniFormat);
}

Status UserSettingsStore::save() {
    m_settings->sync();
    QFile copy(m_file.fileName());
    if (m_settings->status() != QSettings::NoError || !copy.open(QIODevice::ReadOnly))
        return Status::failure("cannot write " + storePath() + ": the settings could not be prepared");
    const QByteArray bytes = copy.readAll();
    QDir().mkpath(QFileInfo(QString::fromStdString(storePath())).absolutePath());
    return writeSettingsFile(storePath(), bytes.toStdString());
}

}  // namespace tarvel
