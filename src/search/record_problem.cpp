#include "record_problem.h"

QString RecordProblem::reason(const QString& settingsPlace) const
{
    switch (kind) {
    case Kind::NoAddress:
        return tr("no address (set it in %1)").arg(settingsPlace);
    case Kind::BadAddress:
        return tr("not a usable address (%1; set it in %2)").arg(detail, settingsPlace);
    case Kind::BadPath:
        break;
    }
    return tr("not a usable path (set it in %1)").arg(settingsPlace);
}
