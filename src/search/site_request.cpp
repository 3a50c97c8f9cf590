#include "site_request.h"

#include <QStringView>

using namespace Qt::StringLiterals;

namespace {

const QString referer = u"Referer: Quillfen's MP3 Client"_s;

} // namespace

SiteRequest searchRequest(const QString& keywords)
{
    return {u"search.asp"_s, u"POST"_s, u"album="_s + keywords + u"&Sort=ID"_s,
            referer + u"\r\nContent-Type: application/x-www-form-urlencoded"_s};
}

SiteRequest detailsRequest(const QString& trackId)
{
    return {u"mp3info.asp?ID="_s + trackId, u"GET"_s, std::nullopt, referer};
}

namespace {

bool hasWebScheme(QStringView address)
{
    return address.startsWith(u"http://", Qt::CaseInsensitive) || address.startsWith(u"https://", Qt::CaseInsensitive);
}

} // namespace

QString siteUrl(const QString& address, const QString& path, const QString& page)
{
    return (hasWebScheme(address) ? QString() : u"http://"_s) + address + path + page;
}

std::optional<QString> addressProblem(QStringView address)
{
    const QStringView host = hasWebScheme(address) ? address.sliced(address.indexOf(u"//") + 2) : address;
    if (host.isEmpty())
        return u"no host in it"_s;
    if (host.contains(u"://"))
        return u"only http:// and https:// addresses are used"_s;
    if (host.contains(u'@'))
        return u"an account in it; set the user name and password in Options"_s;
    if (host.contains(u'/'))
        return u"a path in it; set the path in Options"_s;
    for (const QChar c : host) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return u"white space in it"_s;
    }
    return std::nullopt;
}
