#pragma once

#include <QString>

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
    // The hit's ID, track, artist and album joined by tabs. Cancel ends the scan of this site's page.
    virtual Answer askAboutHit(const QString& hitText) = 0;
    // The finished FTP URL of a wanted hit; returns once the user has seen it.
    virtual void showFtpUrl(const QString& url) = 0;
};
