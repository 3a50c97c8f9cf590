#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "run_listener.h"
#include "search_run.h"

class EventDelivery;
class MessageBoxes;
class OptionsDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultsPane;
class SiteReportLabel;
class SiteStore;
class HttpTransfer;

// The main window: keyword box, results pane and the Options, Search and Exit buttons. Search hands the keywords
// to a search run and shows what it reports: the pane text, a prompt for each hit, the FTP URL of a wanted one, and
// beside the heading what each site gave.
// The buttons stay live while a site is slow; closing the window ends the run under way.
class MainWindow final : public QWidget, private RunListener
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    MainWindow(SiteStore& store, HttpTransfer& transfer, EventDelivery& events, MessageBoxes& messageBoxes,
               QWidget* parent = nullptr);
    ~MainWindow() override;

Q_SIGNALS:
    // A failure met no handling of the program's own; it has been shown to the user and the program must end.
    void unexpectedFailure();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onSearchClicked();
    void onOptionsClicked();
    void runGuarded(const std::function<void()>& handler);

    void runStarted() override;
    void siteStarted(int site, const QString& name) override;
    void siteEnded(const SiteReport& report) override;
    void scanStarted(int site) override;
    void hitListed(const HitRow& hit) override;
    Answer askAboutHit(const HitRow& hit) override;
    void detailsRequested(const HitRow& hit) override;
    void showFtpUrl(const QString& url) override;
    void runEnded(const QList<SiteReport>& reports) override;

    SiteStore& m_store;
    MessageBoxes& m_messageBoxes;
    SearchRun m_run;

    QLineEdit* m_keywords;
    ResultsPane* m_results;
    QPushButton* m_searchButton;
    SiteReportLabel* m_siteReport;
    std::unique_ptr<OptionsDialog> m_options;
};
