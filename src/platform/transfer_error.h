#pragma once

#include <QCoreApplication>
#include <QString>

// Why a transfer did not end with a whole answer from the site that was asked.
struct TransferError
{
    enum class Kind
    {
        // Nothing was sent: the address is not a web address, or libcurl could not take the request on.
        CannotStart,
        // The module that speaks HTTP could not be loaded; the detail names its file and why.
        NoNetworkModule,
        CouldNotConnect,
        // What came back has no HTTP status line, as with a server of another protocol or of HTTP/0.9.
        NotHttp,
        TimedOut,
        // Still under way when the time allowed for a whole request had passed.
        TooSlow,
        // The site answered with a status of 400 or more; its body is still read as the page.
        HttpStatus,
        TooLarge,
        RedirectRefused,
        Certificate,
        AccountRefused,
        Other
    };

    Kind kind = Kind::Other;
    // What the site or the network said, for example "connection refused" or the status code; never an address.
    QString detail;

    // A short reason for a person, such as "no answer (connection refused)".
    QString reason() const;

    Q_DECLARE_TR_FUNCTIONS(TransferError)
};
