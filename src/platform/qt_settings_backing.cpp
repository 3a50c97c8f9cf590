#include "qt_settings_backing.h"

#include <QStandardPaths>

#include "settings_file.h"

using namespace Qt::StringLiterals;

QString QtSettingsBacking::userFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Tunedrop/Tunedrop.conf"_s;
}

SettingsRead QtSettingsBacking::read() const
{
    const SettingsFileBytes file = readSettingsFile(m_fileName, true);
    if (file.error)
        return {{}, file.error};
    return {file.bytes ? parseSettings(*file.bytes) : QMap<QString, QString>(), std::nullopt};
}

std::optional<SettingsError> QtSettingsBacking::write(const QList<SettingsEntry>& entries)
{
    return writeSettingsFile(m_fileName, entries);
}
