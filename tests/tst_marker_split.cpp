#include <QTest>

#include "marker_split.h"

using namespace Qt::StringLiterals;

class TstMarkerSplit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsAtEveryMarker_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QStringList>("pieces");

        QTest::newRow("no marker gives the whole text") << u"a b"_s << u","_s << QStringList{u"a b"_s};
        QTest::newRow("marker at the start") << u",a"_s << u","_s << QStringList{u""_s, u"a"_s};
        QTest::newRow("marker at the end") << u"a,"_s << u","_s << QStringList{u"a"_s, u""_s};
        QTest::newRow("two markers in a row") << u"a,,b"_s << u","_s << QStringList{u"a"_s, u""_s, u"b"_s};
        QTest::newRow("empty text has no pieces") << u""_s << u","_s << QStringList{};
        QTest::newRow("no cut limit") << u"a,b,c,d,e,f,g,h,i,j,k"_s << u","_s << u"a,b,c,d,e,f,g,h,i,j,k"_s.split(u',');
        QTest::newRow("matches do not overlap") << u"aaa"_s << u"aa"_s << QStringList{u""_s, u"a"_s};
        QTest::newRow("case must match") << u"a<tr>b<Tr>c"_s << u"<TR"_s << QStringList{u"a<tr>b<Tr>c"_s};
    }

    void cutsAtEveryMarker()
    {
        QFETCH(QString, text);
        QFETCH(QString, marker);
        QFETCH(QStringList, pieces);

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
};

QTEST_APPLESS_MAIN(TstMarkerSplit)

#include "tst_marker_split.moc"
