#include "output_field.h"

#include "hit_row.h"

using namespace Qt::StringLiterals;

QString escapedField(const QString& field)
{
    QString escaped;
    for (const QChar c : HitRow::shownField(field)) {
        switch (c.unicode()) {
        case u'\\':
            escaped += u"\\\\"_s;
            break;
        case u'\t':
            escaped += u"\\t"_s;
            break;
        case u'\r':
            escaped += u"\\r"_s;
            break;
        case u'\n':
            escaped += u"\\n"_s;
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
