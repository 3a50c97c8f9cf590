#include "site_report.h"

using namespace Qt::StringLiterals;

QString SiteReport::summary() const
{
    const QString label = name.isEmpty() ? u"Site %1"_s.arg(site) : name;
    switch (outcome) {
    case Outcome::Answered:
        return label + (hits == 1 ? u": 1 hit"_s : u": %1 hits"_s.arg(hits));
    case Outcome::Cancelled:
        return label + u": cancelled"_s;
    case Outcome::Failed:
        break;
    }
    return label + u": "_s + reason;
}
