#include "search_terms.h"

#include <algorithm>

#include <QStringList>
#include <QUrl>

std::optional<QString> keywordString(QStringView typed)
{
    constexpr qsizetype mostWords = 20;
    const QStringList words = typed.toString().simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    QStringList encoded;
    for (const QString& word : words.first(std::min(words.size(), mostWords)))
        encoded.append(QString::fromLatin1(QUrl::toPercentEncoding(word)));
    return encoded.join(u'+');
}
