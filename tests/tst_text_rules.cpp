#include <QTest>
#include <QUrl>

#include "ftp_link.h"
#include "hit_row.h"
#include "marker_split.h"
#include "search_terms.h"

using namespace Qt::StringLiterals;
using Text = std::optional<QString>;

// The rules that cut and build text, each a plain function of its input: one table a rule.
class TestTextRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsAtEveryMarker_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("marker");
        const auto row = [](const char* name, const QString& text, const QStringList& pieces,
                            const QString& marker = u","_s) { QTest::newRow(name) << text << pieces << marker; };
        row("no marker gives the whole text", u"a b"_s, {u"a b"_s});
        row("marker at the start", u",a"_s, {{}, u"a"_s});
        row("marker at the end", u"a,"_s, {u"a"_s, {}});
        row("two markers in a row", u"a,,b"_s, {u"a"_s, {}, u"b"_s});
        row("empty text has no pieces", {}, {});
        row("no cut limit", QStringList(11, u"a"_s).join(u','), QStringList(11, u"a"_s));
        row("matches do not overlap", u"aaa"_s, {{}, u"a"_s}, u"aa"_s);
        row("case must match", u"a<tr>b<Tr>c"_s, {u"a<tr>b<Tr>c"_s}, u"<TR"_s);
    }

    void splitsAtEveryMarker()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QFETCH(QString, marker);
        using Piece = std::optional<QStringView>;
        const auto expected = [&](qsizetype n) { return n < 0 || n >= pieces.size() ? Piece() : Piece(pieces[n]); };
        // Pieces are found on demand, so open each split with a different piece before asking for all of them.
        for (qsizetype first = -1; first <= pieces.size() + 1; ++first) {
            QCOMPARE(pieceAt(text, marker, first), expected(first));
            MarkerSplit split(text, marker);
            QCOMPARE(split.piece(first), expected(first));
            for (qsizetype n = -1; n <= pieces.size() + 1; ++n)
                QCOMPARE(split.piece(n), expected(n));
        }
    }

    void cutsHitFieldsAsFarAsTheRowFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pane");
        // The text a result page holds after one "<TR", up to the next.
        const auto row = [](const QStringList& cells) { return u">"_s + cells.join(u"\r\n"_s) + u"</TR>"_s; };
        const auto cell = [](const QString& v) { return u"<TD><FONT SIZE=2 COLOR=#000000>"_s + v + u"<BR></FONT>"_s; };
        const QString id = u"<TD><A HREF=\"?ID=7\">7</A>"_s, v2 = cell(u"v2"_s), v3 = cell(u"v3"_s), v4 = cell(u"v4"_s);
        const QString longest(1024, u'x');

        QTest::newRow("complete row") << row({id, v2, v3, v4}) << u"7\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("markup kept raw") << row({id, cell(u"<b>&amp;"_s), v3, v4}) << u"7\t<b>&amp;\tv3\tv4\r\n"_s;
        QTest::newRow("value without <BR>") << row({id, u"<TD>COLOR=#000000>a"_s, v3, v4}) << u"7\ta\r\n\tv3\tv4\r\n"_s;
        QTest::newRow("ID runs to a second ID=") << row({u"<TD>ID=5ID=6\">"_s, v2, v3, v4}) << u"5\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("ID runs to a quote with >")
            << row({u"<TD>ID=7\"8\">"_s, v2, v3, v4}) << u"7\"8\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("lower-case id= is no ID") << row({u"<TD>id=7\">"_s, v2, v3, v4}) << u""_s;
        QTest::newRow("cell three without a value") << row({id, v2, u"<TD>plain"_s, v4}) << u"7\tv2\t"_s;
        QTest::newRow("lower-case <td> merges two cells") << row({id, v2, v3.toLower(), v4}) << u"7\tv2\tv4\t"_s;
        QTest::newRow("<br> is not <BR>")
            << row({id, v2, v3, u"<TD>COLOR=#000000>x<br>"_s}) << u"7\tv2\tv3\tx<br></TR>\r\n"_s;
        QTest::newRow("1,024 characters shown whole, more cut")
            << row({id, cell(longest), cell(longest + u'y'), v4})
            << u"7\t"_s + longest + u'\t' + longest + u"\u2026\tv4\r\n"_s;
    }

    void cutsHitFieldsAsFarAsTheRowFits()
    {
        QFETCH(QString, text);
        QFETCH(QString, pane);
        const HitRow hit = cutHitRow(text);
        QCOMPARE(hit.paneText(), pane);
        // Only a complete row is offered, its pane text less the line end as the prompt.
        QCOMPARE(hit.isComplete() ? hit.promptText() + u"\r\n"_s : QString(),
                 pane.endsWith(u"\r\n"_s) ? pane : QString());
    }

    void sendsWordsOneTwoFourAndSoOn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Text>("keywords");
        QTest::newRow("skips the third of four") << u"Miles Davis Kind Blue"_s << Text(u"Miles+Davis+Blue"_s);
        QTest::newRow("double space yields an empty word") << u"alpha  beta"_s << Text(u"alpha+"_s);
        QTest::newRow("leading space yields an empty first word") << u" a b"_s << Text(u"+a"_s);
        QTest::newRow("only a space separates words") << u"a\tb c"_s << Text(u"a%09b+c"_s);
        QStringList many;
        for (int word = 0; word <= 21; ++word)
            many << u"w%1"_s.arg(word);
        QTest::newRow("word 19 is the last one sent")
            << many.join(u' ') << Text(u"w0+w1+w3+w5+w7+w9+w11+w13+w15+w17+w19"_s);
        QTest::newRow("each word percent-encoded")
            << u"AC&DC C++ x 100% Bj\u00f6rk"_s << Text(u"AC%26DC+C%2B%2B+100%25"_s);
        QTest::newRow("non-ASCII letter as UTF-8") << u"Bj\u00f6rk"_s << Text(u"Bj%C3%B6rk"_s);
        QTest::newRow("empty text sends nothing") << u""_s << Text();
    }

    void sendsWordsOneTwoFourAndSoOn()
    {
        QFETCH(QString, typed);
        QFETCH(Text, keywords);
        QCOMPARE(keywordString(typed), keywords);
    }

    void findsTheRestOfTheSecondLink_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<Text>("rest");
        QTest::newRow("FTP link second of three") << uR"(href="x"href="ftp://:@h"href="y")"_s << Text(u"h"_s);
        QTest::newRow("text before ftp://:@ dropped") << uR"(href="x"href="x ftp://:@h")"_s << Text(u"h"_s);
        QTest::newRow("ftp://:@ twice") << uR"(href="x"href="ftp://:@hftp://:@g")"_s << Text(u"h"_s);
        QTest::newRow("link is exactly ftp://:@") << uR"(href="x"href="ftp://:@")"_s << Text(u""_s);
        QTest::newRow("only one link") << uR"(href="ftp://:@h")"_s << Text();
        QTest::newRow("third link not looked at") << uR"(href="x"href="y"href="ftp://:@h")"_s << Text();
        QTest::newRow("HREF= and href=' are no links") << uR"(href="x"HREF="ftp://:@h"href='ftp://:@h')"_s << Text();
        QTest::newRow("empty second link") << uR"(href="x"href="">ftp://:@h)"_s << Text();
    }

    void findsTheRestOfTheSecondLink()
    {
        QFETCH(QString, page);
        QFETCH(Text, rest);
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
        // Each end of every refused range, and the characters just outside the bidi ones.
        for (const char16_t c : {0x00, 0x09, 0x0A, 0x0D, 0x1B, 0x1F, 0x7F, 0x80, 0x9F, 0x202A, 0x202E, 0x2066, 0x2069})
            QTest::addRow("U+%04X", unsigned(c)) << u"h/a"_s + QChar(c) + u"b.mp3"_s << false;
        for (const char16_t c : {0x2029, 0x202F, 0x2065, 0x206A})
            QTest::addRow("U+%04X", unsigned(c)) << u"h/a"_s + QChar(c) + u"b.mp3"_s << true;
    }

    void refusesLinksThatHideWhereTheyLead()
    {
        QFETCH(QString, rest);
        QFETCH(bool, usable);
        QCOMPARE(isUsableLinkRest(rest), usable);
    }

    // The account is percent-encoded, so that it comes back intact and the address keeps its host; the link rest
    // goes in as the page gave it, already-encoded parts included.
    void buildsTheFtpUrlWithTheAccount_data()
    {
        QTest::addColumn<QStringList>("account");
        QTest::addColumn<QString>("url");
        QTest::newRow("letters and digits") << QStringList{u"U1"_s, u"P2"_s} << u"ftp://U1:P2@h/a%20b"_s;
        QTest::newRow("no account") << QStringList{u""_s, u""_s} << u"ftp://:@h/a%20b"_s;
        QTest::newRow("URL delimiters")
            << QStringList{u"a@b:c/d#e?f g\u00fc%"_s, u"p/a#s?s:w@r d\u00fc%41"_s}
            << u"ftp://a%40b%3Ac%2Fd%23e%3Ff%20g%C3%BC%25:p%2Fa%23s%3Fs%3Aw%40r%20d%C3%BC%2541@h/a%20b"_s;
    }

    void buildsTheFtpUrlWithTheAccount()
    {
        QFETCH(QStringList, account);
        QFETCH(QString, url);
        QCOMPARE(ftpUrl(account.at(0), account.at(1), u"h/a%20b"_s), url);
        const QUrl parsed(url, QUrl::StrictMode);
        QCOMPARE(QStringList({parsed.userName(QUrl::FullyDecoded), parsed.password(QUrl::FullyDecoded), parsed.host()}),
                 account << u"h"_s);
    }
};

QTEST_APPLESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
