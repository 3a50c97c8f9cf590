#include "page_fetcher.h"

#include "event_delivery.h"
#include "http_transfer.h"
#include "search_log.h"
#include "site_request.h"
#include "site_store.h"

using namespace Qt::StringLiterals;

PageFetcher::PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events)
    : m_store(store), m_transfer(transfer), m_events(events)
{
}

PageFetcher::~PageFetcher() = default;

std::optional<FetchResult> PageFetcher::fetch(int site, const SiteRequest& request)
{
    using Kind = TransferError::Kind;
    if (m_stopped)
        return std::nullopt;
    const QString address = m_store.read(site, SiteStore::Key::Addr);
    // Without an address the page name would stand where the host belongs, and its name would be looked up.
    if (address.isEmpty())
        return FetchResult{{}, TransferError{Kind::NoAddress, {}}};
    if (const std::optional<QString> problem = addressProblem(address))
        return FetchResult{{}, TransferError{Kind::BadAddress, *problem}};
    const std::optional<QUrl> url = siteUrl(address, m_store.read(site, SiteStore::Key::Path), request.page);
    if (!url)
        return FetchResult{{}, TransferError{Kind::BadPath, {}}};

    HttpRequest http{*url,
                     request.method,
                     request.headers,
                     request.body,
                     m_store.read(site, SiteStore::Key::User),
                     m_store.read(site, SiteStore::Key::Pass)};
    qCDebug(lcFetch).noquote() << "site" << site << request.method << url->toDisplayString();
    m_reply = m_transfer.start(http);
    while (!m_stopped && !m_reply->isFinished())
        m_events.waitAndDeliver();
    // What the wait left pending, before the page is looked at; a close among it ends the fetch.
    m_events.deliverPending();
    if (m_stopped)
        return std::nullopt;
    HttpAnswer answer = std::exchange(m_reply, nullptr)->takeAnswer();
    FetchResult result{Page(std::move(answer.body), answer.charset), answer.error};
    qCDebug(lcFetch).noquote() << "site" << site << "read" << result.page.body().size() << "bytes"
                               << (result.error ? result.error->reason() : u"in full"_s);
    return result;
}

void PageFetcher::stop()
{
    m_stopped = true;
    // The request ends here, and its connection with it.
    m_reply.reset();
}
