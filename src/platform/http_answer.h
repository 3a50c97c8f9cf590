#pragma once

#include <optional>

#include <QByteArray>

#include "transfer_error.h"

// What a request ended with: the body as it arrived (often empty after a failure), the charset its Content-Type
// named ("" when none), and what went wrong, if anything. An answer with a status of 400 or more keeps its body;
// one whose request had a reader has none.
struct HttpAnswer
{
    QByteArray body;
    QByteArray charset;
    std::optional<TransferError> error;
};
