#pragma once

#include <QList>
#include <QString>

class SettingsBacking;

// The five site records: sections "Site1" to "Site5" of application "Tunedrop", each with the keys Name, Addr,
// Path, User and Pass. Every read goes to the backing, so a value stored by anyone shows at the next read.
class SiteStore
{
public:
    enum class Key
    {
        Name,
        Addr,
        Path,
        User,
        Pass
    };

    // One site's values, read together.
    struct Record
    {
        QString name, address, path, userName, password;
    };

    struct Value
    {
        int site;
        Key key;
        QString text;
    };

    static constexpr int siteCount = 5;

    explicit SiteStore(SettingsBacking& backing);

    QString read(int site, Key key) const;
    Record record(int site) const;
    // Stores every value or, when it throws std::runtime_error, none of them.
    void write(const QList<Value>& values);

    static QString sectionName(int site);
    static QString keyName(Key key);

private:
    SettingsBacking& m_backing;
};

// How many sites a search visits: site 1 always, then each further site up to the first one without a name.
int searchedSiteCount(const SiteStore& store);
