#include "frm_main.h"

#include <exception>
#include <optional>
#include <stdexcept>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include "event_delivery.h"
#include "frm_options.h"
#include "ftp_link.h"
#include "hit_row.h"
#include "marker_split.h"
#include "message_boxes.h"
#include "results_pane.h"
#include "search_terms.h"
#include "site_request.h"
#include "site_store.h"
#include "transfer_component.h"
#include "window_style.h"

using namespace Qt::StringLiterals;

namespace {

// Thrown once the program is ending, to unwind a search run from inside a wait without touching anything more.
// It is no std::exception, so no failure handling of the run or the scan takes it for an ordinary failure.
struct ProgramEnding
{
};

const QString headingLine = u"ID\tTrack\tArtist\tAlbum\r\n"_s;
const QString promptTitle = u"Do you want this MP3?"_s;
const QString ftpTitle = u"Please enter this URL in your web browser or FTP client."_s;
constexpr int chunkSize = 1024;
constexpr qsizetype lastRow = 102;

template <typename Widget>
Widget* placed(QWidget* parent, const char* name, QRect geometry)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

frmMain::frmMain(SiteStore& store, TransferComponent& transfer, EventDelivery& events, MessageBoxes& messageBoxes,
                 QWidget* parent)
    : QWidget(parent), m_store(store), Inet1(transfer), m_events(events), m_messageBoxes(messageBoxes)
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Quillfen's MP3 Server Client"_s);
    setFont(windowFont());
    resize(fromTwips(7200, 5190));

    lblHeading = placed<QLabel>(this, "lblHeading", fromTwips(120, 120, 3855, 615));
    lblHeading->setText(u"Please enter Artist, Track, and/or Album separated by a space. Partial names are ok but, "
                        "do not use any wildcard characters."_s);
    lblHeading->setWordWrap(true);
    lblHeading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblQuery = placed<QLabel>(this, "lblQuery", fromTwips(120, 840, 735, 255));
    lblQuery->setText(u"Keywords"_s);
    lblQuery->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtQuery = placed<QLineEdit>(this, "txtQuery", fromTwips(960, 840, 1935, 285));
    lblQuery->setBuddy(txtQuery);
    txtQuery->setAccessibleName(lblQuery->text());
    rtbResults = placed<ResultsPane>(this, "rtbResults", fromTwips(120, 1200, 6975, 3255));
    rtbResults->setAccessibleName(tr("Results"));
    cmdOptions = placed<QPushButton>(this, "cmdOptions", fromTwips(2880, 4680, 1335, 375));
    cmdOptions->setText(u"Options"_s);
    cmdSearch = placed<QPushButton>(this, "cmdSearch", fromTwips(4320, 4680, 1335, 375));
    cmdSearch->setText(u"Search"_s);
    cmdSearch->setDefault(true);
    cmdExit = placed<QPushButton>(this, "cmdExit", fromTwips(5760, 4680, 1335, 375));
    cmdExit->setText(u"Exit"_s);

    setTabOrder(txtQuery, cmdSearch);
    setTabOrder(cmdSearch, rtbResults);
    setTabOrder(rtbResults, cmdExit);
    setTabOrder(cmdExit, cmdOptions);
    txtQuery->setFocus();

