#include <QTest>

#include "hit_row.h"

using namespace Qt::StringLiterals;

namespace {

QString linkCell(const QString& id)
{
    return u"<TD><A HREF=\"mp3info.asp?ID="_s + id + u"\">"_s + id + u"</A></TD>"_s;
}

QString valueCell(const QString& value)
{
    return u"<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>"_s + value + u"<BR></FONT></TD>"_s;
}

// The text the page holds after one "<TR", up to the next.
QString row(const QStringList& cells)
{
    return u">\r\n"_s + cells.join(u"\r\n"_s) + u"\r\n</TR>\r\n"_s;
}

const QString completeRow =
    row({linkCell(u"101"_s), valueCell(u"Track One"_s), valueCell(u"Artist One"_s), valueCell(u"Album One"_s)});

} // namespace

class TstHitRow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsFieldsAsFarAsTheRowFits_data();
    void cutsFieldsAsFarAsTheRowFits();
    void paneTextEndsOnlyACompleteRowWithALineEnd_data();
    void paneTextEndsOnlyACompleteRowWithALineEnd();
    void promptTextJoinsTheFourFields();
};

void TstHitRow::cutsFieldsAsFarAsTheRowFits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");

    const QString id = linkCell(u"7"_s);
    const QString v = valueCell(u"v"_s);

    QTest::newRow("complete row") << completeRow
                                  << QStringList{u"101"_s, u"Track One"_s, u"Artist One"_s, u"Album One"_s};
    QTest::newRow("markup entities and spaces are kept raw")
        << row({id, valueCell(u"<b>x</b>"_s), valueCell(u"Tom &amp; Jerry"_s), valueCell(u"  padded "_s)})
        << QStringList{u"7"_s, u"<b>x</b>"_s, u"Tom &amp; Jerry"_s, u"  padded "_s};
    QTest::newRow("empty value before the line break tag")
        << row({id, v, valueCell(QString()), v}) << QStringList{u"7"_s, u"v"_s, QString(), u"v"_s};
    QTest::newRow("value without a line break tag runs to the end of the cell")
        << u"><TD><A HREF=\"?ID=7\">7</A><TD>COLOR=#000000>Two\r\nLines</FONT></TD>\r\n"_s + v + v
        << QStringList{u"7"_s, u"Two\r\nLines</FONT></TD>\r\n"_s, u"v"_s, u"v"_s};
    QTest::newRow("second colour marker ends the value")
        << row({id, u"<TD>COLOR=#000000>a<FONT COLOR=#000000>b<BR>"_s, v, v})
        << QStringList{u"7"_s, u"a<FONT COLOR=#"_s, u"v"_s, u"v"_s};
    QTest::newRow("lower-case line break tag is part of the value")
        << row({id, v, v, u"<TD>COLOR=#000000>x<br></FONT></TD>"_s})
        << QStringList{u"7"_s, u"v"_s, u"v"_s, u"x<br></FONT></TD>\r\n</TR>\r\n"_s};
    QTest::newRow("ID runs to a second ID marker")
        << row({u"<TD><A HREF=\"?ID=5ID=6\">5</A>"_s, v, v, v}) << QStringList{u"5"_s, u"v"_s, u"v"_s, u"v"_s};
    QTest::newRow("ID without a closing quote runs to the end of the cell")
        << u"><TD><A HREF=?ID=55>55</A>"_s + v + v + v << QStringList{u"55>55</A>"_s, u"v"_s, u"v"_s, u"v"_s};
    QTest::newRow("empty ID before the closing quote is an ID")
        << row({linkCell(QString()), v, v, v}) << QStringList{QString(), u"v"_s, u"v"_s, u"v"_s};
    QTest::newRow("ID marker before the first cell is ignored")
        << u" ID=999\">"_s + row({id, v, v, v}) << QStringList{u"7"_s, u"v"_s, u"v"_s, u"v"_s};
    QTest::newRow("cells after the fourth are ignored")
        << row({id, v, v, v, valueCell(u"extra"_s)}) << QStringList{u"7"_s, u"v"_s, u"v"_s, u"v"_s};

    QTest::newRow("empty row") << QString() << QStringList();
    QTest::newRow("row without cells") << u"><TH>Title</TH></TR>"_s << QStringList();
    QTest::newRow("lower-case ID marker") << row({u"<TD><A HREF=\"?id=7\">"_s, v, v, v}) << QStringList();
    QTest::newRow("ID marker followed by a second one")
        << row({u"<TD><A HREF=\"?ID=ID=7\">"_s, v, v, v}) << QStringList();
    QTest::newRow("ID marker at the end of the cell") << u"><TD><A HREF=\"?ID="_s + v + v + v << QStringList();
    QTest::newRow("only the link cell") << row({id}) << QStringList{u"7"_s};
    QTest::newRow("quoted colour is not a value marker")
        << row({id, u"<TD><FONT COLOR=\"#000000\">x<BR>"_s, v, v}) << QStringList{u"7"_s};
    QTest::newRow("cell three has no value")
        << u">"_s + id + v + u"<TD><FONT COLOR=#000000>"_s + v << QStringList{u"7"_s, u"v"_s};
    QTest::newRow("cell three has two colour markers back to back")
        << row({id, v, u"<TD>COLOR=#000000>000000>x<BR>"_s, v}) << QStringList{u"7"_s, u"v"_s};
    QTest::newRow("lower-case cell tag merges two cells")
        << row({id, v, v.toLower(), valueCell(u"w"_s)}) << QStringList{u"7"_s, u"v"_s, u"w"_s};
    QTest::newRow("fourth cell missing") << row({id, v, v}) << QStringList{u"7"_s, u"v"_s, u"v"_s};
}

void TstHitRow::cutsFieldsAsFarAsTheRowFits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);

    const HitRow hit = cutHitRow(text);
    QCOMPARE(hit.fields, fields);
    QCOMPARE(hit.isComplete(), fields.size() == 4);
}

void TstHitRow::paneTextEndsOnlyACompleteRowWithALineEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pane");

    const QString id = linkCell(u"101"_s);
    const QString v = valueCell(u"Track One"_s);
    QTest::newRow("complete row") << completeRow << u"101\tTrack One\tArtist One\tAlbum One\r\n"_s;
    QTest::newRow("fails at cell four") << row({id, v, v}) << u"101\tTrack One\tTrack One\t"_s;
    QTest::newRow("fails at cell three") << row({id, v}) << u"101\tTrack One\t"_s;
    QTest::newRow("fails at cell two") << row({id}) << u"101\t"_s;
    QTest::newRow("fails at the ID") << row({u"<TD>no link"_s, v, v, v}) << QString();
}

void TstHitRow::paneTextEndsOnlyACompleteRowWithALineEnd()
{
    QFETCH(QString, text);
    QFETCH(QString, pane);

    QCOMPARE(cutHitRow(text).paneText(), pane);
}

void TstHitRow::promptTextJoinsTheFourFields()
{
    QCOMPARE(cutHitRow(completeRow).promptText(), u"101\tTrack One\tArtist One\tAlbum One"_s);
}

QTEST_APPLESS_MAIN(TstHitRow)

#include "tst_hit_row.moc"
