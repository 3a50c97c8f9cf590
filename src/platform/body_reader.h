#pragma once

#include <QByteArrayView>

// Takes an answer's body piece by piece as it arrives, for a request whose body is read rather than kept.
class BodyReader
{
public:
    virtual ~BodyReader() = default;

    // A body begins, in the charset its answer's Content-Type named ("" when none). Whatever was read before is
    // dropped: it belonged to an answer that a redirect or a challenge replaced, or that was cut off.
    virtual void bodyStarted(QByteArrayView charset) = 0;
    // The next piece of the body; it is not kept anywhere else.
    virtual void bodyRead(QByteArrayView piece) = 0;
};
