#pragma once

#include <memory>

#include "http_reply.h"
#include "http_request.h"

// Sends HTTP requests, several at once if asked, on the calling thread's event loop.
class HttpTransfer
{
public:
    virtual ~HttpTransfer() = default;

    // Starts `request` and returns at once. A request that cannot be sent gives a reply that has already finished,
    // with the reason in its answer.
    virtual std::unique_ptr<HttpReply> start(const HttpRequest& request) = 0;
};
