#pragma once

#include <functional>
#include <memory>

#include <QWidget>

class EventDelivery;
class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultsPane;
class SiteStore;
class TransferComponent;
class frmOptions;
struct SiteRequest;

// The main window: keyword box, results pane and buttons, and the search run over the configured sites with its
// page fetch, result scan and track details step. Everything runs on the user-interface thread; a fetch lets
// window events through while it waits, so the buttons stay live during a run.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    frmMain(SiteStore& store, TransferComponent& transfer, EventDelivery& events, MessageBoxes& messageBoxes,
            QWidget* parent = nullptr);
    ~frmMain() override;

    qint16 site() const { return intSite; }
    const QString& page() const { return strPage; }

Q_SIGNALS:
    // A failure met no handling of the program's own; it has been shown to the user and the program must end.
    void unexpectedFailure();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdSearch_Click();
    void cmdOptions_Click();
    void cmdExit_Click();

    void FetchPage(const SiteRequest& request);
    void Query();
    void Download(const QString& trackId);
    void DownloadFTP(const QString& ftpUrl);

    void appendToPane(const QString& text);
    void handleEvent(const std::function<void()>& handler);
    void stopEverything();
    void throwIfEnding() const;

    SiteStore& m_store;
    TransferComponent& Inet1;
    EventDelivery& m_events;
    MessageBoxes& m_messageBoxes;

    QLabel* lblHeading;
    QLabel* lblQuery;
    QLineEdit* txtQuery;
    ResultsPane* rtbResults;
    QPushButton* cmdOptions;
    QPushButton* cmdSearch;
    QPushButton* cmdExit;
    std::unique_ptr<frmOptions> m_options;

    qint16 intSite = 0;
    QString strPage;
    bool m_searching = false;
    bool m_ending = false;
};
