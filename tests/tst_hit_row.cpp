#include <QTest>

#include "hit_row.h"

using namespace Qt::StringLiterals;

class TstHitRow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsFieldsAsFarAsTheRowFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pane");

        // The text a result page holds after one "<TR", up to the next.
        const auto row = [](const QStringList& cells) { return u">"_s + cells.join(u"\r\n"_s) + u"</TR>"_s; };
        const auto cell = [](const QString& v) { return u"<TD><FONT SIZE=2 COLOR=#000000>"_s + v + u"<BR></FONT>"_s; };
        const QString id = u"<TD><A HREF=\"?ID=7\">7</A>"_s, v2 = cell(u"v2"_s), v3 = cell(u"v3"_s), v4 = cell(u"v4"_s);

        QTest::newRow("complete row") << row({id, v2, v3, v4}) << u"7\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("markup kept raw") << row({id, cell(u"<b>&amp;"_s), v3, v4}) << u"7\t<b>&amp;\tv3\tv4\r\n"_s;
        QTest::newRow("empty value before <BR>") << row({id, v2, cell(u""_s), v4}) << u"7\tv2\t\tv4\r\n"_s;
        QTest::newRow("value without <BR>") << row({id, u"<TD>COLOR=#000000>a"_s, v3, v4}) << u"7\ta\r\n\tv3\tv4\r\n"_s;
        QTest::newRow("ID runs to a second ID=") << row({u"<TD>ID=5ID=6\">"_s, v2, v3, v4}) << u"5\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("ID runs to a quote with >, not to any quote")
            << row({u"<TD>ID=7\"8\">"_s, v2, v3, v4}) << u"7\"8\tv2\tv3\tv4\r\n"_s;
        QTest::newRow("lower-case id= is no ID") << row({u"<TD>id=7\">"_s, v2, v3, v4}) << u""_s;
        QTest::newRow("quoted colour is no marker") << row({id, u"<TD COLOR=\"#000000\">x<BR>"_s, v3, v4}) << u"7\t"_s;
        QTest::newRow("cell three without a value") << row({id, v2, u"<TD>plain"_s, v4}) << u"7\tv2\t"_s;
        QTest::newRow("lower-case <td> merges two cells") << row({id, v2, v3.toLower(), v4}) << u"7\tv2\tv4\t"_s;
        QTest::newRow("cell four missing") << row({id, v2, v3}) << u"7\tv2\tv3\t"_s;
        QTest::newRow("<br> is not <BR>")
            << row({id, v2, v3, u"<TD>COLOR=#000000>x<br>"_s}) << u"7\tv2\tv3\tx<br></TR>\r\n"_s;
    }

    void cutsFieldsAsFarAsTheRowFits()
    {
        QFETCH(QString, text);
        QFETCH(QString, pane);

        const HitRow hit = cutHitRow(text);
        QCOMPARE(hit.paneText(), pane);
        // Only a complete row is offered, its pane text less the line end as the prompt.
        QCOMPARE(hit.isComplete() ? hit.promptText() + u"\r\n"_s : QString(),
                 pane.endsWith(u"\r\n"_s) ? pane : QString());
    }
};

QTEST_APPLESS_MAIN(TstHitRow)

#include "tst_hit_row.moc"
