#include "ini_settings_backing.h"

#include <stdexcept>

#include <QSettings>

QString IniSettingsBacking::read(const QString& /*application*/, const QString& section, const QString& key) const
{
    const QVariant value = QSettings(m_fileName, QSettings::IniFormat).value(section + u'/' + key);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    // An unquoted comma makes a value read as a list, as in the user's own file; the text meant has the commas.
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return value.toStringList().join(u',');
    default:
        return {};
    }
}

void IniSettingsBacking::write(const QString& /*application*/, const QList<SettingsEntry>& /*entries*/)
{
    throw std::runtime_error("a settings file named with --config is only read");
}
