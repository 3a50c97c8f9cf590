#include <QTest>
#include <QUrl>

#include "ftp_link.h"

using namespace Qt::StringLiterals;

class TstFtpLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsRestOfSecondLink_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::optional<QString>>("rest");

        const std::optional<QString> none;

        QTest::newRow("FTP link second of three") << uR"(href="x"href="ftp://:@h"href="y")"_s << std::optional(u"h"_s);
        QTest::newRow("text before ftp://:@ dropped") << uR"(href="x"href="x ftp://:@h")"_s << std::optional(u"h"_s);
        QTest::newRow("ftp://:@ twice") << uR"(href="x"href="ftp://:@hftp://:@g")"_s << std::optional(u"h"_s);
        QTest::newRow("link is exactly ftp://:@") << uR"(href="x"href="ftp://:@")"_s << std::optional(u""_s);
        QTest::newRow("only one link") << uR"(href="ftp://:@h")"_s << none;
        QTest::newRow("third link not looked at") << uR"(href="x"href="y"href="ftp://:@h")"_s << none;
        QTest::newRow("HREF= and href=' are no links") << uR"(href="x"HREF="ftp://:@h"href='ftp://:@h')"_s << none;
        QTest::newRow("empty second link") << uR"(href="x"href="">ftp://:@h)"_s << none;
    }

    void findsRestOfSecondLink()
    {
        QFETCH(QString, page);
        QFETCH(std::optional<QString>, rest);

        QCOMPARE(ftpLinkRest(page), rest);
    }

    void refusesLinksThatHideWhereTheyLead_data()
    {
        QTest::addColumn<QString>("rest");
        QTest::addColumn<bool>("usable");

        QTest::newRow("spaces in the path stay") << u"h.example/mp3/01 - One.mp3"_s << true;
        QTest::newRow("@ after the first /") << u"h.example/a@b.mp3"_s << true;
        QTest::newRow("2,048 characters") << u"h/"_s + QString(2046, u'a') << true;
        QTest::newRow("2,049 characters") << u"h/"_s + QString(2047, u'a') << false;
        QTest::newRow("@ before the first /") << u"files.good.example:21@evil.example/x.mp3"_s << false;
        QTest::newRow("@ and no / at all") << u"good@evil"_s << false;
        for (const char16_t c : {u'\r', u'\n', u'\t', u'\x1b', u'\0', u'\x7f', u'\x85', u'\u202e', u'\u2066'})
            QTest::addRow("control U+%04X", unsigned(c)) << u"h/a"_s + QChar(c) + u"b.mp3"_s << false;
    }

    void refusesLinksThatHideWhereTheyLead()
    {
        QFETCH(QString, rest);
        QFETCH(bool, usable);
        QCOMPARE(isUsableLinkRest(rest), usable);
    }

    void buildsUrlWithAccount_data()
    {
        QTest::addColumn<QStringList>("account");
        QTest::addColumn<QString>("url"); // empty when only the round trip matters

        QTest::newRow("letters and digits") << QStringList{u"U1"_s, u"P2"_s} << u"ftp://U1:P2@h/a%20b"_s;
        QTest::newRow("no account") << QStringList{u""_s, u""_s} << u"ftp://:@h/a%20b"_s;
        QTest::newRow("URL delimiters") << QStringList{u"a@b:c/d#e?f g\u00fc%"_s, u"p/a#s?s:w@r d\u00fc%41"_s} << u""_s;
    }

    void buildsUrlWithAccount()
    {
        QFETCH(QStringList, account);
        QFETCH(QString, url);

        // The link rest goes in exactly as the page gave it, already-encoded parts included.
        const QString built = ftpUrl(account.at(0), account.at(1), u"h/a%20b"_s);
        QCOMPARE(url.isEmpty() ? url : built, url);
        // Whatever the account holds, it must come back intact without moving the address to another host.
        const QUrl parsed(built, QUrl::StrictMode);
        QCOMPARE(QStringList({parsed.userName(QUrl::FullyDecoded), parsed.password(QUrl::FullyDecoded), parsed.host()}),
                 account << u"h"_s);
    }
};

QTEST_APPLESS_MAIN(TstFtpLink)

#include "tst_ftp_link.moc"
