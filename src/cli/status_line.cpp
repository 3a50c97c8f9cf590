#include "status_line.h"

#include <wchar.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include <QStringList>

#include "site_report.h"
#include "standard_stream.h"

using namespace Qt::StringLiterals;

namespace {

// Back to the start of the line, then erase to its end.
const QString eraseLine = u"\r\x1b[K"_s;

int terminalColumns()
{
    winsize size = {};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

// A line that wrapped could not be redrawn in place, so it is cut to fit, wide characters counted twice and the
// last column left free.
QString fitted(const QString& line, int columns)
{
    const QList<uint> codePoints = line.toUcs4();
    QList<int> widthBefore{0};
    for (const uint codePoint : codePoints) {
        const int width = ::wcwidth(wchar_t(codePoint));
        widthBefore.append(widthBefore.last() + (width < 0 ? 2 : width));
    }
    if (widthBefore.last() < columns)
        return line;
    qsizetype kept = codePoints.size();
    while (kept > 0 && widthBefore.at(kept) + 1 >= columns)
        --kept;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codePoints.constData()), kept) + u'\u2026';
}

} // namespace

StatusLine::StatusLine(StandardStream& terminal) : m_terminal(terminal)
{
    m_since.start();
    m_tick.setInterval(1000);
    QObject::connect(&m_tick, &QTimer::timeout, &m_tick, [this] { draw(); });
}

StatusLine::~StatusLine()
{
    clear();
}

void StatusLine::siteAsked(int site, const QString& name)
{
    if (m_asking.contains(site))
        return;
    m_asking.insert(site, siteLabel(site, name));
    ++m_sites;
    // Drawn once the event loop runs, when every site asked together is in the count.
    if (!m_tick.isActive())
        QTimer::singleShot(0, &m_tick, [this] {
            if (!m_asking.isEmpty())
                draw();
        });
    m_tick.start();
}

void StatusLine::siteEnded(int site)
{
    m_asking.remove(site);
    if (m_asking.isEmpty()) {
        m_tick.stop();
        clear();
    } else {
        draw();
    }
}

void StatusLine::clear()
{
    if (m_shown)
        m_terminal.write(eraseLine);
    m_shown = false;
}

void StatusLine::draw()
{
    const QString line = u"%1 of %2 sites done; asking %3, %4 s"_s.arg(m_sites - m_asking.size())
                             .arg(m_sites)
                             .arg(QStringList(m_asking.values()).join(u", "_s))
                             .arg(m_since.elapsed() / 1000);
    m_terminal.write(eraseLine + fitted(line, terminalColumns()));
    m_shown = true;
}
