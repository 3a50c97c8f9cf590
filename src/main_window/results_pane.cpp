#include "results_pane.h"

#include <QTextDocument>
#include <QTextOption>

#include "hit_row.h"

using namespace Qt::StringLiterals;

ResultsPane::ResultsPane(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Column stops for ID, track, artist and album, so typical values line up.
    QTextOption option = document()->defaultTextOption();
    option.setTabs({QTextOption::Tab(48, QTextOption::LeftTab), QTextOption::Tab(210, QTextOption::LeftTab),
                    QTextOption::Tab(340, QTextOption::LeftTab)});
    document()->setDefaultTextOption(option);
}

void ResultsPane::showSearching()
{
    setPlainText(tr("Searching......"));
}

void ResultsPane::showHeading()
{
    setPlainText(tr("ID\tTrack\tArtist\tAlbum") + u'\n');
}

void ResultsPane::appendHit(const HitRow& hit)
{
    QString line;
    for (const QString& field : hit.fields)
        line += HitRow::shownField(field) + u'\t';
    if (hit.isComplete())
        line.back() = u'\n';
    append(line);
}

void ResultsPane::appendGettingInformation()
{
    append(tr("Getting Information...") + u'\n');
}

void ResultsPane::append(const QString& text)
{
    // A field may hold a line break of its own; a site's CR LF is one line break, as plain text shows it.
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    moveCursor(QTextCursor::End);
    insertPlainText(shown);
    moveCursor(QTextCursor::End);
}
