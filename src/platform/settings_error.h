#pragma once

#include <QString>

// Why the settings file could not be read or written: a value, reported as each front end reports a failure, never an
// end of the program.
struct SettingsError
{
    QString file;
    // What is wrong with the file, after its name, such as "is a named pipe, not a file".
    QString reason;

    // "the settings file FILE REASON", a sentence without its capital or full stop.
    QString text() const { return QStringLiteral("the settings file %1 %2").arg(file, reason); }
};
