#include "page_fetcher.h"

#include "event_delivery.h"
#include "http_transfer.h"
#include "search_log.h"
#include "site_request.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

PageFetcher::Pending::Pending() = default;
PageFetcher::Pending::Pending(Pending&&) noexcept = default;
PageFetcher::Pending& PageFetcher::Pending::operator=(Pending&&) noexcept = default;
PageFetcher::Pending::~Pending() = default;

std::optional<QString> FetchResult::failure(const QString& settingsPlace) const
{
    if (recordProblem)
        return recordProblem->reason(settingsPlace);
    if (error)
        return error->reason();
    return std::nullopt;
}

PageFetcher::PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events)
    : m_store(store), m_transfer(transfer), m_events(events)
{
}

PageFetcher::Pending PageFetcher::start(int site, const SiteStore::Record& record, const SiteRequest& request)
{
    using Kind = RecordProblem::Kind;
    Pending pending;
    pending.site = site;
    const auto unsent = [&pending](Kind kind, const QString& detail = {}) {
        pending.unsent = FetchResult{{}, std::nullopt, RecordProblem{kind, detail}};
        return std::move(pending);
    };
    // Without an address the page name would stand where the host belongs, and its name would be looked up.
    if (record.address.isEmpty())
        return unsent(Kind::NoAddress);
    if (const std::optional<QString> problem = addressProblem(record.address))
        return unsent(Kind::BadAddress, *problem);
    const std::optional<QUrl> url = siteUrl(record.address, record.path, request.page);
    if (!url)
        return unsent(Kind::BadPath);
    qCDebug(lcFetch).noquote() << "site" << site << request.method << visibleField(url->toDisplayString());
    pending.reply =
        m_transfer.start({*url, request.method, request.headers, request.body, record.userName, record.password});
    return pending;
}

std::optional<FetchResult> PageFetcher::wait(Pending& pending)
{
    if (pending.unsent)
        return std::exchange(pending.unsent, std::nullopt);
    while (!m_stopped && !pending.reply->isFinished())
        m_events.waitAndDeliver();
    // What the wait left pending, before the page is looked at; a close among it ends the fetch.
    m_events.deliverPending();
    if (m_stopped)
        return std::nullopt;
    HttpAnswer answer = std::exchange(pending.reply, nullptr)->takeAnswer();
    FetchResult result{Page(std::move(answer.body), answer.charset), answer.error, std::nullopt};
    qCDebug(lcFetch).noquote() << "site" << pending.site << "read" << result.page.body().size() << "bytes"
                               << (result.error ? visibleField(result.error->reason()) : u"in full"_s);
    return result;
}

std::optional<FetchResult> PageFetcher::fetch(int site, const SiteRequest& request)
{
    if (m_stopped)
        return std::nullopt;
    Pending pending = start(site, m_store.record(site), request);
    return wait(pending);
}
