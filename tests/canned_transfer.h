#pragma once

#include <functional>

#include <QList>

#include "transfer_component.h"

// A transfer without a network: each request is answered at once from `answer`. It remembers every request with
// the account it was given.
class CannedTransfer final : public TransferComponent
{
public:
    struct Request
    {
        QString method, url;
        std::optional<QString> body;
        QString headerBlock, userName, password;
    };
    struct Answer
    {
        QString page;
        std::optional<TransferError> error;
        // What the page is written in, and what the answer says it is.
        QByteArray charset = "UTF-8";
    };

    std::function<Answer(const Request&)> answer;
    // Runs when the body is taken.
    std::function<void()> beforeBody;
    QList<Request> requests;

    void setUserName(const QString& userName) override { m_userName = userName; }
    void setPassword(const QString& password) override { m_password = password; }
    bool start(const QString& url, const QString& method, const std::optional<QString>& body,
               const QString& headerBlock) override;
    bool isRunning() const override { return false; }
    QByteArray takeBody() override;
    QByteArray charset() const override { return m_answer.charset; }
    std::optional<TransferError> error() const override { return m_answer.error; }
    void abort() override { m_answer = {}; }

private:
    QString m_userName, m_password;
    Answer m_answer;
};
