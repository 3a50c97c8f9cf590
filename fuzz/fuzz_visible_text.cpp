// Makes the input visible as a field, as UTF-16 units (lone surrogates and all) and as a line of bytes, and aborts
// when the result holds a character a terminal could obey or a strict reader refuses, or does not read back as the
// text it stands for.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "fuzz_checks.h"
#include "hit_row.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;
using fuzz::isUnsafe;
using fuzz::require;
using fuzz::withoutLoneSurrogates;

namespace {

// The character the escape at `at` (just past its backslash) stands for; `at` moves past it. It must be one the rule
// writes, for a character the rule escapes.
char32_t escapedAt(QStringView shown, qsizetype& at)
{
    require(at < shown.size(), "a backslash ends the text", shown);
    const QChar kind = shown[at++];
    for (const auto& [letter, c] : {std::pair{u'\\', u'\\'}, {u't', u'\t'}, {u'r', u'\r'}, {u'n', u'\n'}}) {
        if (kind == letter)
            return c;
    }
    const qsizetype digits = kind == u'x' ? 2 : kind == u'u' ? 4 : kind == u'U' ? 8 : 0;
    require(digits != 0 && at + digits <= shown.size(), "an escape the rule does not write", shown);
    const QStringView hex = shown.sliced(at, digits);
    require(std::all_of(hex.begin(), hex.end(), [](QChar d) { return u"0123456789abcdef"_s.contains(d); }),
            "an escape without its lower-case hex digits", shown);
    const char32_t c = hex.toUInt(nullptr, 16);
    at += digits;
    require(isUnsafe(c) && c != u'\t' && c != u'\r' && c != u'\n', "an escape for a safe character", shown);
    require((c < 0x100) == (digits == 2) && (c < 0x10000) == (digits <= 4), "an escape of the wrong width", shown);
    return c;
}

// The text the shown text stands for, which must itself hold no unsafe character and no lone surrogate.
QString unescaped(QStringView shown)
{
    QString text;
    for (qsizetype at = 0; at < shown.size();) {
        const bool pair = shown[at].isHighSurrogate() && at + 1 < shown.size() && shown[at + 1].isLowSurrogate();
        char32_t c = pair ? QChar::surrogateToUcs4(shown[at], shown[at + 1]) : shown[at].unicode();
        require(!QChar::isSurrogate(c), "a lone surrogate is shown", shown);
        require(!isUnsafe(c), "a control character is shown as it is", shown);
        at += pair ? 2 : 1;
        if (c == u'\\')
            c = escapedAt(shown, at);
        text += QStringView(QChar::fromUcs4(c));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QString units(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    require(unescaped(visibleText(units)) == withoutLoneSurrogates(units), "the text does not read back", units);
    require(unescaped(visibleField(units)) == withoutLoneSurrogates(HitRow::shownField(units)),
            "the field does not read back cut", units);
    const QString line = QString::fromUtf8(bytes);
    require(unescaped(visibleLine(bytes)) == HitRow::shownField(line), "the line does not read back cut", line);
    return 0;
}
