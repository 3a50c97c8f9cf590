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

QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest)
{
    return u"ftp://"_s + QString::fromLatin1(QUrl::toPercentEncoding(userName)) + u':' +
           QString::fromLatin1(QUrl::toPercentEncoding(password)) + u'@' + linkRest;
}
