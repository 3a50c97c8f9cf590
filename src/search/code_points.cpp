#include "code_points.h"

CodePoint CodePoints::Iterator::operator*() const
{
    const QStringView units = m_text.sliced(m_position, width());
    const char32_t value = units.size() == 2 ? QChar::surrogateToUcs4(units[0], units[1]) : units[0].unicode();
    return {value, m_position, units};
}

CodePoints::Iterator& CodePoints::Iterator::operator++()
{
    m_position += width();
    return *this;
}

qsizetype CodePoints::Iterator::width() const
{
    const bool pair = m_text[m_position].isHighSurrogate() && m_position + 1 < m_text.size() &&
                      m_text[m_position + 1].isLowSurrogate();
    return pair ? 2 : 1;
}

QString wellFormed(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const CodePoint c : CodePoints(text)) {
        if (c.isLoneSurrogate())
            result += QChar::ReplacementCharacter;
        else
            result += c.units;
    }
    return result;
}

QString cutToCodePoints(const QString& text, qsizetype longest)
{
    qsizetype count = 0;
    for (const CodePoint c : CodePoints(text)) {
        if (++count > longest)
            return text.first(c.position) + u'\u2026';
    }
    return text;
}
