#pragma once

#include <QList>
#include <QString>

#include "answer.h"

struct HitRow;
struct SiteReport;

// What a search run reports as it goes, as values for a front end to show as it sees fit, and the one question it
// asks: whether a hit is wanted.
class RunListener
{
public:
    virtual ~RunListener() = default;

    // The run begins; no site has been asked yet.
    virtual void runStarted() {}
    // A site's request has gone out together with the others', and its turn comes once its answer has.
    virtual void siteAsked(int /*site*/, const QString& /*name*/) {}
    // A site's turn begins, and ends with what it gave.
    virtual void siteStarted(int /*site*/, const QString& /*name*/) {}
    virtual void siteEnded(const SiteReport& /*report*/) {}
    // The site's result page has come and its rows are read next.
    virtual void scanStarted(int /*site*/) {}
    // A row of the page, in page order: a whole hit, or a row cut short, which ends the scan.
    virtual void hitListed(const HitRow& /*hit*/) {}
    // A whole hit, listed just before. Cancel ends the scan of this site's page.
    virtual Answer askAboutHit(const HitRow& hit) = 0;
    // The track details of a wanted hit are being fetched.
    virtual void detailsRequested(const HitRow& /*hit*/) {}
    // The finished FTP URL of a wanted hit; returns once the user has seen it.
    virtual void showFtpUrl(const QString& url) = 0;
    // Every site asked has ended, or the run was stopped.
    virtual void runEnded(const QList<SiteReport>& /*reports*/) {}
};
