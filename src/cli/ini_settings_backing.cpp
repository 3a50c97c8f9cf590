#include "ini_settings_backing.h"

#include <stdexcept>

#include <QSettings>

#include "qt_settings_backing.h"

QString IniSettingsBacking::read(const QString& /*application*/, const QString& section, const QString& key) const
{
    QtSettingsBacking::refuseOversized(m_fileName);
    return QtSettingsBacking::textOf(QSettings(m_fileName, QSettings::IniFormat).value(section + u'/' + key));
}

void IniSettingsBacking::write(const QString& /*application*/, const QList<SettingsEntry>& /*entries*/)
{
    throw std::runtime_error("a settings file named with --config is only read");
}
