#pragma once

#include <QString>
#include <QStringView>

// One code point of a text: a surrogate pair is one, and so is a surrogate without its other half, which stands for
// itself.
struct CodePoint
{
    char32_t value;
    // Where it starts in the text, and the one or two UTF-16 units it takes there.
    qsizetype position;
    QStringView units;

    bool isLoneSurrogate() const { return units.size() == 1 && QChar::isSurrogate(value); }
};

// The code points of a text in order, for a range-for loop; every text rule steps through text this way, so that
// none of them parts a surrogate pair or misses a lone half.
class CodePoints
{
public:
    class Iterator
    {
    public:
        Iterator(QStringView text, qsizetype position) : m_text(text), m_position(position) {}

        CodePoint operator*() const;
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return m_position != other.m_position; }

    private:
        qsizetype width() const;

        QStringView m_text;
        qsizetype m_position;
    };

    explicit CodePoints(QStringView text) : m_text(text) {}

    Iterator begin() const { return {m_text, 0}; }
    Iterator end() const { return {m_text, m_text.size()}; }

private:
    QStringView m_text;
};

// The text with each lone surrogate replaced by U+FFFD, as strict readers such as JSON parsers and UTF-8 encoders
// require: a lone half cannot be written in UTF-8 at all.
QString wellFormed(QStringView text);

// The text as far as its first `longest` code points, and "…" after them when it runs on; else untouched.
QString cutToCodePoints(const QString& text, qsizetype longest);
