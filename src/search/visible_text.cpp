#include "visible_text.h"

#include "code_points.h"
#include "hit_row.h"

using namespace Qt::StringLiterals;

namespace {

QString hex(char32_t value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, u'0');
}

QString escaped(char32_t codePoint)
{
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
    if (codePoint < 0x100)
        return u"\\x"_s + hex(codePoint, 2);
    if (codePoint < 0x10000)
        return u"\\u"_s + hex(codePoint, 4);
    return u"\\U"_s + hex(codePoint, 8);
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
    QString result;
    result.reserve(text.size());
    for (const CodePoint c : CodePoints(text)) {
        if (c.value == u'\\' || isControlCharacter(c.value))
            result += escaped(c.value);
        else if (c.isLoneSurrogate())
            result += QChar::ReplacementCharacter;
        else
            result += c.units;
    }
    return result;
}

QString visibleField(const QString& field)
{
    return visibleText(cutToCodePoints(field, HitRow::longestShownField));
}

QString visibleLine(QByteArrayView line)
{
    return visibleField(QString::fromUtf8(line));
}
