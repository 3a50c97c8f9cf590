#pragma once

#include <memory>
#include <optional>

#include "page.h"
#include "transfer_error.h"

class EventDelivery;
class HttpReply;
class HttpTransfer;
class SiteStore;
struct SiteRequest;

// What a fetch read: the answer's body, and what went wrong, if anything. A failed request still has a page, the
// body that arrived, which is often empty.
struct FetchResult
{
    Page page;
    std::optional<TransferError> error;
};

// Sends one request to a site and takes the whole answer, letting window events through while it waits, so the
// window stays live during a slow site.
class PageFetcher
{
public:
    PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events);
    ~PageFetcher();
    Q_DISABLE_COPY_MOVE(PageFetcher)

    // Reads the account and address of `site` afresh, sends `request` and reads its answer. Nothing once stop() was
    // called, before or during the fetch.
    std::optional<FetchResult> fetch(int site, const SiteRequest& request);
    // Ends the transfer under way for good: the program is ending.
    void stop();
    bool isStopped() const { return m_stopped; }

private:
    const SiteStore& m_store;
    HttpTransfer& m_transfer;
    EventDelivery& m_events;
    std::unique_ptr<HttpReply> m_reply;
    bool m_stopped = false;
};
