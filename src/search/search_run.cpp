#include "search_run.h"

#include <algorithm>

#include <QScopeGuard>

#include "event_delivery.h"
#include "ftp_link.h"
#include "http_reply.h"
#include "run_listener.h"
#include "search_log.h"
#include "site_request.h"
#include "site_store.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;
using Reading = PageFetcher::Reading;

namespace {

// The name and the reason may hold what a site or a settings file wrote, which must not reach a terminal as it is.
void log(const SiteReport& report)
{
    const QString site = siteLabel(report.site, report.name);
    if (report.outcome == SiteReport::Outcome::Failed)
        qCWarning(lcSearch).noquote() << site + u": "_s + visibleField(report.reason);
    else
        qCDebug(lcSearch).noquote() << site + u": "_s + visibleField(report.summary());
}

} // namespace

SearchRun::SearchRun(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events, RunListener& listener,
                     QString settingsPlace)
    : m_store(store), m_listener(listener, m_stop), m_events(events), m_fetcher(store, transfer, events, m_stop),
      m_settingsPlace(std::move(settingsPlace))
{
}

QList<SiteReport> SearchRun::run(const QString& keywords, std::optional<int> onlySite)
{
    return runSites([&](QList<SiteReport>& reports) {
        const int sites = searchedSiteCount(m_store);
        for (int site = onlySite.value_or(1); site <= onlySite.value_or(sites); ++site) {
            const auto fetch = [&] { return m_fetcher.fetch(site, searchRequest(keywords), Reading::Rows); };
            takeTurn(site, m_store.read(site, SiteStore::Key::Name), fetch, reports);
        }
    });
}

QList<SiteReport> SearchRun::runAtOnce(const QString& keywords)
{
    return runSites([&](QList<SiteReport>& reports) {
        // Every record is read before anything is sent, so the sites are asked as they stood when the run began.
        const int sites = searchedSiteCount(m_store);
        QList<SiteStore::Record> records;
        for (int site = 1; site <= sites; ++site)
            records.append(m_store.record(site));
        std::vector<PageFetcher::Pending> requests;
        for (int site = 1; site <= sites; ++site) {
            requests.push_back(m_fetcher.start(site, records.at(site - 1), searchRequest(keywords), Reading::Rows));
            m_listener.siteAsked(site, records.at(site - 1).name);
        }
        const auto hasEnded = [](const PageFetcher::Pending& pending) {
            return pending.unsent || pending.reply->isFinished();
        };
        while (!requests.empty()) {
            const auto ended = std::find_if(requests.begin(), requests.end(), hasEnded);
            if (ended == requests.end()) {
                m_stop.leaveIfStopped();
                m_events.waitAndDeliver();
                continue;
            }
            PageFetcher::Pending pending = std::move(*ended);
            requests.erase(ended);
            const auto wait = [&] { return m_fetcher.wait(pending); };
            takeTurn(pending.site, records.at(pending.site - 1).name, wait, reports);
        }
    });
}

QList<SiteReport> SearchRun::runSites(const std::function<void(QList<SiteReport>&)>& askSites)
{
    QList<SiteReport> reports;
    if (m_running)
        return reports;
    m_running = true;
    const auto ended = qScopeGuard([this] { m_running = false; });
    // A run stopped before it began tells nothing at all; one stopped within is told that it ended.
    try {
        m_stop.leaveIfStopped();
        const auto told = qScopeGuard([&] { m_listener.runEnded(reports); });
        m_listener.runStarted();
        askSites(reports);
    } catch (const RunStop::Stopped&) {
        // What the sites gave before the run was stopped is all it gives.
    }
    return reports;
}

void SearchRun::takeTurn(int site, const QString& name, const std::function<FetchResult()>& fetch,
                         QList<SiteReport>& reports)
{
    SiteReport report;
    report.site = site;
    report.name = name;
    m_listener.siteStarted(site, name);
    const FetchResult answer = fetch();
    // A failed request still leaves what arrived of the page, which is read like any other.
    listRows(site, answer.rows, report);
    if (const std::optional<QString> failure = answer.failure(m_settingsPlace);
        failure && report.outcome == SiteReport::Outcome::Answered)
        report.fail(*failure);
    log(report);
    reports.append(report);
    m_listener.siteEnded(report);
}

void SearchRun::listRows(int site, const QList<HitRow>& rows, SiteReport& report)
{
    m_listener.scanStarted(site);
    for (const HitRow& hit : rows) {
        m_listener.hitListed(hit);
        if (!hit.isComplete())
            return;
        ++report.hits;
        const Answer answer = m_listener.askAboutHit(hit);
        if (answer == Answer::Cancel) {
            report.outcome = SiteReport::Outcome::Cancelled;
            return;
        }
        if (answer == Answer::No)
            continue;
        const QString& trackId = hit.fields.first();
        m_listener.detailsRequested(hit);
        const TrackDetails details = detailsOf(site, trackId);
        if (details.outcome == TrackDetails::Outcome::Failed) {
            report.fail(tr("details of %1: %2").arg(HitRow::shownField(trackId), details.reason));
            return;
        }
        m_listener.showFtpUrl(details.ftpUrl);
    }
}

TrackDetails SearchRun::fetchTrackDetails(int site, const QString& trackId)
{
    try {
        return detailsOf(site, trackId);
    } catch (const RunStop::Stopped&) {
        return {TrackDetails::Outcome::Stopped, {}, {}};
    }
}

TrackDetails SearchRun::detailsOf(int site, const QString& trackId)
{
    const auto failed = [](const QString& reason) { return TrackDetails{TrackDetails::Outcome::Failed, {}, reason}; };
    // No real ID comes near this, and the whole of a giant one would go out in the request line.
    if (trackId.size() > HitRow::longestShownField)
        return failed(tr("track ID too long"));
    const FetchResult answer = m_fetcher.fetch(site, detailsRequest(trackId), Reading::Whole);
    const std::optional<QString> linkRest = ftpLinkRest(answer.page.text());
    if (!linkRest)
        return failed(answer.failure(m_settingsPlace).value_or(tr("no FTP link on the details page")));
    if (!isUsableLinkRest(*linkRest))
        return failed(tr("no usable FTP link on the details page"));
    return {TrackDetails::Outcome::Found,
            ftpUrl(m_store.read(site, SiteStore::Key::User), m_store.read(site, SiteStore::Key::Pass), *linkRest),
            {}};
}
