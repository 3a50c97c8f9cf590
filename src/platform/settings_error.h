#pragma once

#include <QString>

// Why the settings file could not be read or written: a value, reported as each front end reports a failure, never an
// end of the program.
struct SettingsError
{
    QString file;
    // What is wrong with the file, after its name, such as "is a named pipe, not a file".
    QString reason;

    // "the settings file FILE REASON", to follow a program's name on standard error.
    QString text() const { return QStringLiteral("the settings file %1 %2").arg(file, reason); }
    // The same as a sentence of its own, for a window.
    QString sentence() const { return QStringLiteral("The settings file %1 %2.").arg(file, reason); }
};
