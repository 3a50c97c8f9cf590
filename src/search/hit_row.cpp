#include "hit_row.h"

#include <optional>

#include "marker_split.h"

using namespace Qt::StringLiterals;

namespace {

// The text after the first `start` marker, up to the first `end` marker, a second `start` marker or the end.
std::optional<QStringView> between(QStringView cell, QStringView start, QStringView end)
{
    const std::optional<QStringView> rest = pieceAt(cell, start, 1);
    return rest ? pieceAt(*rest, end, 0) : std::nullopt;
}

QString shown(const QString& field)
{
    if (field.size() <= HitRow::longestShownField)
        return field;
    return field.left(HitRow::longestShownField) + u'\u2026';
}

} // namespace

QString HitRow::paneText() const
{
    QString text;
    for (qsizetype i = 0; i < fields.size(); ++i)
        text += shown(fields.at(i)) + (i == 3 ? u"\r\n"_s : u"\t"_s);
    return text;
}

QString HitRow::promptText() const
{
    QStringList texts;
    for (const QString& field : fields)
        texts.append(shown(field));
    return texts.join(u'\t');
}

HitRow cutHitRow(QStringView row)
{
    HitRow hit;
    MarkerSplit cells(row, u"<TD");
    const std::optional<QStringView> linkCell = cells.piece(1);
    const std::optional<QStringView> id = linkCell ? between(*linkCell, u"ID=", u"\">") : std::nullopt;
    if (!id)
        return hit;
    hit.fields.append(id->toString());
    for (qsizetype cell = 2; cell <= 4; ++cell) {
        const std::optional<QStringView> valueCell = cells.piece(cell);
        const std::optional<QStringView> value = valueCell ? between(*valueCell, u"000000>", u"<BR>") : std::nullopt;
        if (!value)
            break;
        hit.fields.append(value->toString());
    }
    return hit;
}
