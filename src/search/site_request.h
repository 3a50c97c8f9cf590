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

// The URL of a page of a site, joined as it is: "http://" + address + path + page for a bare address, as sites have
// always been written, and address + path + page for one that starts with "http://" or "https://".
QString siteUrl(const QString& address, const QString& path, const QString& page);

// Why a site's address cannot be used, or nothing. An address is a host with an optional port, with or without
// "http://" or "https://" in front; an account, a path, white space or another scheme in it would send the request,
// or the account, somewhere the user did not mean.
std::optional<QString> addressProblem(QStringView address);
