#pragma once

#include "http_answer.h"

// A request under way. Destroying it ends the request at once and closes its connection, whatever state it is in.
class HttpReply
{
public:
    virtual ~HttpReply() = default;

    // True once the request has ended in any way; the event loop moves it on until then.
    virtual bool isFinished() const = 0;
    // The whole answer once finished, handed over once; an empty answer before that and after.
    virtual HttpAnswer takeAnswer() = 0;
};
