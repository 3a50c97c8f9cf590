#pragma once

#include <QStringList>

#include "transfer_component.h"

// Passes every call on to the real transfer component and writes it down, so a test can check the exact calls a
// fetch makes: "UserName u", "Password p", "Execute GET url <no body>", "GetChunk 1024 -> 952".
class RecordingTransfer final : public TransferComponent
{
public:
    explicit RecordingTransfer(TransferComponent& real) : m_real(real) {}

    void setUserName(const QString& userName) override;
    void setPassword(const QString& password) override;
    void Execute(const QString& url, const QString& operation, const std::optional<QString>& inputData,
                 const QString& requestHeaders) override;
    bool StillExecuting() const override { return m_real.StillExecuting(); }
    QString GetChunk(int size) override;
    void abort() override { m_real.abort(); }

    QStringList calls;

private:
    TransferComponent& m_real;
};
