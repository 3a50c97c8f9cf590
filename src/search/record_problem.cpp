#include "record_problem.h"

using namespace Qt::StringLiterals;

QString RecordProblem::reason(const QString& settingsPlace) const
{
    switch (kind) {
    case Kind::NoAddress:
        return u"no address (set it in %1)"_s.arg(settingsPlace);
    case Kind::BadAddress:
        return u"not a usable address (%1; set it in %2)"_s.arg(detail, settingsPlace);
    case Kind::BadPath:
        break;
    }
    return u"not a usable path (set it in %1)"_s.arg(settingsPlace);
}
