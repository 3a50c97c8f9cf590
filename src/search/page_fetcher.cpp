#include "page_fetcher.h"

#include "event_delivery.h"
#include "http_transfer.h"
#include "result_scan.h"
#include "run_stop.h"
#include "search_log.h"
#include "site_request.h"
#include "visible_text.h"

using namespace Qt::StringLiterals;

namespace {

// What arrived of an answer cut off by a limit is no page to read.
bool isCutOff(const std::optional<TransferError>& error)
{
    using Kind = TransferError::Kind;
    return error && (error->kind == Kind::TooLarge || error->kind == Kind::TooSlow || error->kind == Kind::TimedOut);
}

} // namespace

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

PageFetcher::PageFetcher(const SiteStore& store, HttpTransfer& transfer, EventDelivery& events, const RunStop& stop)
    : m_store(store), m_transfer(transfer), m_events(events), m_stop(stop)
{
}

PageFetcher::Pending PageFetcher::start(int site, const SiteStore::Record& record, const SiteRequest& request,
                                        Reading reading)
{
    using Kind = RecordProblem::Kind;
    Pending pending;
    pending.site = site;
    const auto unsent = [&pending](Kind kind, const QString& detail = {}) {
        pending.unsent = FetchResult{{}, {}, std::nullopt, RecordProblem{kind, detail}};
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
    if (reading == Reading::Rows)
        pending.scan = std::make_unique<ResultScan>();
    pending.reply = m_transfer.start(
        {*url, request.method, request.headers, request.body, record.userName, record.password, pending.scan.get()});
    return pending;
}

FetchResult PageFetcher::wait(Pending& pending)
{
    if (pending.unsent)
        return *std::exchange(pending.unsent, std::nullopt);
    while (!pending.reply->isFinished()) {
        m_stop.leaveIfStopped();
        m_events.waitAndDeliver();
    }
    // What the wait left pending, before the page is looked at; a close among it ends the fetch.
    m_events.deliverPending();
    m_stop.leaveIfStopped();
    HttpAnswer answer = std::exchange(pending.reply, nullptr)->takeAnswer();
    if (pending.scan && isCutOff(answer.error))
        pending.scan->bodyStarted({});
    FetchResult result{isCutOff(answer.error) ? Page() : Page(std::move(answer.body), answer.charset),
                       pending.scan ? pending.scan->takeRows() : QList<HitRow>(), answer.error, std::nullopt};
    const qsizetype bytes = pending.scan ? pending.scan->bytesRead() : result.page.body().size();
    qCDebug(lcFetch).noquote() << "site" << pending.site << "read" << bytes << "bytes"
                               << (result.error ? visibleField(result.error->reason()) : u"in full"_s);
    return result;
}

FetchResult PageFetcher::fetch(int site, const SiteRequest& request, Reading reading)
{
    Pending pending = start(site, m_store.record(site), request, reading);
    return wait(pending);
}
