#pragma once

#include <QCoreApplication>
#include <QString>

// Why the settings file could not be read or written: a value, reported as each front end reports a failure, never an
// end of the program.
struct SettingsError
{
    Q_DECLARE_TR_FUNCTIONS(SettingsError)

public:
    QString file;
    // What is wrong with the file, after its name, such as "is a named pipe, not a file".
    QString reason;

    // "the settings file FILE REASON", to follow a program's name on standard error.
    QString text() const { return tr("the settings file %1 %2").arg(file, reason); }
    // The same as a sentence of its own, for a window.
    QString sentence() const { return tr("The settings file %1 %2.").arg(file, reason); }
};
