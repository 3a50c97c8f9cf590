#include "site_report_label.h"

#include <utility>

#include <QStringList>

using namespace Qt::StringLiterals;

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
    setText(tr("Asking %1…").arg(siteLabel(site, name, SiteNaming::ByName)));
}

void SiteReportLabel::addSite(const SiteReport& report)
{
    m_reports.append(report);
    showSiteLines();
}

void SiteReportLabel::showCount()
{
    setText(m_reports.isEmpty() ? QString() : runSummary(m_reports));
}

void SiteReportLabel::showFailure(const QString& reason)
{
    m_reports.clear();
    setText(reason);
    showDetail(reason);
}

void SiteReportLabel::showSiteLines()
{
    QStringList lines;
    for (const SiteReport& report : std::as_const(m_reports))
        lines << report.summary();
    showDetail(lines.join(u'\n'));
}

void SiteReportLabel::showDetail(const QString& list)
{
    setAccessibleDescription(list);
    // A tooltip is read as rich text whenever it looks like some, so it is handed over escaped, line breaks kept.
    setToolTip(list.isEmpty() ? QString() : u"<p style=\"white-space:pre\">"_s + list.toHtmlEscaped() + u"</p>"_s);
}
