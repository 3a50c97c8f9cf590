#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The rest of the track's FTP address on a details page: the second link (href=" in lower case) up to its closing
// double quote, after its first "ftp://:@". Nothing when the page has no such link.
std::optional<QString> ftpLinkRest(QStringView detailsPage);

// Whether a link rest can be shown and copied safely: at most 2,048 characters, no control or bidi-control
// characters (a line break would run a pasted command early; a bidi control would hide the real address), and no
// "@" before the first "/", which would send the account to another host than the one the URL seems to name.
bool isUsableLinkRest(QStringView linkRest);

// "ftp://" user ":" password "@" link rest, with the account percent-encoded so that it cannot change where the
// address points.
QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest);
