#include "ini_settings_backing.h"

#include <algorithm>

#include "settings_file.h"
#include "site_store.h"

using namespace Qt::StringLiterals;

SettingsRead IniSettingsBacking::read() const
{
    const SettingsFileBytes file = readSettingsFile(m_fileName, false);
    if (file.error)
        return {{}, file.error};
    if (!file.bytes)
        return {{}, SettingsError{m_fileName, u"does not exist"_s}};
    SettingsRead read{parseSettings(*file.bytes), std::nullopt};
    const QStringList keys = read.values.keys();
    const bool holdsSite = std::any_of(keys.cbegin(), keys.cend(), [](const QString& key) {
        const QString section = key.section(u'/', 0, 0);
        for (int site = 1; site <= SiteStore::siteCount; ++site) {
            if (section == SiteStore::sectionName(site))
                return true;
        }
        return false;
    });
    if (!holdsSite)
        read = {{}, SettingsError{m_fileName, u"holds no site records"_s}};
    return read;
}

std::optional<SettingsError> IniSettingsBacking::write(const QList<SettingsEntry>& /*entries*/)
{
    return SettingsError{m_fileName, u"is named with --config, which is only read"_s};
}
