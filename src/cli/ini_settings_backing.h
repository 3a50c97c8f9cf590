#pragma once

#include "settings_backing.h"

// A settings file named on the command line, in the format of the user's own, read as it is: the command line never
// writes settings, nor changes the file's permissions, which belong to whoever made it. A file named on purpose must
// exist and hold a site record, or a wrong name would read as five empty sites.
class IniSettingsBacking final : public SettingsBacking
{
public:
    explicit IniSettingsBacking(const QString& fileName) : m_fileName(fileName) {}

    SettingsRead read() const override;
    std::optional<SettingsError> write(const QList<SettingsEntry>& entries) override;

private:
    QString m_fileName;
};
