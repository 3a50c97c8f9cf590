#pragma once

#include <QPlainTextEdit>

// The results pane: shows plain text only and gives back exactly the text last written. Qt's text widgets turn
// CR LF into a paragraph break and a non-breaking space into a space, so the text is kept beside the widget.
class ResultsPane final : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsPane)

public:
    explicit ResultsPane(QWidget* parent = nullptr);

    const QString& text() const { return m_text; }
    void setText(const QString& text);

private:
    QString m_text;
};
