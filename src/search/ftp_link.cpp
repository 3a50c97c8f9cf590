#include "ftp_link.h"

#include <QUrl>

#include "marker_split.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

// Whether a character shows as something else or as nothing: a control, format or separator character; a surrogate,
// private-use or unassigned code point; or a Hangul filler, a letter to Unicode that shows blank.
bool isMisleading(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return true;
    default:
        return isControlCharacter(c) || c == 0x115F || c == 0x1160 || c == 0x3164 || c == 0xFFA0;
    }
}

} // namespace

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
    if (linkRest.size() > longest || linkRest.contains(u'\\'))
        return false;
    const qsizetype pathStart = linkRest.indexOf(u'/');
    const QStringView hostAndPort = linkRest.left(pathStart < 0 ? linkRest.size() : pathStart);
    if (hostAndPort.isEmpty() || hostAndPort.startsWith(u':') || hostAndPort.contains(u'@'))
        return false;
    for (qsizetype i = 0; i < linkRest.size(); ++i) {
        char32_t c = linkRest[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < linkRest.size() && linkRest[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(linkRest[i], linkRest[i + 1]);
            ++i;
        }
        if (isMisleading(c))
            return false;
    }
    return true;
}

QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest)
{
    return u"ftp://"_s + QString::fromLatin1(QUrl::toPercentEncoding(userName)) + u':' +
           QString::fromLatin1(QUrl::toPercentEncoding(password)) + u'@' + linkRest;
}
