#include "page_fetcher.h"

#include <QUrl>

#include "event_delivery.h"
#include "search_log.h"
#include "site_request.h"
#include "site_store.h"
#include "transfer_component.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int chunkSize = 1024;

} // namespace

PageFetcher::PageFetcher(const SiteStore& store, TransferComponent& transfer, EventDelivery& events)
    : m_store(store), m_transfer(transfer), m_events(events)
{
}

std::optional<FetchResult> PageFetcher::fetch(int site, const SiteRequest& request)
{
    if (m_stopped)
        return std::nullopt;
    m_transfer.setUserName(m_store.read(site, SiteStore::Key::User));
    m_transfer.setPassword(m_store.read(site, SiteStore::Key::Pass));
    const QString address = m_store.read(site, SiteStore::Key::Addr);
    // Without an address the page name would stand where the host belongs, and its name would be looked up.
    if (address.isEmpty())
        return FetchResult{{}, TransferError{TransferError::Kind::NoAddress, {}}};
    if (const std::optional<QString> problem = addressProblem(address))
        return FetchResult{{}, TransferError{TransferError::Kind::BadAddress, *problem}};
    const QString url = siteUrl(address, m_store.read(site, SiteStore::Key::Path), request.page);
    // An address may hold an account typed into it; what cannot be parsed is not shown at all.
    const QUrl parsed(url);
    qCDebug(lcFetch).noquote() << "site" << site << request.method
                               << (parsed.isValid() ? parsed.toDisplayString(QUrl::RemoveUserInfo)
                                                    : u"(no valid address)"_s);
    if (!m_transfer.start(url, request.method, request.body, request.headerBlock)) {
        const TransferError error = m_transfer.error().value_or(TransferError{TransferError::Kind::CannotStart, {}});
        qCDebug(lcFetch).noquote() << "site" << site << "not sent:" << error.reason();
        return FetchResult{{}, error};
    }
    while (m_transfer.isRunning() && !m_stopped)
        m_events.waitAndDeliver();
    if (m_stopped)
        return std::nullopt;

    FetchResult result;
    QString chunk;
    for (;;) {
        result.page += chunk;
        // Once the body is buffered nothing more may arrive, so this delivery must not wait.
        m_events.deliverPending();
        if (m_stopped)
            return std::nullopt;
        chunk = m_transfer.readChunk(chunkSize);
        if (chunk.isEmpty())
            break;
    }
    if (m_stopped)
        return std::nullopt;
    result.error = m_transfer.error();
    qCDebug(lcFetch).noquote() << "site" << site << "read" << result.page.size() << "characters"
                               << (result.error ? result.error->reason() : u"in full"_s);
    return result;
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_transfer.abort();
}
