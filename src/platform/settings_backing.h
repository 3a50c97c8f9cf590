#pragma once

#include <QList>
#include <QString>

struct SettingsEntry
{
    QString section;
    QString key;
    QString value;
};

// The per-user settings store: strings addressed by application, section and key.
class SettingsBacking
{
public:
    virtual ~SettingsBacking() = default;

    // The stored value, or "" for anything missing.
    virtual QString read(const QString& application, const QString& section, const QString& key) const = 0;
    // Stores all entries or, when it throws std::runtime_error, none of them.
    virtual void write(const QString& application, const QList<SettingsEntry>& entries) = 0;
};