    connect(cmdSearch, &QPushButton::clicked, this, [this] { handleEvent([this] { cmdSearch_Click(); }); });
    connect(cmdOptions, &QPushButton::clicked, this, [this] { handleEvent([this] { cmdOptions_Click(); }); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { handleEvent([this] { cmdExit_Click(); }); });
}

frmMain::~frmMain() = default;

void frmMain::keyPressEvent(QKeyEvent* event)
{
    // A plain window has no default button of its own: Enter that no child took presses the focused button, or
    // else Search, as a dialog would.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused ? focused : cmdSearch)->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    stopEverything();
    event->accept();
}

void frmMain::handleEvent(const std::function<void()>& handler)
{
    if (m_ending)
        return;
    // Exceptions must not travel through Qt's event loop: every handler ends here.
    try {
        handler();
    } catch (const ProgramEnding&) {
    } catch (const std::exception& failure) {
        stopEverything();
        m_messageBoxes.showOk(
            tr("Tunedrop has to close after an unexpected failure:\n%1").arg(QString::fromLocal8Bit(failure.what())),
            u"Tunedrop"_s);
        Q_EMIT unexpectedFailure();
    } catch (...) {
        stopEverything();
        m_messageBoxes.showOk(tr("Tunedrop has to close after an unexpected failure."), u"Tunedrop"_s);
        Q_EMIT unexpectedFailure();
    }
}

void frmMain::stopEverything()
{
    m_ending = true;
    Inet1.abort();
}

void frmMain::throwIfEnding() const
{
    if (m_ending)
        throw ProgramEnding{};
}

void frmMain::cmdSearch_Click()
{
    // One run at a time: a nested run would share the transfer component, the site number and the page.
    if (m_searching)
        return;
    const QString typed = txtQuery->text();
    const std::optional<QString> keywords = keywordString(typed);
    if (!keywords)
        return;
    m_searching = true;
    const auto runEnded = qScopeGuard([this] { m_searching = false; });

    rtbResults->setText(u"Searching......"_s);
    const int sites = searchedSiteCount(m_store);
    try {
        for (intSite = 1; intSite <= sites; ++intSite) {
            FetchPage(searchRequest(*keywords));
            Query();
        }
    } catch (const std::exception&) {
        // Any failure while a site is handled ends the run quietly; intSite keeps the site it stopped at.
    }
}

void frmMain::cmdOptions_Click()
{
    if (!m_options)
        m_options = std::make_unique<frmOptions>(m_store, m_messageBoxes);
    m_options->showModal();
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::FetchPage(const SiteRequest& request)
{
    Inet1.setUserName(m_store.read(intSite, SiteStore::Key::User));
    Inet1.setPassword(m_store.read(intSite, SiteStore::Key::Pass));
    const QString url =
        siteUrl(m_store.read(intSite, SiteStore::Key::Addr), m_store.read(intSite, SiteStore::Key::Path), request.page);
    Inet1.Execute(url, request.method, request.body, request.headerBlock);
    while (Inet1.StillExecuting() && !m_ending)
        m_events.waitAndDeliver();
    throwIfEnding();

    strPage.clear();
    QString chunk;
    for (;;) {
        strPage += chunk;
        // Once the body is buffered nothing more may arrive, so this delivery must not wait.
        m_events.deliverPending();
        throwIfEnding();
        chunk = Inet1.GetChunk(chunkSize);
        if (chunk.isEmpty())
            break;
    }
}

void frmMain::Query()
{
    // The scan's own copy of the page: Download refills strPage between hits.
    const QString resultPage = strPage;
    MarkerSplit rows(resultPage, u"<TR");
    rtbResults->setText(headingLine);
    try {
        for (qsizetype k = 2; k <= lastRow; k += 2) {
            const std::optional<QStringView> row = rows.piece(k);
            if (!row)
                return;
            const HitRow hit = cutHitRow(*row);
            appendToPane(hit.paneText());
            if (!hit.isComplete())
                return;
            const MessageBoxes::Answer answer = m_messageBoxes.askYesNoCancel(hit.promptText(), promptTitle);
            throwIfEnding();
            if (answer == MessageBoxes::Answer::Cancel)
                return;
            if (answer == MessageBoxes::Answer::Yes)
                Download(hit.fields.first());
        }
    } catch (const std::exception&) {
        // A row that does not fit, or a failed details step, ends this page's scan; the run goes on.
    }
}

void frmMain::Download(const QString& trackId)
{
    appendToPane(u"Getting Information...\r\n"_s);
    FetchPage(detailsRequest(trackId));
    const std::optional<QString> linkRest = ftpLinkRest(strPage);
    if (!linkRest)
        throw std::runtime_error("the details page holds no FTP link");
    DownloadFTP(
        ftpUrl(m_store.read(intSite, SiteStore::Key::User), m_store.read(intSite, SiteStore::Key::Pass), *linkRest));
}

void frmMain::DownloadFTP(const QString& ftpUrl)
{
    m_messageBoxes.showOk(ftpUrl, ftpTitle);
}

void frmMain::appendToPane(const QString& text)
{
    rtbResults->setText(rtbResults->text() + text);
}
