#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The rest of the track's FTP address on a details page: the second link (href=" in lower case) up to its closing
// double quote, after its first "ftp://:@". Nothing when the page has no such link.
std::optional<QString> ftpLinkRest(QStringView detailsPage);

// Whether a link rest can be shown and copied safely: at most 2,048 characters; before the first "/" a host in
// ASCII letters, digits, "-" and "." or a bracketed IPv6 literal, with an optional port, so that neither an "@",
// which would send the account to another host than the one the URL seems to name, nor a look-alike of "/" or "."
// can stand there; no backslash, which some clients take for "/"; and no character that shows as something else or
// as nothing: no control, format or separator character (a line break would run a pasted command early or show a
// second address; a bidi or zero-width mark would hide the real one), no surrogate, private-use, unassigned or
// default-ignorable code point, no blank braille pattern, and no combining mark at the start of a path segment.
bool isUsableLinkRest(QStringView linkRest);

// "ftp://" user ":" password "@" link rest, with the account percent-encoded so that it cannot change where the
// address points.
QString ftpUrl(const QString& userName, const QString& password, const QString& linkRest);
