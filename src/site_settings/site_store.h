#pragma once

#include <optional>
#include <utility>

#include <QList>
#include <QMap>
#include <QString>

#include "settings_error.h"

class SettingsBacking;

// The five site records: sections "Site1" to "Site5" of the settings file, each with the keys Name, Addr, Path, User
// and Pass. The records are those the file held when it was last loaded or stored, so that nothing in between can
// fail: a front end loads them where it can report a failure, as a search or Options begins.
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

    static constexpr int siteCount = 5;

    explicit SiteStore(SettingsBacking& backing);

    // Reads the file afresh, or says why it cannot be read and keeps the records as they were.
    std::optional<SettingsError> load();
    QString read(int site, Key key) const;
    Record record(int site) const;
    // Stores each site's whole record over what the file holds, all or none, and says why when none.
    std::optional<SettingsError> write(const QList<std::pair<int, Record>>& records);

    static QString sectionName(int site);
    static QString keyName(Key key);

private:
    SettingsBacking& m_backing;
    QMap<QString, QString> m_values;
};

// How many sites a search visits: site 1 always, then each further site up to the first one without a name.
int searchedSiteCount(const SiteStore& store);
