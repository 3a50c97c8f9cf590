#include "site_request.h"

#include <QStringView>

#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

const std::pair<QByteArray, QByteArray> referer{"Referer", "Quillfen's MP3 Client"};

bool hasWebScheme(QStringView address)
{
    return address.startsWith(u"http://", Qt::CaseInsensitive) || address.startsWith(u"https://", Qt::CaseInsensitive);
}

QString withScheme(const QString& address)
{
    return hasWebScheme(address) ? address : u"http://"_s + address;
}

bool hasControl(QStringView text)
{
    for (const char32_t c : text.toUcs4()) {
        if (isControlCharacter(c))
            return true;
    }
    return false;
}

bool isUsablePath(QStringView path)
{
    return !path.startsWith(u'@') && !path.startsWith(u"//") && !path.contains(u'\\') && !path.contains(u'?') &&
           !path.contains(u'#') && !hasControl(path);
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    const int defaultPort = a.scheme() == u"https"_s ? 443 : 80;
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port(defaultPort) == b.port(defaultPort);
}

} // namespace

SiteRequest searchRequest(const QString& keywords)
{
    return {u"search.asp"_s,
            "POST",
            u"album="_s.append(keywords).append(u"&Sort=ID"_s).toUtf8(),
            {referer, {"Content-Type", "application/x-www-form-urlencoded"}}};
}

SiteRequest detailsRequest(const QString& trackId)
{
    return {u"mp3info.asp?ID="_s + trackId, "GET", std::nullopt, {referer}};
}

std::optional<QString> addressProblem(QStringView address)
{
    const QStringView host = hasWebScheme(address) ? address.sliced(address.indexOf(u"//") + 2) : address;
    if (host.isEmpty())
        return SiteRequest::tr("no host in it");
    if (host.contains(u"://"))
        return SiteRequest::tr("only http:// and https:// addresses are used");
    if (host.contains(u'@'))
        return SiteRequest::tr("an account in it");
    if (host.contains(u'/') || host.contains(u'?') || host.contains(u'#') || host.contains(u'\\'))
        return SiteRequest::tr("a path in it");
    for (const QChar c : host) {
        if (c.isSpace() || isControlCharacter(c.unicode()))
            return SiteRequest::tr("white space in it");
    }
    const QUrl url(withScheme(address.toString()), QUrl::StrictMode);
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon > host.lastIndexOf(u']') && (url.port() < 1 || url.port() > 65535))
        return SiteRequest::tr("a port out of range");
    if (!url.isValid() || url.host().isEmpty())
        return SiteRequest::tr("not a host name");
    return std::nullopt;
}

std::optional<QUrl> siteUrl(const QString& address, const QString& path, const QString& page)
{
    if (!isUsablePath(path))
        return std::nullopt;
    const QString origin = withScheme(address);
    const QUrl url(origin + (path.isEmpty() ? u"/"_s : path) + page);
    if (!url.isValid() || !sameOrigin(url, QUrl(origin)))
        return std::nullopt;
    return url;
}
