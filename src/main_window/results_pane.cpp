#include "results_pane.h"

#include <QTextDocument>
#include <QTextOption>

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

void ResultsPane::setText(const QString& text)
{
    m_text = text;
    QString shown = text;
    shown.replace(u"\r\n"_s, u"\n"_s);
    setPlainText(shown);
    moveCursor(QTextCursor::End);
}
