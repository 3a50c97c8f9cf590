#include "ftp_link.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <QUrl>

#include "code_points.h"
#include "marker_split.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

// Unicode's default-ignorable code points, which show as nothing where they are not understood.
constexpr std::pair<char32_t, char32_t> defaultIgnorable[] = {
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},  {0x180B, 0x180F},
    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F},   {0x3164, 0x3164},   {0xFE00, 0xFE0F},  {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF}};

bool isDefaultIgnorable(char32_t c)
{
    return std::any_of(std::begin(defaultIgnorable), std::end(defaultIgnorable),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// Whether a character of the path shows as something else or as nothing: a control, format or separator character;
// a surrogate, private-use or unassigned code point; a default-ignorable one; or the blank braille pattern.
bool isMisleading(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return true;
    default:
        return isControlCharacter(c) || isDefaultIgnorable(c) || c == 0x2800;
    }
}

bool isMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

bool consistsOf(QStringView text, QLatin1StringView allowed)
{
    return std::all_of(text.begin(), text.end(), [allowed](QChar c) { return allowed.contains(c); });
}

// A host in ASCII, a name (an internationalised one in its xn-- form) or a bracketed IPv6 literal, with an optional
// port: no character in it can pass for a "/", a "." or an "@" that is not one.
bool isPlainHost(QStringView hostAndPort)
{
    const bool literal = hostAndPort.startsWith(u'[');
    qsizetype hostEnd = hostAndPort.indexOf(literal ? u']' : u':');
    if (literal && hostEnd < 0)
        return false;
    hostEnd = literal ? hostEnd + 1 : hostEnd < 0 ? hostAndPort.size() : hostEnd;
    const QStringView host = hostAndPort.first(hostEnd), port = hostAndPort.sliced(hostEnd);
    const bool plainPort = port.isEmpty() || (port.size() >= 2 && port.size() <= 6 && port.startsWith(u':') &&
                                              consistsOf(port.sliced(1), "0123456789"_L1));
    if (literal)
        return plainPort && host.size() > 2 &&
               consistsOf(host.sliced(1, host.size() - 2), "0123456789ABCDEFabcdef:."_L1);
    return plainPort && !host.isEmpty() &&
           consistsOf(host, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-."_L1);
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
    if (!isPlainHost(linkRest.first(pathStart < 0 ? linkRest.size() : pathStart)))
        return false;
    // A mark at the start of a segment would sit on the "/" before it, and could make it look like another sign.
    bool segmentStart = false;
    for (const CodePoint c : CodePoints(linkRest)) {
        if (isMisleading(c.value) || (segmentStart && isMark(c.value)))
            return false;
        segmentStart = c.value == u'/';
    }
    return true;
}

QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest)
{
    return u"ftp://"_s + QString::fromLatin1(QUrl::toPercentEncoding(userName)) + u':' +
           QString::fromLatin1(QUrl::toPercentEncoding(password)) + u'@' + linkRest;
}
