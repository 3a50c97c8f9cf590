#include "canned_transfer.h"

#include <utility>

#include <QStringEncoder>

bool CannedTransfer::start(const QString& url, const QString& method, const std::optional<QString>& body,
                           const QString& headerBlock)
{
    requests.append({method, url, body, headerBlock, m_userName, m_password});
    m_answer = answer ? answer(requests.last()) : Answer{};
    return true;
}

QByteArray CannedTransfer::takeBody()
{
    if (beforeBody)
        beforeBody();
    QStringEncoder encoder(m_answer.charset.constData());
    return encoder.encode(std::exchange(m_answer.page, {}));
}
