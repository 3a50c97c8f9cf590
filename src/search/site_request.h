#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QUrl>

// One of the two requests the program sends to a site: the page after the site's path, the method, the form body
// (or none at all) and the header lines.
struct SiteRequest
{
    QString page;
    QByteArray method;
    std::optional<QByteArray> body;
    QList<std::pair<QByteArray, QByteArray>> headers;

    Q_DECLARE_TR_FUNCTIONS(SiteRequest)
};

SiteRequest searchRequest(const QString& keywords);
SiteRequest detailsRequest(const QString& trackId);

// Why a site's address cannot be used, or nothing. An address is a host with an optional port, with or without
// "http://" or "https://" in front; an account, a path, white space, a port out of range or another scheme in it
// would send the request, or the account, somewhere the user did not mean.
std::optional<QString> addressProblem(QStringView address);

// The URL of a page of a site whose address has no problem: "http://" + address + path + page for a bare address,
// as sites have always been written, and address + path + page for one that starts with "http://" or "https://";
// an empty path stands for "/". Nothing when the path would take the request to another scheme, host or port
// than the address names, as "@host/" or "//host/" would.
std::optional<QUrl> siteUrl(const QString& address, const QString& path, const QString& page);
