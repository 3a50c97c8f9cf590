#pragma once

#include <QStringList>

#include "event_delivery.h"
#include "transfer_component.h"

// Passes every call on to the real transfer component and writes it down, so a test can check the exact
// sequence and count of calls that a fetch makes.
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

    // "UserName <value>", "Password <value>", "Execute <operation> <url>", "GetChunk <size> -> <length>".
    QStringList calls;
    QList<std::optional<QString>> bodies;
    QStringList headerBlocks;

private:
    TransferComponent& m_real;
};

// The real event delivery, counted.
class CountingEventDelivery final : public EventDelivery
{
public:
    explicit CountingEventDelivery(EventDelivery& real) : m_real(real) {}

    void deliverPending() override;
    void waitAndDeliver() override;

    int pendingDeliveries = 0;
    int waits = 0;

private:
    EventDelivery& m_real;
};
