#pragma once

#include <utility>

#include "http_reply.h"

// A reply that ended before anything was sent, such as a request that could not be started.
class FinishedReply final : public HttpReply
{
public:
    explicit FinishedReply(HttpAnswer answer) : m_answer(std::move(answer)) {}

    bool isFinished() const override { return true; }
    HttpAnswer takeAnswer() override { return std::exchange(m_answer, {}); }

private:
    HttpAnswer m_answer;
};
