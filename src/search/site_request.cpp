#include "site_request.h"

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

QString siteUrl(const QString& address, const QString& path, const QString& page)
{
    return u"http://"_s + address + path + page;
}
