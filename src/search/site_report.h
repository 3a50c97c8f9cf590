#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

// What one site gave in a search run.
struct SiteReport
{
    enum class Outcome
    {
        Answered,
        Cancelled,
        Failed
    };

    int site = 0;
    QString name;
    // Hits whose whole line was listed.
    int hits = 0;
    Outcome outcome = Outcome::Answered;
    // Why the site failed, for a person; never an address or a password.
    QString reason;

    void fail(const QString& why)
    {
        outcome = Outcome::Failed;
        reason = why;
    }
    // One line such as "Harbour: 12 hits", "Night Owl: cancelled" or "Lanterns: no answer (connection refused)".
    QString summary() const;

    Q_DECLARE_TR_FUNCTIONS(SiteReport)
};

// How a site is named to a person.
enum class SiteNaming
{
    // By its name, or as "site 2" when it has none, as in "Asking Night Owl…".
    ByName,
    // The same at the start of a line, "Site 2" when it has no name, as in "Night Owl: 3 hits".
    ByNameFirst,
    // "site 2 (Night Owl)", or "site 2", as a terminal or log line begins: the name made visible, since a settings
    // file may hold anything.
    ByNumber
};

// The site's label, its name cut as the window shows a field.
QString siteLabel(int site, const QString& name, SiteNaming naming = SiteNaming::ByNumber);
// "answered", "cancelled" or "failed": a fixed word for programs that read the output, so never translated.
QString outcomeWord(SiteReport::Outcome outcome);
// What a run's sites gave, such as "3 sites: 1 answered, 1 cancelled, 1 failed", leaving out the outcomes no site
// had.
QString runSummary(const QList<SiteReport>& reports);
