#pragma once

#include <memory>
#include <optional>

#include <QList>

#include "hit_row.h"
#include "page.h"
#include "record_problem.h"
#include "site_store.h"
#include "transfer_error.h"

class EventDelivery;
class HttpReply;
class HttpTransfer;
class ResultScan;
class RunStop;
struct SiteRequest;

// What a fetch read, and what went wrong, if anything: a page kept whole, or the rows of a result page scanned as it
// arrived. A failed request still has what arrived, which is often nothing; one cut off by a limit has nothing.
struct FetchResult
{
    Page page;
    QList<HitRow> rows;
    std::optional<TransferError> error;
    // Set when the site's record stopped the request before anything was sent.
    std::optional<RecordProblem> recordProblem;

    // Why the fetch failed, if it did; a reason about the record names `settingsPlace`.
    std::optional<QString> failure(const QString& settingsPlace) const;
};

// Sends requests to sites and takes their answers, letting window events through while it waits, so the window
// stays live during a slow site.
class PageFetcher
{
public:
    // How a page is read: kept whole, or scanned for its rows as it arrives, keeping nothing else of it.
    enum class Reading
    {
        Whole,
        Rows
    };

    // A request on its way, or what became of one that was never sent. Dropping it ends the request.
    struct Pending
    {
        int site = 0;
        // Outlives the reply that hands it the body.
        std::unique_ptr<ResultScan> scan;
        std::unique_ptr<HttpReply> reply;
        std::optional<FetchResult> unsent;

        Pending();
        Pending(Pending&&) noexcept;
        Pending& operator=(Pending&&) noexcept;
        ~Pending();
    };

    // Every wait leaves a run that `stop` has stopped.
    PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events, const RunStop& stop);

    // Sends `request` to the site of `record` and returns at once, so that several sites can be asked together.
    Pending start(int site, const SiteStore::Record& record, const SiteRequest& request, Reading reading);
    // Waits for the answer of a started request.
    FetchResult wait(Pending& pending);
    // Reads the account and address of `site` afresh, sends `request` and waits for its answer.
    FetchResult fetch(int site, const SiteRequest& request, Reading reading);

private:
    const SiteStore& m_store;
    HttpTransfer& m_transfer;
    EventDelivery& m_events;
    const RunStop& m_stop;
};
