#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "transfer_error.h"

// One HTTP client used for one request at a time: start it, wait while it runs, then take its body.
class TransferComponent
{
public:
    virtual ~TransferComponent() = default;

    // The account offered to a site that asks for authentication; "" is a valid value.
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPassword(const QString& password) = 0;

    // Starts a request and may return before the answer has arrived. The header block holds header lines
    // separated by CR LF. Returns false, with error() saying why, when the request cannot be started at all.
    virtual bool start(const QString& url, const QString& method, const std::optional<QString>& body,
                       const QString& headerBlock) = 0;
    // True while the request started last is under way; false once it has ended in any way.
    virtual bool isRunning() const = 0;
    // The answer's body as it arrived, handed over whole once the request has ended; "" after that, and after a
    // request that ended without one.
    virtual QByteArray takeBody() = 0;
    // The charset the answer's Content-Type names, or "" when it names none.
    virtual QByteArray charset() const = 0;
    // Why the request started last went wrong, once it has ended; nothing after a whole answer with a good status.
    // An answer over the size limit reports so once its body has been read.
    virtual std::optional<TransferError> error() const = 0;
    // Ends the request under way, if any; its body reads as "".
    virtual void abort() = 0;
};
