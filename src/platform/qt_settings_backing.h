#pragma once

#include <QVariant>

#include "settings_backing.h"

// The settings backing over QSettings in the platform's native format and per-user scope, with the application
// name as both organisation and application. The file holds passwords, so it is kept private to its owner. A file
// that is a symbolic link is read through the link but never written or narrowed through it.
class QtSettingsBacking final : public SettingsBacking
{
public:
    QString read(const QString& application, const QString& section, const QString& key) const override;
    void write(const QString& application, const QList<SettingsEntry>& entries) override;

    // A real settings file holds a few hundred bytes; QSettings reads a file whole before it parses it, so a huge one
    // would take all memory or crash the parser.
    static constexpr qint64 largestFile = 1024 * 1024;

    // Where the values of `application` live. Found without reading that file.
    static QString fileName(const QString& application);
    // Throws std::runtime_error, naming the file and the limit, when the file is larger than largestFile. It must be
    // called before any QSettings is made on the file, since making one reads it.
    static void refuseOversized(const QString& fileName);
    // A stored value as the text the user meant: a hand-edited value holding an unquoted comma reads as a list,
    // whose items are joined with the commas again.
    static QString textOf(const QVariant& value);
};
