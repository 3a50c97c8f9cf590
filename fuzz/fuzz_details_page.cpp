// Treats the input as a site account and a details page, takes the FTP link the way the details step does, and
// aborts on a link rest or an address the rules forbid.
//
// Input: user name, NUL, password, NUL, page. An input with fewer than two NULs is all page, with an empty account.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>

#include "ftp_link.h"

using namespace Qt::StringLiterals;

namespace {

const QString linkStart = u"href=\""_s;
const QString restStart = u"ftp://:@"_s;

void require(bool holds, const char* broken, QStringView text)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nin: %s\n", broken, qUtf8Printable(text.left(400).toString()));
    std::abort();
}

// The rest must come from the second link: after its first "ftp://:@", running up to that link's closing quote,
// another "ftp://:@", the next link or the page's end.
void checkRest(const QString& rest, QStringView page)
{
    require(!rest.contains(u'"'), "the link rest holds a double quote", rest);
    require(!rest.contains(restStart), "the link rest holds ftp://:@", rest);
    const qsizetype first = page.indexOf(linkStart);
    const qsizetype second = first < 0 ? -1 : page.indexOf(linkStart, first + linkStart.size());
    require(second >= 0, "a link rest from a page with fewer than two links", page);
    const QStringView link = page.sliced(second + linkStart.size());
    const qsizetype at = link.indexOf(restStart);
    require(at >= 0 && !link.first(at).contains(u'"'), "a link rest from outside the second link", page);
    const QStringView after = link.sliced(at + restStart.size());
    require(after.startsWith(rest), "the link rest is not what follows ftp://:@", page);
    const QStringView end = after.sliced(rest.size());
    require(end.isEmpty() || end.startsWith(u'"') || end.startsWith(restStart) || end.startsWith(linkStart),
            "the link rest stops short of its end", page);
}

bool isEscapedOrUnreserved(QStringView encoded)
{
    const auto isHex = [](QChar c) { return c.isDigit() || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); };
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded[i];
        if (c == u'%') {
            if (i + 2 >= encoded.size() || !isHex(encoded[i + 1]) || !isHex(encoded[i + 2]))
                return false;
            i += 2;
        } else if (!(c.unicode() < 0x80 &&
                     (c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_' || c == u'~'))) {
            return false;
        }
    }
    return true;
}

// QUrl leaves the escapes of noncharacters (U+FFFF and the like) undecoded, so the part is compared as QUrl
// delimits it, decoded here.
QString userNameOf(const QUrl& url)
{
    return QUrl::fromPercentEncoding(url.userName(QUrl::FullyEncoded).toLatin1());
}

QString passwordOf(const QUrl& url)
{
    return QUrl::fromPercentEncoding(url.password(QUrl::FullyEncoded).toLatin1());
}

// Whatever the account holds, it is written as unreserved characters and escapes only, so an ordinary host and
// path stay where they are and the account reads back whole.
void checkAccount(const QString& user, const QString& password)
{
    const QString url = ftpUrl(user, password, u"files.example/mp3/a%20b.mp3"_s);
    const QString tail = u"@files.example/mp3/a%20b.mp3"_s;
    require(url.startsWith(u"ftp://") && url.endsWith(tail), "the address does not frame the account", url);
    const QStringView account = QStringView(url).sliced(6, url.size() - 6 - tail.size());
    const qsizetype colon = account.indexOf(u':');
    require(colon >= 0 && account.count(u':') == 1, "the account has other than one colon", url);
    const QStringView encodedUser = account.first(colon);
    const QStringView encodedPassword = account.sliced(colon + 1);
    require(isEscapedOrUnreserved(encodedUser) && isEscapedOrUnreserved(encodedPassword),
            "the account holds a character that is neither unreserved nor escaped", url);
    require(QUrl::fromPercentEncoding(encodedUser.toLatin1()) == user, "the user name does not decode back", url);
    require(QUrl::fromPercentEncoding(encodedPassword.toLatin1()) == password, "the password does not decode back",
            url);

    const QUrl parsed(url, QUrl::StrictMode);
    require(parsed.isValid(), "an ordinary address with this account is invalid", url);
    require(parsed.host() == u"files.example" && parsed.path() == u"/mp3/a b.mp3",
            "the account moved where the address points", url);
    require(userNameOf(parsed) == user && passwordOf(parsed) == password,
            "the account does not read back from the address", url);
}

// The rest comes from the site as it is; the account in front of it must still read back when the whole parses.
void checkUrl(const QString& user, const QString& password, const QString& rest)
{
    const QString url = ftpUrl(user, password, rest);
    require(url.endsWith(u"@"_s + rest), "the address does not end in the link rest", url);
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return;
    require(user.isEmpty() || userNameOf(parsed) == user, "the site's link rest changed the user name", url);
    require(password.isEmpty() || passwordOf(parsed) == password, "the site's link rest changed the password", url);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const qsizetype userEnd = input.indexOf('\0');
    const qsizetype passwordEnd = userEnd < 0 ? -1 : input.indexOf('\0', userEnd + 1);
    QString user;
    QString password;
    QString page;
    if (passwordEnd < 0) {
        page = QString::fromUtf8(input);
    } else {
        user = QString::fromUtf8(input.first(userEnd));
        password = QString::fromUtf8(input.sliced(userEnd + 1, passwordEnd - userEnd - 1));
        page = QString::fromUtf8(input.sliced(passwordEnd + 1));
    }

    checkAccount(user, password);
    const std::optional<QString> rest = ftpLinkRest(page);
    if (!rest)
        return 0;
    checkRest(*rest, page);
    checkUrl(user, password, *rest);
    return 0;
}
