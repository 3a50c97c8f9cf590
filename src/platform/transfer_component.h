#pragma once

#include <optional>
#include <stdexcept>

#include <QString>

// A failure that the transfer component reports to its caller.
class TransferFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One HTTP client used for one request at a time: start it, poll it, then read its body as text in chunks.
class TransferComponent
{
public:
    virtual ~TransferComponent() = default;

    // The account offered to a site that asks for authentication; "" is a valid value.
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPassword(const QString& password) = 0;

    // Starts a request and may return before the answer has arrived. The header block holds header lines
    // separated by CR LF. Throws TransferFailure when the request cannot be started at all or another one is
    // still under way.
    virtual void Execute(const QString& url, const QString& operation, const std::optional<QString>& inputData,
                         const QString& requestHeaders) = 0;
    // True while the request started last is under way; false once it has ended in any way.
    virtual bool StillExecuting() const = 0;
    // The next piece of at most `size` characters of the answer's body, each piece once, then "".
    virtual QString GetChunk(int size) = 0;
    // Ends the request under way, if any; its body reads as "".
    virtual void abort() = 0;
};
