#pragma once

#include <QString>

struct HitRow;
struct SiteReport;

// What a search run shows the user, and the one question it asks: whether a hit is wanted.
class RunListener
{
public:
    enum class Answer
    {
        Yes,
        No,
        Cancel
    };

    virtual ~RunListener() = default;

    // The results pane's whole new text; lines end in CR LF, columns are separated by tabs.
    virtual void showResults(const QString& text) = 0;
    // A whole hit of the site being asked: ID, track, artist and album. Cancel ends the scan of this site's page.
    virtual Answer askAboutHit(const HitRow& hit) = 0;
    // The finished FTP URL of a wanted hit; returns once the user has seen it.
    virtual void showFtpUrl(const QString& url) = 0;
    // A site's turn begins, and ends with what it gave.
    virtual void siteStarted(int /*site*/, const QString& /*name*/) {}
    virtual void siteEnded(const SiteReport& /*report*/) {}
};
