#include "page_fetcher.h"

#include <QUrl>

#include "event_delivery.h"
#include "search_log.h"
#include "site_request.h"
#include "site_store.h"
#include "transfer_component.h"

using namespace Qt::StringLiterals;

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
    // What the wait left pending, before the page is looked at; a close among it ends the fetch.
    m_events.deliverPending();
    if (m_stopped)
        return std::nullopt;
    FetchResult result{Page(m_transfer.takeBody(), m_transfer.charset()), m_transfer.error()};
    if (m_stopped)
        return std::nullopt;
    qCDebug(lcFetch).noquote() << "site" << site << "read" << result.page.body().size() << "bytes"
                               << (result.error ? result.error->reason() : u"in full"_s);
    return result;
}

void PageFetcher::stop()
{
    m_stopped = true;
    m_transfer.abort();
}
