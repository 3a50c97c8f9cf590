#include "site_store.h"

#include "settings_backing.h"

using namespace Qt::StringLiterals;

namespace {

const QString application = u"Tunedrop"_s;

} // namespace

SiteStore::SiteStore(SettingsBacking& backing) : m_backing(backing)
{
}

QString SiteStore::read(int site, Key key) const
{
    return m_backing.read(application, sectionName(site), keyName(key));
}

SiteStore::Record SiteStore::record(int site) const
{
    return {read(site, Key::Name), read(site, Key::Addr), read(site, Key::Path), read(site, Key::User),
            read(site, Key::Pass)};
}

void SiteStore::write(const QList<Value>& values)
{
    QList<SettingsEntry> entries;
    entries.reserve(values.size());
    for (const Value& value : values)
        entries.append({sectionName(value.site), keyName(value.key), value.text});
    m_backing.write(application, entries);
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
