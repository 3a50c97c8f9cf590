#pragma once

#include <functional>
#include <optional>

#include <QCoreApplication>
#include <QList>
#include <QString>

#include "page_fetcher.h"
#include "run_stop.h"
#include "site_report.h"
#include "stopping_listener.h"

class EventDelivery;
class RunListener;
class SiteStore;
class HttpTransfer;

// The end of a track's details step: the finished FTP URL, why there is none, or that the run was stopped first.
struct TrackDetails
{
    enum class Outcome
    {
        Found,
        Failed,
        Stopped
    };

    Outcome outcome = Outcome::Found;
    QString ftpUrl;
    QString reason;
};

// A search over the configured sites: each site's result page is fetched, its hits are listed and offered one by
// one, and for each wanted hit the track's details page gives the FTP URL to show. Everything happens on the
// calling thread; window events are let through while a site is slow.
class SearchRun
{
public:
    // A reason that asks the user to mend a site record names `settingsPlace`, where the front end has that done.
    SearchRun(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events, RunListener& listener,
              QString settingsPlace);
    Q_DISABLE_COPY_MOVE(SearchRun)

    // Searches site 1 and each further site up to the first one without a name with the keyword string, and
    // returns what each site asked gave. Whatever goes wrong with one site ends that site's turn alone. The sites are
    // those the store last loaded or stored.
    QList<SiteReport> run(const QString& keywords, std::optional<int> onlySite = std::nullopt);
    // The same search with every counted site asked at once, for a caller that asks nothing in between: the
    // records are read once at the start, and each site takes its turn as soon as its answer has come, so that a
    // slow or silent site holds up no other. The reports come in the order the sites ended.
    QList<SiteReport> runAtOnce(const QString& keywords);
    // Fetches the details page of a track of `site` and builds its FTP URL with the site's account.
    TrackDetails fetchTrackDetails(int site, const QString& trackId);
    bool isRunning() const { return m_running; }
    // Ends the run under way for good, and every later one before it starts: nothing more is asked or shown.
    void stop() { m_stop.stop(); }
    bool isStopped() const { return m_stop.isStopped(); }

private:
    // Runs `askSites` as the run under way, unless one is or the run was stopped; gives what it reported.
    QList<SiteReport> runSites(const std::function<void(QList<SiteReport>&)>& askSites);
    // A site's turn with the answer `fetch` waits for.
    void takeTurn(int site, const QString& name, const std::function<FetchResult()>& fetch, QList<SiteReport>& reports);
    void listRows(int site, const QList<HitRow>& rows, SiteReport& report);
    // The details of a track, found or failed; a stopped run is left.
    TrackDetails detailsOf(int site, const QString& trackId);

    const SiteStore& m_store;
    RunStop m_stop;
    StoppingListener m_listener;
    EventDelivery& m_events;
    PageFetcher m_fetcher;
    QString m_settingsPlace;
    bool m_running = false;

    Q_DECLARE_TR_FUNCTIONS(SearchRun)
};
