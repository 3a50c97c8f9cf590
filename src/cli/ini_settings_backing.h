#pragma once

#include "settings_backing.h"

// A settings file named on the command line, in the format of the user's own (INI), read as it is: the command line
// never writes settings, nor changes the file's permissions, which belong to whoever made it.
class IniSettingsBacking final : public SettingsBacking
{
public:
    explicit IniSettingsBacking(const QString& fileName) : m_fileName(fileName) {}

    // The file holds one application's values, so `application` is not part of the address.
    QString read(const QString& application, const QString& section, const QString& key) const override;
    void write(const QString& application, const QList<SettingsEntry>& entries) override;

private:
    QString m_fileName;
};
