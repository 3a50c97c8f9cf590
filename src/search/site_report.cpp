#include "site_report.h"

#include <algorithm>

#include <QStringList>

#include "hit_row.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

// The count is its own text for each outcome, so that a translation can inflect the word for it.
QString sitesThat(SiteReport::Outcome outcome, int sites)
{
    switch (outcome) {
    case SiteReport::Outcome::Answered:
        return SiteReport::tr("%n answered", nullptr, sites);
    case SiteReport::Outcome::Cancelled:
        return SiteReport::tr("%n cancelled", nullptr, sites);
    case SiteReport::Outcome::Failed:
        break;
    }
    return SiteReport::tr("%n failed", nullptr, sites);
}

} // namespace

QString SiteReport::summary() const
{
    const QString label = siteLabel(site, name, SiteNaming::ByNameFirst);
    switch (outcome) {
    case Outcome::Answered:
        // The name goes in after the count, as it may hold "%n" of its own.
        return (hits == 1 ? tr("%1: 1 hit") : tr("%1: %n hits", nullptr, hits)).arg(label);
    case Outcome::Cancelled:
        return tr("%1: cancelled").arg(label);
    case Outcome::Failed:
        break;
    }
    return tr("%1: %2").arg(label, reason);
}

QString siteLabel(int site, const QString& name, SiteNaming naming)
{
    const QString number =
        (naming == SiteNaming::ByNameFirst ? SiteReport::tr("Site %1") : SiteReport::tr("site %1")).arg(site);
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
            parts << sitesThat(outcome, int(sites));
    }
    const int sites = int(reports.size());
    return (sites == 1 ? SiteReport::tr("1 site: %1") : SiteReport::tr("%n sites: %1", nullptr, sites))
        .arg(parts.join(u", "_s));
}
