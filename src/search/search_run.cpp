#include "search_run.h"

#include <exception>

#include <QScopeGuard>

#include "ftp_link.h"
#include "result_scan.h"
#include "run_listener.h"
#include "search_log.h"
#include "site_request.h"
#include "site_store.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

const QString headingLine = u"ID\tTrack\tArtist\tAlbum\r\n"_s;

// The transfer itself reports these two; every other failure still leaves a page, which is read like any other.
bool endsTheRun(const TransferError& error)
{
    return error.kind == TransferError::Kind::CannotStart || error.kind == TransferError::Kind::TooLarge;
}

QString whatFailed(const std::exception& failure)
{
    return QString::fromLocal8Bit(failure.what());
}

// The name and the reason may hold what a site or a settings file wrote, which must not reach a terminal as it is.
void log(const SiteReport& report)
{
    if (report.outcome == SiteReport::Outcome::Failed)
        qCWarning(lcSearch).noquote()
            << u"site %1 (%2): %3"_s.arg(report.site).arg(visibleField(report.name), visibleField(report.reason));
    else
        qCDebug(lcSearch).noquote() << u"site %1:"_s.arg(report.site) << visibleField(report.summary());
}

} // namespace

SearchRun::SearchRun(const SiteStore& store, TransferComponent& transfer, EventDelivery& events, RunListener& listener)
    : m_store(store), m_listener(listener), m_fetcher(store, transfer, events)
{
}

QList<SiteReport> SearchRun::run(const QString& keywords, std::optional<int> onlySite)
{
    QList<SiteReport> reports;
    if (m_running || isStopped())
        return reports;
    m_running = true;
    const auto ended = qScopeGuard([this] { m_running = false; });

    showResults(u"Searching......"_s);
    const int sites = searchedSiteCount(m_store);
    for (int site = onlySite.value_or(1); site <= onlySite.value_or(sites); ++site) {
        SiteReport report;
        report.site = site;
        const bool goOn = searchSite(site, keywords, report);
        if (isStopped())
            break;
        log(report);
        reports.append(report);
        m_listener.siteEnded(report);
        if (!goOn)
            break;
    }
    return reports;
}

bool SearchRun::searchSite(int site, const QString& keywords, SiteReport& report)
{
    try {
        report.name = m_store.read(site, SiteStore::Key::Name);
        m_listener.siteStarted(site, report.name);
        const std::optional<FetchResult> answer = m_fetcher.fetch(site, searchRequest(keywords));
        if (!answer)
            return false;
        if (answer->error && endsTheRun(*answer->error)) {
            report.fail(answer->error->reason());
            return false;
        }
        scanResultPage(site, answer->page, report);
        if (answer->error && report.outcome == SiteReport::Outcome::Answered)
            report.fail(answer->error->reason());
        return true;
    } catch (const std::exception& failure) {
        report.fail(whatFailed(failure));
        return false;
    }
}

void SearchRun::scanResultPage(int site, const Page& page, SiteReport& report)
{
    ResultScan scan(page);
    showResults(headingLine);
    try {
        while (const std::optional<HitRow> hit = scan.nextRow()) {
            appendToResults(hit->paneText());
            if (!hit->isComplete())
                return;
            ++report.hits;
            const RunListener::Answer answer = m_listener.askAboutHit(*hit);
            if (isStopped())
                return;
            if (answer == RunListener::Answer::Cancel) {
                report.outcome = SiteReport::Outcome::Cancelled;
                return;
            }
            if (answer == RunListener::Answer::No)
                continue;
            const QString& trackId = hit->fields.first();
            appendToResults(u"Getting Information...\r\n"_s);
            const TrackDetails details = fetchTrackDetails(site, trackId);
            if (isStopped())
                return;
            if (!details.ftpUrl) {
                report.fail(u"details of %1: %2"_s.arg(trackId, details.failure));
                return;
            }
            m_listener.showFtpUrl(*details.ftpUrl);
            if (isStopped())
                return;
        }
    } catch (const std::exception& failure) {
        report.fail(whatFailed(failure));
    }
}

TrackDetails SearchRun::fetchTrackDetails(int site, const QString& trackId)
{
    const std::optional<FetchResult> answer = m_fetcher.fetch(site, detailsRequest(trackId));
    if (!answer)
        return {};
    const std::optional<QString> linkRest = ftpLinkRest(answer->page.text());
    if (!linkRest)
        return {std::nullopt, answer->error ? answer->error->reason() : u"no FTP link on the details page"_s};
    if (!isUsableLinkRest(*linkRest))
        return {std::nullopt, u"no usable FTP link on the details page"_s};
    return {ftpUrl(m_store.read(site, SiteStore::Key::User), m_store.read(site, SiteStore::Key::Pass), *linkRest), {}};
}

void SearchRun::showResults(const QString& text)
{
    m_results = text;
    m_listener.showResults(m_results);
}

void SearchRun::appendToResults(const QString& text)
{
    showResults(m_results + text);
}
