#pragma once

#include "settings_backing.h"

// The user's own settings file, or another of its format that the program may write: read through one checked
// descriptor and parsed by Qt's reading of the format, and nothing else, no fallback or system-wide file. It holds
// passwords, so it is kept private to its owner. A file that is a symbolic link is read through the link but never
// written or narrowed through it.
class QtSettingsBacking final : public SettingsBacking
{
public:
    explicit QtSettingsBacking(QString fileName = userFileName()) : m_fileName(std::move(fileName)) {}

    SettingsRead read() const override;
    std::optional<SettingsError> write(const QList<SettingsEntry>& entries) override;

    const QString& fileName() const { return m_fileName; }
    // Tunedrop/Tunedrop.conf in the user's configuration folder, $XDG_CONFIG_HOME or ~/.config.
    static QString userFileName();

private:
    QString m_fileName;
};
