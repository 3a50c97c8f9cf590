#include <QTest>
#include <QUrl>

#include "search_terms.h"

using namespace Qt::StringLiterals;

class TstSearchTerms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendsFirstWordAndOddPositions_data();
    void sendsFirstWordAndOddPositions();
    void percentEncodesEachWord_data();
    void percentEncodesEachWord();
    void emptyTextSendsNothing();
    void encodedWordsSurviveFormDecoding();
};

void TstSearchTerms::sendsFirstWordAndOddPositions_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("keywords");

    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(u"w"_s + QString::number(i));

    QTest::newRow("single word") << u"Coltrane"_s << u"Coltrane"_s;
    QTest::newRow("two words") << u"Miles Davis"_s << u"Miles+Davis"_s;
    QTest::newRow("third word is dropped") << u"one two three"_s << u"one+two"_s;
    QTest::newRow("four words skip the third") << u"Miles Davis Kind Blue"_s << u"Miles+Davis+Blue"_s;
    QTest::newRow("double space yields an empty second word") << u"alpha  beta"_s << u"alpha+"_s;
    QTest::newRow("leading space") << u" x"_s << u"+x"_s;
    QTest::newRow("trailing space") << u"x "_s << u"x+"_s;
    QTest::newRow("single space") << u" "_s << u"+"_s;
    QTest::newRow("tab is not a separator") << u"a\tb c"_s << u"a%09b+c"_s;
    QTest::newRow("word 19 is the last one sent")
        << many.mid(0, 21).join(u' ') << u"w0+w1+w3+w5+w7+w9+w11+w13+w15+w17+w19"_s;
    QTest::newRow("twenty-five words") << many.join(u' ') << u"w0+w1+w3+w5+w7+w9+w11+w13+w15+w17+w19"_s;
    QTest::newRow("stops at the end of an even-length list") << many.mid(0, 6).join(u' ') << u"w0+w1+w3+w5"_s;
    QTest::newRow("stops at the end of an odd-length list") << many.mid(0, 7).join(u' ') << u"w0+w1+w3+w5"_s;
}

void TstSearchTerms::sendsFirstWordAndOddPositions()
{
    QFETCH(QString, typed);
    QFETCH(QString, keywords);

    QCOMPARE(keywordString(typed), std::optional<QString>(keywords));
}

void TstSearchTerms::percentEncodesEachWord_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("keywords");

    QTest::newRow("ampersand") << u"AC&DC"_s << u"AC%26DC"_s;
    QTest::newRow("plus signs") << u"C++"_s << u"C%2B%2B"_s;
    QTest::newRow("equals sign") << u"a=b"_s << u"a%3Db"_s;
    QTest::newRow("non-ASCII letter as UTF-8") << u"Bj\u00f6rk"_s << u"Bj%C3%B6rk"_s;
    QTest::newRow("unreserved characters stay") << u"a-b.c_d~e 09"_s << u"a-b.c_d~e+09"_s;
    QTest::newRow("percent sign itself") << u"100%"_s << u"100%25"_s;
    QTest::newRow("slash question mark and hash") << u"a/b?c#d"_s << u"a%2Fb%3Fc%23d"_s;
    QTest::newRow("each word encoded separately") << u"R&B Soul&Funk"_s << u"R%26B+Soul%26Funk"_s;
}

void TstSearchTerms::percentEncodesEachWord()
{
    QFETCH(QString, typed);
    QFETCH(QString, keywords);

    QCOMPARE(keywordString(typed), std::optional<QString>(keywords));
}

void TstSearchTerms::emptyTextSendsNothing()
{
    QCOMPARE(keywordString(u""), std::nullopt);
    QCOMPARE(keywordString(QStringView()), std::nullopt);
}

void TstSearchTerms::encodedWordsSurviveFormDecoding()
{
    // Only the joining "+" may act as a separator in the form value; everything else must decode back to the word.
    const QString awkward = u"a+b&c=d%e \u00fc/?#"_s;
    const std::optional<QString> keywords = keywordString(awkward);
    QVERIFY(keywords);
    QStringList decoded;
    for (const QString& part : keywords->split(u'+')) {
        QVERIFY2(!part.contains(u'&') && !part.contains(u'=') && !part.contains(u' '), qPrintable(part));
        decoded.append(QUrl::fromPercentEncoding(part.toLatin1()));
    }
    QCOMPARE(decoded, (QStringList{u"a+b&c=d%e"_s, u"\u00fc/?#"_s}));
}

QTEST_APPLESS_MAIN(TstSearchTerms)

#include "tst_search_terms.moc"
