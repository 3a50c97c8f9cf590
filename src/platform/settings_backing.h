#pragma once

#include <optional>

#include <QList>
#include <QMap>
#include <QString>

#include "settings_error.h"

struct SettingsEntry
{
    QString section;
    QString key;
    QString value;
};

// What a read of the settings file gave: every value by "section/key", or why the file could not be read.
struct SettingsRead
{
    QMap<QString, QString> values;
    std::optional<SettingsError> error;
};

// One settings file of strings addressed by section and key.
class SettingsBacking
{
public:
    virtual ~SettingsBacking() = default;

    // Reads the file afresh. A file that does not exist holds no values.
    virtual SettingsRead read() const = 0;
    // Stores all entries over what the file holds, or none of them and says why.
    virtual std::optional<SettingsError> write(const QList<SettingsEntry>& entries) = 0;
};
