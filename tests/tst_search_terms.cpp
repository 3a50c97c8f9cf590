#include <QTest>

#include "search_terms.h"

using namespace Qt::StringLiterals;

class TstSearchTerms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keywordString_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<QString>>("keywords");

        QTest::newRow("skips the third of four") << u"Miles Davis Kind Blue"_s << std::optional(u"Miles+Davis+Blue"_s);
        QTest::newRow("third word is dropped") << u"one two three"_s << std::optional(u"one+two"_s);
        QTest::newRow("double space yields an empty second word") << u"alpha  beta"_s << std::optional(u"alpha+"_s);
        QTest::newRow("leading space yields an empty first word") << u" a b"_s << std::optional(u"+a"_s);
        QTest::newRow("only a space separates words") << u"a\tb c"_s << std::optional(u"a%09b+c"_s);
        QTest::newRow("word 19 is the last one sent")
            << u"w0 w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 w13 w14 w15 w16 w17 w18 w19 w20 w21"_s
            << std::optional(u"w0+w1+w3+w5+w7+w9+w11+w13+w15+w17+w19"_s);
        QTest::newRow("ampersand") << u"AC&DC"_s << std::optional(u"AC%26DC"_s);
        QTest::newRow("plus signs") << u"C++"_s << std::optional(u"C%2B%2B"_s);
        QTest::newRow("percent sign") << u"100%"_s << std::optional(u"100%25"_s);
        QTest::newRow("non-ASCII letter as UTF-8") << u"Bj\u00f6rk"_s << std::optional(u"Bj%C3%B6rk"_s);
        QTest::newRow("empty text sends nothing") << u""_s << std::optional<QString>();
    }

    void keywordString()
    {
        QFETCH(QString, typed);
        QFETCH(std::optional<QString>, keywords);

        QCOMPARE(::keywordString(typed), keywords);
    }
};

QTEST_APPLESS_MAIN(TstSearchTerms)

#include "tst_search_terms.moc"
