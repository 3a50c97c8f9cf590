#include "main_window.h"

#include <exception>
#include <optional>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "hit_row.h"
#include "message_boxes.h"
#include "options_dialog.h"
#include "placed.h"
#include "results_pane.h"
#include "search_terms.h"
#include "site_report_label.h"
#include "site_store.h"
#include "window_style.h"

using namespace Qt::StringLiterals;

MainWindow::MainWindow(SiteStore& store, HttpTransfer& transfer, EventDelivery& events, MessageBoxes& messageBoxes,
                       QWidget* parent)
    : QWidget(parent), m_store(store), m_messageBoxes(messageBoxes),
      m_run(store, transfer, events, *this, tr("Options"))
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(tr("Quillfen's MP3 Server Client"));
    setFont(windowFont());
    resize(fromTwips(7200, 5190));

    auto* heading = placed<QLabel>(this, "lblHeading", fromTwips(120, 120, 3855, 615),
                                   tr("Please enter Artist, Track, and/or Album separated by a space. Partial names "
                                      "are ok but, do not use any wildcard characters."));
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // In the free space right of the heading, out of the tab order, so that no control moves or changes.
    m_siteReport = placed<SiteReportLabel>(this, "lblSiteReport", fromTwips(4080, 120, 3015, 615));
    auto* keywordsLabel = placed<QLabel>(this, "lblQuery", fromTwips(120, 840, 735, 255), tr("Keywords"));
    keywordsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_keywords = placed<QLineEdit>(this, "txtQuery", fromTwips(960, 840, 1935, 285));
    keywordsLabel->setBuddy(m_keywords);
    m_keywords->setAccessibleName(keywordsLabel->text());
    m_results = placed<ResultsPane>(this, "rtbResults", fromTwips(120, 1200, 6975, 3255));
    m_results->setAccessibleName(tr("Results"));
    auto* optionsButton = placed<QPushButton>(this, "cmdOptions", fromTwips(2880, 4680, 1335, 375), tr("Options"));
    m_searchButton = placed<QPushButton>(this, "cmdSearch", fromTwips(4320, 4680, 1335, 375), tr("Search"));
    m_searchButton->setDefault(true);
    auto* exitButton = placed<QPushButton>(this, "cmdExit", fromTwips(5760, 4680, 1335, 375), tr("Exit"));

    setTabOrder(m_keywords, m_searchButton);
    setTabOrder(m_searchButton, m_results);
    setTabOrder(m_results, exitButton);
    setTabOrder(exitButton, optionsButton);
    m_keywords->setFocus();

    connect(m_searchButton, &QPushButton::clicked, this, [this] { runGuarded([this] { onSearchClicked(); }); });
    connect(optionsButton, &QPushButton::clicked, this, [this] { runGuarded([this] { onOptionsClicked(); }); });
    connect(exitButton, &QPushButton::clicked, this, [this] { runGuarded([this] { close(); }); });
}

MainWindow::~MainWindow() = default;

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // A plain window has no default button of its own: Enter that no child took presses the focused button, or
    // else Search, as a dialog would.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused ? focused : m_searchButton)->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_run.stop();
    event->accept();
}

void MainWindow::runGuarded(const std::function<void()>& handler)
{
    if (m_run.isStopped())
        return;
    // Exceptions must not travel through Qt's event loop: every handler ends here.
    QString reason;
    try {
        handler();
        return;
    } catch (const std::exception& failure) {
        reason = QString::fromLocal8Bit(failure.what());
    } catch (...) {
    }
    m_run.stop();
    m_messageBoxes.showOk(reason.isEmpty() ? tr("Tunedrop has to close after an unexpected failure.")
                                           : tr("Tunedrop has to close after an unexpected failure:\n%1").arg(reason),
                          tr("Tunedrop"));
    Q_EMIT unexpectedFailure();
}

void MainWindow::onSearchClicked()
{
    // One run at a time: a nested run would share the transfer and the results pane.
    if (m_run.isRunning())
        return;
    const std::optional<QString> keywords = keywordString(m_keywords->text());
    if (!keywords)
        return;
    m_siteReport->clearReport();
    // Read as the search begins, where a failure can be shown; the run reads what was loaded.
    if (const std::optional<SettingsError> error = m_store.load()) {
        m_results->clear();
        m_siteReport->showFailure(error->sentence());
        m_messageBoxes.showOk(tr("The site settings could not be read.\n%1").arg(error->sentence()), tr("Search"));
        return;
    }
    m_run.run(*keywords);
}

void MainWindow::onOptionsClicked()
{
    if (!m_options)
        m_options = std::make_unique<OptionsDialog>(m_store, m_messageBoxes);
    m_options->showModal();
}

void MainWindow::runStarted()
{
    m_results->showSearching();
}

void MainWindow::siteStarted(int site, const QString& name)
{
    m_siteReport->showAsking(site, name);
}

void MainWindow::siteEnded(const SiteReport& report)
{
    m_siteReport->addSite(report);
}

void MainWindow::scanStarted(int /*site*/)
{
    m_results->showHeading();
}

void MainWindow::hitListed(const HitRow& hit)
{
    m_results->appendHit(hit);
}

Answer MainWindow::askAboutHit(const HitRow& hit)
{
    return m_messageBoxes.askYesNoCancel(hit.promptText(), tr("Do you want this MP3?"));
}

void MainWindow::detailsRequested(const HitRow& /*hit*/)
{
    m_results->appendGettingInformation();
}

void MainWindow::showFtpUrl(const QString& url)
{
    m_messageBoxes.showOk(url, tr("Please enter this URL in your web browser or FTP client."));
}

void MainWindow::runEnded(const QList<SiteReport>& /*reports*/)
{
    if (!m_run.isStopped())
        m_siteReport->showCount();
}
