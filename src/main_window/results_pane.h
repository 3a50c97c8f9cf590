#pragma once

#include <QPlainTextEdit>

struct HitRow;

// The results pane of a search, as plain text: "Searching......" while the first site is asked, then for each site
// the heading and a line for each hit it lists, with "Getting Information..." under a hit whose details are
// fetched. Fields are shown as the page gave them, tab-separated under column stops.
class ResultsPane final : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultsPane)

public:
    explicit ResultsPane(QWidget* parent = nullptr);

    void showSearching();
    // A site's page is read: its list replaces the last one.
    void showHeading();
    // Each field found followed by a tab, except that a whole hit's last field ends its line instead.
    void appendHit(const HitRow& hit);
    void appendGettingInformation();

private:
    void append(const QString& text);
};
