#pragma once

#include <QLabel>
#include <QList>

#include "site_report.h"

// A small read-only report of a search run: while it is under way, the site being asked; once it has ended, a count
// of what the sites gave. Every site's own line so far is in the tooltip and the accessible description. All of it
// is plain text, since a site's name is whatever the user typed into Options.
class SiteReportLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SiteReportLabel)

public:
    explicit SiteReportLabel(QWidget* parent = nullptr);

    // Forgets the last run.
    void clearReport();
    void showAsking(int site, const QString& name);
    void addSite(const SiteReport& report);
    // The run's end: a count of what the sites added since the last clearReport() gave.
    void showCount();
    // Why no site was asked.
    void showFailure(const QString& reason);

private:
    void showSiteLines();
    // The tooltip and accessible description.
    void showDetail(const QString& list);

    QList<SiteReport> m_reports;
};
