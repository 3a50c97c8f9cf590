#pragma once

#include <optional>

#include <QString>

// One of the two requests the program sends to a site: the page after the site's path, the method, the form
// body (or none at all) and the header block (lines joined by CR LF, none after the last).
struct SiteRequest
{
    QString page;
    QString method;
    std::optional<QString> body;
    QString headerBlock;
};

SiteRequest searchRequest(const QString& keywords);
SiteRequest detailsRequest(const QString& trackId);

// "http://" + address + path + page, joined as they are.
QString siteUrl(const QString& address, const QString& path, const QString& page);
