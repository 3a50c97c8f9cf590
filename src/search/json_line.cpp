#include "json_line.h"

#include <QJsonDocument>

#include "code_points.h"
#include "hit_row.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

QString jsonLine(QJsonObject object)
{
    // A lone surrogate could only be written as an escape of its own, which strict readers refuse.
    for (auto value = object.begin(); value != object.end(); ++value) {
        if (value->isString())
            *value = wellFormed(HitRow::shownField(value->toString()));
    }
    const QString json = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    // Outside its strings JSON is plain ASCII, so every control character left stands in a string, where an escape
    // means the same; one beyond U+FFFF is escaped as its surrogate pair, as JSON spells it.
    QString line;
    line.reserve(json.size());
    for (const CodePoint c : CodePoints(json)) {
        if (!isControlCharacter(c.value)) {
            line += c.units;
            continue;
        }
        for (const QChar unit : c.units)
            line += u"\\u"_s + QString::number(unit.unicode(), 16).rightJustified(4, u'0');
    }
    return line;
}
