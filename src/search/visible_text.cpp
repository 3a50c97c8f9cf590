#include "visible_text.h"

#include <optional>

#include "hit_row.h"

using namespace Qt::StringLiterals;

namespace {

// The text with each code point that `replacement` gives a replacement for replaced; a surrogate pair is one code
// point, a lone surrogate one of its own.
template <typename Replace>
QString replaced(QStringView text, const Replace& replacement)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QStringView character = text.sliced(i, pair ? 2 : 1);
        const char32_t codePoint = pair ? QChar::surrogateToUcs4(character[0], character[1]) : character[0].unicode();
        if (const std::optional<QString> shown = replacement(codePoint, character))
            result += *shown;
        else
            result += character;
        i += character.size();
    }
    return result;
}

QString hex(char32_t value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, u'0');
}

} // namespace

bool isControlCharacter(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString visibleText(QStringView text)
{
    return replaced(text, [](char32_t codePoint, QStringView) -> std::optional<QString> {
        switch (codePoint) {
        case u'\\':
            return u"\\\\"_s;
        case u'\t':
            return u"\\t"_s;
        case u'\r':
            return u"\\r"_s;
        case u'\n':
            return u"\\n"_s;
        }
        if (!isControlCharacter(codePoint))
            return std::nullopt;
        if (codePoint < 0x100)
            return u"\\x"_s + hex(codePoint, 2);
        if (codePoint < 0x10000)
            return u"\\u"_s + hex(codePoint, 4);
        return u"\\U"_s + hex(codePoint, 8);
    });
}

QString visibleField(const QString& field)
{
    return visibleText(HitRow::shownField(field));
}

QString escapedJson(QStringView json)
{
    // Outside its strings JSON is plain ASCII, so every control character left stands in a string, where an escape
    // means the same; one beyond U+FFFF is escaped as its surrogate pair, as JSON spells it.
    return replaced(json, [](char32_t codePoint, QStringView character) -> std::optional<QString> {
        if (!isControlCharacter(codePoint))
            return std::nullopt;
        QString escaped;
        for (const QChar unit : character)
            escaped += u"\\u"_s + hex(unit.unicode(), 4);
        return escaped;
    });
}
