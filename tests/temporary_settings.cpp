#include "temporary_settings.h"

#include <QSettings>

TemporarySettings::TemporarySettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

QString TemporarySettings::fileName() const
{
    return QtSettingsBacking::fileName(QStringLiteral("Tunedrop"));
}

void TemporarySettings::setSite(int site, const QString& name, const QString& address, const QString& path,
                                const QString& user, const QString& password)
{
    using Key = SiteStore::Key;
    store.write({{site, Key::Name, name},
                 {site, Key::Addr, address},
                 {site, Key::Path, path},
                 {site, Key::User, user},
                 {site, Key::Pass, password}});
}
