#pragma once

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
};

// "answered", "cancelled" or "failed".
QString outcomeWord(SiteReport::Outcome outcome);
// What a run's sites gave, such as "3 sites: 1 answered, 1 cancelled, 1 failed", leaving out the outcomes no site
// had.
QString runSummary(const QList<SiteReport>& reports);
