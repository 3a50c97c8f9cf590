#include "search_terms.h"

#include <QUrl>

#include "marker_split.h"

namespace {

QString encoded(QStringView word)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(word.toString()));
}

} // namespace

std::optional<QString> keywordString(QStringView typed)
{
    MarkerSplit words(typed, u" ");
    const std::optional<QStringView> first = words.piece(0);
    if (!first)
        return std::nullopt;
    QString keywords = encoded(*first);
    for (qsizetype position = 1; position <= 19; position += 2) {
        const std::optional<QStringView> word = words.piece(position);
        if (!word)
            break;
        keywords += u'+' + encoded(*word);
    }
    return keywords;
}
