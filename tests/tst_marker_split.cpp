#include <QTest>

#include "marker_split.h"

using namespace Qt::StringLiterals;

namespace {

QStringList allPieces(MarkerSplit& split)
{
    QStringList pieces;
    for (qsizetype n = 0; const std::optional<QStringView> piece = split.piece(n); ++n)
        pieces.append(piece->toString());
    return pieces;
}

} // namespace

class TstMarkerSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsAtEveryMarker_data();
    void cutsAtEveryMarker();
    void emptyTextHasNoPieces();
    void missingPieceIsNothing_data();
    void missingPieceIsNothing();
    void answersInAnyOrderAsOften_data();
    void answersInAnyOrderAsOften();
};

void TstMarkerSplit::cutsAtEveryMarker_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("no marker gives the whole text") << u"a b c"_s << u","_s << QStringList{u"a b c"_s};
    QTest::newRow("marker in the middle") << u"a,b"_s << u","_s << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("marker at the start") << u",a"_s << u","_s << QStringList{QString(), u"a"_s};
    QTest::newRow("marker at the very end") << u"a,"_s << u","_s << QStringList{u"a"_s, QString()};
    QTest::newRow("two markers in a row") << u"a,,b"_s << u","_s << QStringList{u"a"_s, QString(), u"b"_s};
    QTest::newRow("text is only the marker") << u","_s << u","_s << QStringList{QString(), QString()};
    QTest::newRow("no limit on the number of cuts")
        << u"0,1,2,3,4,5,6,7,8,9,10,11"_s << u","_s << QStringList{u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s,  u"5"_s,
                                                                   u"6"_s, u"7"_s, u"8"_s, u"9"_s, u"10"_s, u"11"_s};
    QTest::newRow("multi-character marker") << u"x<TRa<TRb"_s << u"<TR"_s << QStringList{u"x"_s, u"a"_s, u"b"_s};
    QTest::newRow("multi-character marker repeated back to back")
        << u"<TR<TR"_s << u"<TR"_s << QStringList{QString(), QString(), QString()};
    QTest::newRow("marker text repeated inside a value")
        << u"ID=ID=5"_s << u"ID="_s << QStringList{QString(), QString(), u"5"_s};
    QTest::newRow("matches do not overlap") << u"aaa"_s << u"aa"_s << QStringList{QString(), u"a"_s};
    QTest::newRow("case must match") << u"a<tr>b<Tr>c"_s << u"<TR"_s << QStringList{u"a<tr>b<Tr>c"_s};
    QTest::newRow("truncated marker at the end does not cut") << u"ab<T"_s << u"<TR"_s << QStringList{u"ab<T"_s};
    QTest::newRow("spaces are kept in pieces") << u" a , b "_s << u","_s << QStringList{u" a "_s, u" b "_s};
}

void TstMarkerSplit::cutsAtEveryMarker()
{
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(QStringList, pieces);

    MarkerSplit split(text, marker);
    QCOMPARE(allPieces(split), pieces);
    for (qsizetype n = 0; n < pieces.size(); ++n)
        QCOMPARE(pieceAt(text, marker, n), std::optional<QStringView>(pieces.at(n)));
}

void TstMarkerSplit::emptyTextHasNoPieces()
{
    MarkerSplit split(QStringView(), u",");
    QVERIFY(!split.piece(0));
    QVERIFY(!pieceAt(u"", u",", 0));
}

void TstMarkerSplit::missingPieceIsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("n");

    QTest::newRow("negative piece") << u"a,b"_s << qsizetype(-1);
    QTest::newRow("one past the last piece") << u"a,b"_s << qsizetype(2);
    QTest::newRow("piece 1 of a text without the marker") << u"ab"_s << qsizetype(1);
    QTest::newRow("far past the end") << u"a,b,"_s << qsizetype(1000);
}

void TstMarkerSplit::missingPieceIsNothing()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, n);

    MarkerSplit split(text, u",");
    QVERIFY(!split.piece(n));
    QVERIFY(!pieceAt(text, u",", n));
}

void TstMarkerSplit::answersInAnyOrderAsOften_data()
{
    QTest::addColumn<QList<qsizetype>>("order");

    QTest::newRow("last piece first") << QList<qsizetype>{4, 0, 1, 2, 3, 4};
    QTest::newRow("same piece twice") << QList<qsizetype>{2, 2, 0, 0};
    QTest::newRow("past the end then back") << QList<qsizetype>{7, 1, 5, 3, -1, 0};
    QTest::newRow("jumping back and forth") << QList<qsizetype>{1, 3, 0, 4, 2, 1};
}

void TstMarkerSplit::answersInAnyOrderAsOften()
{
    QFETCH(QList<qsizetype>, order);

    const QString text = u"<TR>one<TR><TR>three<TR>"_s;
    MarkerSplit split(text, u"<TR");
    for (const qsizetype n : order)
        QCOMPARE(split.piece(n), pieceAt(text, u"<TR", n));
}

QTEST_APPLESS_MAIN(TstMarkerSplit)

#include "tst_marker_split.moc"
