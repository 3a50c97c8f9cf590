#include "site_store.h"

#include "settings_backing.h"

using namespace Qt::StringLiterals;

namespace {

QString keyPath(int site, SiteStore::Key key)
{
    return SiteStore::sectionName(site) + u'/' + SiteStore::keyName(key);
}

} // namespace

SiteStore::SiteStore(SettingsBacking& backing) : m_backing(backing)
{
}

std::optional<SettingsError> SiteStore::load()
{
    SettingsRead read = m_backing.read();
    if (!read.error)
        m_values = std::move(read.values);
    return read.error;
}

QString SiteStore::read(int site, Key key) const
{
    return m_values.value(keyPath(site, key));
}

SiteStore::Record SiteStore::record(int site) const
{
    return {read(site, Key::Name), read(site, Key::Addr), read(site, Key::Path), read(site, Key::User),
            read(site, Key::Pass)};
}

std::optional<SettingsError> SiteStore::write(const QList<std::pair<int, Record>>& records)
{
    QList<SettingsEntry> entries;
    for (const auto& [site, record] : records) {
        const QString section = sectionName(site);
        for (const auto& [key, value] : {std::pair(Key::Name, &record.name), std::pair(Key::Addr, &record.address),
                                         std::pair(Key::Path, &record.path), std::pair(Key::User, &record.userName),
                                         std::pair(Key::Pass, &record.password)})
            entries.append({section, keyName(key), *value});
    }
    if (std::optional<SettingsError> error = m_backing.write(entries))
        return error;
    for (const SettingsEntry& entry : std::as_const(entries))
        m_values.insert(entry.section + u'/' + entry.key, entry.value);
    return std::nullopt;
}

QString SiteStore::sectionName(int site)
{
    return u"Site"_s + QString::number(site);
}

QString SiteStore::keyName(Key key)
{
    switch (key) {
    case Key::Name:
        return u"Name"_s;
    case Key::Addr:
        return u"Addr"_s;
    case Key::Path:
        return u"Path"_s;
    case Key::User:
        return u"User"_s;
    case Key::Pass:
        return u"Pass"_s;
    }
    return {};
}

int searchedSiteCount(const SiteStore& store)
{
    int count = 1;
    while (count < SiteStore::siteCount && !store.read(count + 1, SiteStore::Key::Name).isEmpty())
        ++count;
    return count;
}
