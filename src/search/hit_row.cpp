#include "hit_row.h"

#include <optional>
#include <type_traits>

#include "code_points.h"
#include "marker_split.h"
#include "page_charset.h"

using namespace Qt::StringLiterals;

namespace {

// The scan's markers, as text and as bytes.
struct Marker
{
    QStringView text;
    QByteArrayView bytes;

    template <typename View>
    View as() const
    {
        if constexpr (std::is_same_v<View, QStringView>)
            return text;
        else
            return bytes;
    }
};

constexpr Marker cellMarker{u"<TD", "<TD"};
constexpr Marker idMarker{u"ID=", "ID="};
constexpr Marker idEnd{u"\">", "\">"};
constexpr Marker valueMarker{u"000000>", "000000>"};
constexpr Marker valueEnd{u"<BR>", "<BR>"};

// The text after the first `start` marker, up to the first `end` marker, a second `start` marker or the end.
template <typename View>
std::optional<View> between(View cell, const Marker& start, const Marker& end)
{
    const std::optional<View> rest = pieceAt(cell, start.as<View>(), 1);
    return rest ? pieceAt(*rest, end.as<View>(), 0) : std::nullopt;
}

template <typename View, typename Decode>
HitRow cut(View row, const Decode& decode)
{
    HitRow hit;
    BasicMarkerSplit<View> cells(row, cellMarker.as<View>());
    const std::optional<View> linkCell = cells.piece(1);
    const std::optional<View> id = linkCell ? between(*linkCell, idMarker, idEnd) : std::nullopt;
    if (!id)
        return hit;
    hit.fields.append(decode(*id));
    for (qsizetype cell = 2; cell <= 4; ++cell) {
        const std::optional<View> valueCell = cells.piece(cell);
        const std::optional<View> value = valueCell ? between(*valueCell, valueMarker, valueEnd) : std::nullopt;
        if (!value)
            break;
        hit.fields.append(decode(*value));
    }
    return hit;
}

} // namespace

QString HitRow::shownField(const QString& field)
{
    return cutToCodePoints(field, longestShownField);
}

QString HitRow::promptText() const
{
    QStringList texts;
    for (const QString& field : fields)
        texts.append(shownField(field));
    return texts.join(u'\t');
}

HitRow cutHitRow(QStringView row)
{
    return cut(row, [](QStringView field) { return field.toString(); });
}

HitRow cutHitRow(QByteArrayView row, const PageCharset& charset)
{
    return cut(row, [&charset](QByteArrayView field) { return charset.decoded(field); });
}

bool holdsWholeHit(QByteArrayView row)
{
    return cut(row, [](QByteArrayView) { return QString(); }).isComplete();
}
