#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QString>
#include <QTimer>

class StandardStream;

// One line on a terminal that says how far a search has come, such as "2 of 3 sites done; asking site 1 (Name),
// 12 s", redrawn in place once a second while sites are asked. It is taken off before other lines are written, so
// that it never ends up among them.
class StatusLine final
{
public:
    explicit StatusLine(StandardStream& terminal);
    ~StatusLine();
    Q_DISABLE_COPY_MOVE(StatusLine)

    // A site is asked; asking it again changes nothing.
    void siteAsked(int site, const QString& name);
    // A site has given what it gave; the line comes back if others are still asked.
    void siteEnded(int site);
    // Takes the line off the terminal until the next redraw.
    void clear();

private:
    void draw();

    StandardStream& m_terminal;
    QMap<int, QString> m_asking;
    int m_sites = 0;
    QElapsedTimer m_since;
    QTimer m_tick;
    bool m_shown = false;
};
