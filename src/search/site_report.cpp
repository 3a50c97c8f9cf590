#include "site_report.h"

#include <algorithm>

#include <QStringList>

#include "hit_row.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

QString SiteReport::summary() const
{
    const QString label = siteLabel(site, name, SiteNaming::ByNameFirst);
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

QString siteLabel(int site, const QString& name, SiteNaming naming)
{
    const QString number = (naming == SiteNaming::ByNameFirst ? u"Site %1"_s : u"site %1"_s).arg(site);
    if (name.isEmpty())
        return number;
    if (naming == SiteNaming::ByNumber)
        return number + u" ("_s + visibleField(name) + u')';
    return HitRow::shownField(name);
}

QString outcomeWord(SiteReport::Outcome outcome)
{
    switch (outcome) {
    case SiteReport::Outcome::Answered:
        return u"answered"_s;
    case SiteReport::Outcome::Cancelled:
        return u"cancelled"_s;
    case SiteReport::Outcome::Failed:
        break;
    }
    return u"failed"_s;
}

QString runSummary(const QList<SiteReport>& reports)
{
    QStringList parts;
    for (const auto outcome :
         {SiteReport::Outcome::Answered, SiteReport::Outcome::Cancelled, SiteReport::Outcome::Failed}) {
        const auto sites = std::count_if(reports.begin(), reports.end(),
                                         [outcome](const SiteReport& report) { return report.outcome == outcome; });
        if (sites != 0)
            parts << u"%1 %2"_s.arg(sites).arg(outcomeWord(outcome));
    }
    return (reports.size() == 1 ? u"1 site: "_s : u"%1 sites: "_s.arg(reports.size())) + parts.join(u", "_s);
}
