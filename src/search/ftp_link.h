#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The rest of the track's FTP address on a details page: the second link (href=" in lower case) up to its closing
// double quote, after its first "ftp://:@". Nothing when the page has no such link.
std::optional<QString> ftpLinkRest(QStringView detailsPage);

// "ftp://" user ":" password "@" link rest, with the account percent-encoded so that it cannot change where the
// address points.
QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest);
