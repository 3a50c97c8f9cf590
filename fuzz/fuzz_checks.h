#pragma once

#include <cstdio>
#include <cstdlib>

#include <QChar>
#include <QString>
#include <QStringView>

// What the targets on shown text check alike.
namespace fuzz {

inline void require(bool holds, const char* broken, QStringView text)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\nin: %s\n", broken, qUtf8Printable(text.left(400).toString()));
    std::abort();
}

// C0 and C1 controls and DEL, the format characters (the bidi controls among them) and the separators.
inline bool isUnsafe(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

// The text with each surrogate that has no other half as U+FFFD.
inline QString withoutLoneSurrogates(QStringView text)
{
    QString result = text.toString();
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result[i].isHighSurrogate() && i + 1 < result.size() && result[i + 1].isLowSurrogate())
            ++i;
        else if (result[i].isSurrogate())
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

} // namespace fuzz
