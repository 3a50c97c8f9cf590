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
    calls.append(QStringLiteral("Execute %1 %2 %3 [%4]")
                     .arg(operation, url, inputData.value_or(QStringLiteral("<no body>")), requestHeaders));
    m_real.Execute(url, operation, inputData, requestHeaders);
}

QString RecordingTransfer::GetChunk(int size)
{
    const QString chunk = m_real.GetChunk(size);
    calls.append(QStringLiteral("GetChunk %1 -> %2").arg(size).arg(chunk.size()));
    return chunk;
}
