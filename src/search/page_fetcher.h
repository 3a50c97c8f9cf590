#pragma once

#include <memory>
#include <optional>

#include "page.h"
#include "record_problem.h"
#include "site_store.h"
#include "transfer_error.h"

class EventDelivery;
class HttpReply;
class HttpTransfer;
struct SiteRequest;

// What a fetch read: the answer's body, and what went wrong, if anything. A failed request still has a page, the
// body that arrived, which is often empty.
struct FetchResult
{
    Page page;
    std::optional<TransferError> error;
    // Set when the site's record stopped the request before anything was sent.
    std::optional<RecordProblem> recordProblem;

    // Why the fetch failed, if it did; a reason about the record names `settingsPlace`.
    std::optional<QString> failure(const QString& settingsPlace) const;
};

// Sends requests to sites and takes their whole answers, letting window events through while it waits, so the
// window stays live during a slow site.
class PageFetcher
{
public:
    // A request on its way, or what became of one that was never sent. Dropping it ends the request.
    struct Pending
    {
        int site = 0;
        std::unique_ptr<HttpReply> reply;
        std::optional<FetchResult> unsent;

        Pending();
        Pending(Pending&&) noexcept;
        Pending& operator=(Pending&&) noexcept;
        ~Pending();
    };

    PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events);

    // Sends `request` to the site of `record` and returns at once, so that several sites can be asked together.
    Pending start(int site, const SiteStore::Record& record, const SiteRequest& request);
    // Waits for the answer of a started request. Nothing once stop() was called, before or during the wait.
    std::optional<FetchResult> wait(Pending& pending);
    // Reads the account and address of `site` afresh, sends `request` and waits for its answer.
    std::optional<FetchResult> fetch(int site, const SiteRequest& request);
    // Ends every wait for good, and with it the requests waited for: the program is ending.
    void stop() { m_stopped = true; }
    bool isStopped() const { return m_stopped; }

private:
    const SiteStore& m_store;
    HttpTransfer& m_transfer;
    EventDelivery& m_events;
    bool m_stopped = false;
};
