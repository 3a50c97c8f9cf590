#include "canned_transfer.h"

bool CannedTransfer::start(const QString& url, const QString& method, const std::optional<QString>& body,
                           const QString& headerBlock)
{
    requests.append({method, url, body, headerBlock, m_userName, m_password});
    m_answer = answer ? answer(requests.last()) : Answer{};
    return true;
}

QString CannedTransfer::readChunk(int size)
{
    if (beforeChunk)
        beforeChunk();
    const QString chunk = m_answer.page.left(size);
    m_answer.page.remove(0, chunk.size());
    return chunk;
}
