#include "hit_printer.h"

#include <QStringList>

#include "hit_row.h"
#include "json_line.h"
#include "site_report.h"
#include "standard_stream.h"
#include "status_line.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

Answer HitPrinter::askAboutHit(const HitRow& hit)
{
    if (m_format == Format::Json) {
        m_block += jsonLine({{u"site"_s, m_site},
                             {u"siteName"_s, m_siteName},
                             {u"id"_s, hit.fields.value(0)},
                             {u"track"_s, hit.fields.value(1)},
                             {u"artist"_s, hit.fields.value(2)},
                             {u"album"_s, hit.fields.value(3)}}) +
                   u'\n';
    } else {
        QStringList columns{QString::number(m_site)};
        for (const QString& field : hit.fields)
            columns.append(visibleField(field));
        m_block += columns.join(u'\t') + u'\n';
    }
    return Answer::No;
}

void HitPrinter::siteAsked(int site, const QString& name)
{
    if (m_status)
        m_status->siteAsked(site, name);
}

void HitPrinter::siteStarted(int site, const QString& name)
{
    siteAsked(site, name);
    m_site = site;
    m_siteName = name;
    m_block.clear();
}

void HitPrinter::siteEnded(const SiteReport& report)
{
    if (m_format == Format::Json)
        m_block += jsonLine({{u"site"_s, report.site},
                             {u"siteName"_s, report.name},
                             {u"outcome"_s, outcomeWord(report.outcome)},
                             {u"reason"_s, report.reason},
                             {u"hits"_s, report.hits}}) +
                   u'\n';
    if (m_status)
        m_status->clear();
    if (!m_out.write(std::exchange(m_block, {})) && !m_out.failure().isEmpty() && m_outputLost)
        m_outputLost();
    if (report.outcome == SiteReport::Outcome::Failed)
        m_err.write(siteLabel(report.site, report.name) + u": "_s + visibleField(report.reason) + u'\n');
    if (m_status)
        m_status->siteEnded(report.site);
}

void HitPrinter::runEnded(const QList<SiteReport>& /*reports*/)
{
    if (m_status)
        m_status->clear();
}
