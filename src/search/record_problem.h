#pragma once

#include <QCoreApplication>
#include <QString>

// Why a site's record was not asked at all: nothing was sent, and the user has the record to mend.
struct RecordProblem
{
    enum class Kind
    {
        NoAddress,
        // The address is not one to send a request to; the detail says why.
        BadAddress,
        // The path would move the request to another host or port.
        BadPath
    };

    Kind kind = Kind::NoAddress;
    QString detail;

    // A short reason for a person that names where the record is mended, such as "Options".
    QString reason(const QString& settingsPlace) const;

    Q_DECLARE_TR_FUNCTIONS(RecordProblem)
};
