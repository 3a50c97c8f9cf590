#include "recording_transfer.h"

void RecordingTransfer::setUserName(const QString& userName)
{
    calls.append(QStringLiteral("UserName ") + userName);
    m_real.setUserName(userName);
}

void RecordingTransfer::setPassword(const QString& password)
{
    calls.append(QStringLiteral("Password ") + password);
    m_real.setPassword(password);
}

void RecordingTransfer::Execute(const QString& url, const QString& operation, const std::optional<QString>& inputData,
                                const QString& requestHeaders)
{
    calls.append(QStringLiteral("Execute ") + operation + u' ' + url);
    bodies.append(inputData);
    headerBlocks.append(requestHeaders);
    m_real.Execute(url, operation, inputData, requestHeaders);
}

QString RecordingTransfer::GetChunk(int size)
{
    const QString chunk = m_real.GetChunk(size);
    calls.append(QStringLiteral("GetChunk %1 -> %2").arg(size).arg(chunk.size()));
    return chunk;
}

void CountingEventDelivery::deliverPending()
{
    ++pendingDeliveries;
    m_real.deliverPending();
}

void CountingEventDelivery::waitAndDeliver()
{
    ++waits;
    m_real.waitAndDeliver();
}
