#pragma once

#include <optional>

#include <QByteArray>
#include <QMap>
#include <QString>

#include "settings_backing.h"

// A real settings file holds a few hundred bytes; one far larger is an accident or an attack, and is never read.
constexpr qint64 largestSettingsFile = 1024 * 1024;

// The bytes of a settings file, or why they could not be read; neither for a file that does not exist.
struct SettingsFileBytes
{
    std::optional<QByteArray> bytes;
    std::optional<SettingsError> error;
};

// Reads `fileName` through one descriptor, opened without waiting and checked to be a regular file of at most
// largestSettingsFile, so that a pipe, a device or a huge file is refused at once. With `narrow`, a file that others
// may read is made its owner's alone, unless the name is a symbolic link, whose target may be any file of the user's.
SettingsFileBytes readSettingsFile(const QString& fileName, bool narrow);

// The values that settings file bytes hold by "section/key", by Qt's own reading of the format.
QMap<QString, QString> parseSettings(const QByteArray& bytes);

// Stores `entries` over what the file holds: a new file, its owner's alone, is written beside it and put in its place,
// after any missing folder has been made its owner's alone. A file that could not be read is never replaced, nor a
// symbolic link written through.
std::optional<SettingsError> writeSettingsFile(const QString& fileName, const QList<SettingsEntry>& entries);
