#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <QStringView>

class PageCharset;

// What the scan cuts from one row of a result page: the track ID from the first cell's link, then the track,
// artist and album values of cells 2, 3 and 4, as far as the row fits the expected layout.
struct HitRow
{
    // Longer fields are shown cut to this many characters (code points) and "…": laying out megabytes of text in the
    // pane or a message box would freeze the window, and no real field comes near it.
    static constexpr qsizetype longestShownField = 1024;

    QStringList fields;

    // A field as it is shown: cut to longestShownField characters and "…" when longer, else untouched.
    static QString shownField(const QString& field);

    bool isComplete() const { return fields.size() == 4; }
    // The four fields joined by tabs, with no line end.
    QString promptText() const;
};

HitRow cutHitRow(QStringView row);
// The same cut on a row of a page's undecoded bytes, whose charset keeps ASCII bytes as they are; only the fields
// are decoded.
HitRow cutHitRow(QByteArrayView row, const PageCharset& charset);
// Whether that cut gives a whole hit, learnt without decoding the fields: a page's rows can be judged as they arrive,
// before its charset is settled.
bool holdsWholeHit(QByteArrayView row);
