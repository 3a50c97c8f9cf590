#include "hit_printer.h"

#include <QStringList>
#include <QTextStream>

#include "hit_row.h"
#include "json_line.h"
#include "site_report.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

Answer HitPrinter::askAboutHit(const HitRow& hit)
{
    if (m_format == Format::Json) {
        m_out << jsonLine({{u"site"_s, m_site},
                           {u"siteName"_s, m_siteName},
                           {u"id"_s, hit.fields.value(0)},
                           {u"track"_s, hit.fields.value(1)},
                           {u"artist"_s, hit.fields.value(2)},
                           {u"album"_s, hit.fields.value(3)}});
    } else {
        QStringList columns{QString::number(m_site)};
        for (const QString& field : hit.fields)
            columns.append(visibleField(field));
        m_out << columns.join(u'\t');
    }
    // Flushed line by line, so that a script reading the output sees each hit as it is found.
    m_out << Qt::endl;
    return Answer::No;
}

void HitPrinter::siteStarted(int site, const QString& name)
{
    m_site = site;
    m_siteName = name;
}

void HitPrinter::siteEnded(const SiteReport& report)
{
    if (m_format == Format::Json)
        m_out << jsonLine({{u"site"_s, report.site},
                           {u"siteName"_s, report.name},
                           {u"outcome"_s, outcomeWord(report.outcome)},
                           {u"reason"_s, report.reason},
                           {u"hits"_s, report.hits}})
              << Qt::endl;
    if (report.outcome == SiteReport::Outcome::Failed)
        m_err << siteLabel(report.site, report.name) << u": "_s << visibleField(report.reason) << Qt::endl;
}
