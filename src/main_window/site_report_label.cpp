#include "site_report_label.h"

#include <algorithm>
#include <utility>

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// "3 sites: 1 answered, 1 cancelled, 1 failed", leaving out the outcomes no site had.
QString countOf(const QList<SiteReport>& reports)
{
    const auto sitesWith = [&](SiteReport::Outcome outcome) {
        return std::count_if(reports.begin(), reports.end(), [&](const SiteReport& r) { return r.outcome == outcome; });
    };
    QStringList parts;
    for (const auto& [outcome, word] : {std::pair{SiteReport::Outcome::Answered, u"answered"_s},
                                        std::pair{SiteReport::Outcome::Cancelled, u"cancelled"_s},
                                        std::pair{SiteReport::Outcome::Failed, u"failed"_s}}) {
        if (const auto count = sitesWith(outcome))
            parts << u"%1 %2"_s.arg(count).arg(word);
    }
    return (reports.size() == 1 ? u"1 site: "_s : u"%1 sites: "_s.arg(reports.size())) + parts.join(u", "_s);
}

} // namespace

SiteReportLabel::SiteReportLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignRight | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Site report"));
}

void SiteReportLabel::clearReport()
{
    m_reports.clear();
    clear();
    showSiteLines();
}

void SiteReportLabel::showAsking(int site, const QString& name)
{
    setText(u"Asking %1…"_s.arg(name.isEmpty() ? u"site %1"_s.arg(site) : name));
}

void SiteReportLabel::addSite(const SiteReport& report)
{
    m_reports.append(report);
    showSiteLines();
}

void SiteReportLabel::showCount()
{
    setText(m_reports.isEmpty() ? QString() : countOf(m_reports));
}

void SiteReportLabel::showSiteLines()
{
    QStringList lines;
    for (const SiteReport& report : std::as_const(m_reports))
        lines << report.summary();
    const QString list = lines.join(u'\n');
    setAccessibleDescription(list);
    // A tooltip is read as rich text whenever it looks like some, so it is handed over escaped, line breaks kept.
    setToolTip(list.isEmpty() ? QString() : u"<p style=\"white-space:pre\">"_s + list.toHtmlEscaped() + u"</p>"_s);
}
