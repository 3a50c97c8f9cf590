#include "ftp_link.h"

#include <QUrl>

#include "marker_split.h"

using namespace Qt::StringLiterals;

std::optional<QString> ftpLinkRest(QStringView detailsPage)
{
    const std::optional<QStringView> afterSecondLink = pieceAt(detailsPage, u"href=\"", 2);
    const std::optional<QStringView> link = afterSecondLink ? pieceAt(*afterSecondLink, u"\"", 0) : std::nullopt;
    const std::optional<QStringView> rest = link ? pieceAt(*link, u"ftp://:@", 1) : std::nullopt;
    if (!rest)
        return std::nullopt;
    return rest->toString();
}

bool isUsableLinkRest(QStringView linkRest)
{
    constexpr qsizetype longest = 2048;
    if (linkRest.size() > longest)
        return false;
    const qsizetype pathStart = linkRest.indexOf(u'/');
    if (linkRest.left(pathStart < 0 ? linkRest.size() : pathStart).contains(u'@'))
        return false;
    for (const QChar c : linkRest) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            return false;
    }
    return true;
}

QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest)
{
    return u"ftp://"_s + QString::fromLatin1(QUrl::toPercentEncoding(userName)) + u':' +
           QString::fromLatin1(QUrl::toPercentEncoding(password)) + u'@' + linkRest;
}
