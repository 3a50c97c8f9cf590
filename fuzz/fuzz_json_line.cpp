// Writes the input as the string values of one JSON line, read as UTF-16 units (lone surrogates and all), and aborts
// when the line holds a character a terminal could obey or a strict reader refuses, or does not read back as the
// strings cut and made well-formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "fuzz_checks.h"
#include "hit_row.h"
#include "json_line.h"

using namespace Qt::StringLiterals;
using fuzz::isUnsafe;
using fuzz::require;
using fuzz::withoutLoneSurrogates;

// Input: up to three strings, each ended by a zero unit.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString units(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const QStringList strings = units.split(QChar(0)).mid(0, 3);
    QJsonObject object{{u"count"_s, strings.size()}};
    for (qsizetype i = 0; i < strings.size(); ++i)
        object.insert(u"s%1"_s.arg(i), strings[i]);

    const QString line = jsonLine(object);
    require(withoutLoneSurrogates(line) == line, "a lone surrogate in the line", line);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const bool pair = line[i].isHighSurrogate() && i + 1 < line.size();
        require(!isUnsafe(pair ? QChar::surrogateToUcs4(line[i], line[i + 1]) : char32_t(line[i].unicode())),
                "a control character written as it is", line);
        i += pair ? 1 : 0;
    }
    const QByteArray utf8 = line.toUtf8();
    require(utf8.isValidUtf8(), "the line is not UTF-8", line);
    QJsonParseError error;
    const QJsonObject read = QJsonDocument::fromJson(utf8, &error).object();
    require(error.error == QJsonParseError::NoError && read.size() == object.size(), "the line does not parse", line);
    require(read.value(u"count"_s).toInt(-1) == strings.size(), "a number changed", line);
    for (qsizetype i = 0; i < strings.size(); ++i) {
        require(read.value(u"s%1"_s.arg(i)).toString() == withoutLoneSurrogates(HitRow::shownField(strings[i])),
                "a string does not read back cut and well-formed", line);
    }
    return 0;
}
