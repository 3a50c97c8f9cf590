#include "curl_reply.h"

#include <algorithm>
#include <utility>

#include <sys/mman.h>

#include "body_reader.h"
#include "curl_failure.h"
#include "curl_log.h"
#include "curl_transfer.h"

using namespace Qt::StringLiterals;

namespace {

using Kind = TransferError::Kind;

// A large body is read at the wire's pace only if it lands on huge pages: with 4 KiB pages every one of them
// costs a fault on first touch. The kernel gives them only where asked, and only for whole aligned 2 MiB pieces.
void adviseHugePages(char* data, qsizetype size)
{
    constexpr quintptr hugePage = quintptr(2) << 20;
    const quintptr start = (reinterpret_cast<quintptr>(data) + hugePage - 1) & ~(hugePage - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + quintptr(size)) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

QByteArray charsetOf(QByteArrayView contentType)
{
    const QList<QByteArray> parameters = contentType.toByteArray().split(';');
    for (qsizetype i = 1; i < parameters.size(); ++i) {
        const QByteArray parameter = parameters.at(i).trimmed();
        if (parameter.toLower().startsWith("charset=")) {
            QByteArray name = parameter.mid(8).trimmed();
            if (name.size() >= 2 && name.startsWith('"') && name.endsWith('"'))
                name = name.mid(1, name.size() - 2);
            return name;
        }
    }
    return {};
}

// The value of the last header line named `name` of the answer whose headers libcurl has just read; "" if none.
QByteArray headerValue(CURL* easy, const char* name)
{
    curl_header* header = nullptr;
    if (curl_easy_header(easy, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK)
        return {};
    if (header->amount > 1)
        curl_easy_header(easy, name, header->amount - 1, CURLH_HEADER, -1, &header);
    return QByteArray(header->value);
}

} // namespace

CurlReply::CurlReply(CurlTransfer& transfer, const HttpRequest& request, const TransferConfig& config)
    : m_transfer(transfer), m_config(config), m_handle(request, config), m_reader(request.reader)
{
    CURL* easy = m_handle.get();
    if (!easy) {
        m_finished = true;
        m_error = TransferError{Kind::CannotStart, TransferError::tr("out of memory")};
        return;
    }
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlReply::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlReply::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    m_deadline.setSingleShot(true);
    QObject::connect(&m_deadline, &QTimer::timeout, [this] { end(TransferError{Kind::TooSlow, {}}); });
    m_deadline.start(config.deadline);
    m_inactivity.setSingleShot(true);
    QObject::connect(&m_inactivity, &QTimer::timeout, [this] { checkActivity(); });
    m_inactivity.start(config.inactivity);
    m_sinceActivity.start();
    m_visited.insert(request.url.adjusted(QUrl::NormalizePathSegments).toString());
}

CurlReply::~CurlReply()
{
    m_transfer.remove(*this);
}

HttpAnswer CurlReply::takeAnswer()
{
    if (!m_finished)
        return {};
    // An answer without a body still replaces whatever an earlier one handed the reader.
    if (m_reader && !m_bodyStarted)
        m_reader->bodyStarted(m_charset);
    m_bodyStarted = true;
    return {std::exchange(m_body, {}), std::exchange(m_charset, {}), std::exchange(m_error, std::nullopt)};
}

void CurlReply::finish(CURLcode result)
{
    // An error of our own, set in a callback, is why libcurl stopped.
    if (!m_finished)
        end(m_error ? m_error : errorOf(result));
}

void CurlReply::end(const std::optional<TransferError>& error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    m_deadline.stop();
    m_inactivity.stop();
    // Removing the handle closes a connection whose answer was not read to its end.
    m_transfer.remove(*this);
    qCDebug(lcFetch).noquote() << "request ended with status" << m_status << "and" << m_bodySize << "bytes";
}

size_t CurlReply::onHeader(char* data, size_t size, size_t count, void* reply)
{
    const qsizetype length = qsizetype(size * count);
    return static_cast<CurlReply*>(reply)->readHeaderLine(QByteArrayView(data, length)) ? size * count : 0;
}

size_t CurlReply::onBody(char* data, size_t size, size_t count, void* reply)
{
    return static_cast<CurlReply*>(reply)->readBody(data, qsizetype(size * count)) ? size * count : 0;
}

bool CurlReply::readHeaderLine(QByteArrayView line)
{
    m_sinceActivity.restart();
    m_headerBytes += line.size();
    if (m_headerBytes > m_config.headerLimit)
        return refuse({Kind::TooLarge, TransferError::tr("headers over %1 KiB").arg(m_config.headerLimit >> 10)});
    line = line.trimmed();
    if (line.startsWith("HTTP/")) {
        // A new answer: after a redirect, a challenge or an interim "100 Continue".
        m_status = 0;
        m_charset.clear();
        restartBody();
        return true;
    }
    // libcurl has read all of an answer's header lines once it hands over the empty line after them.
    return !line.isEmpty() || readHeaders();
}

bool CurlReply::readHeaders()
{
    CURL* easy = m_handle.get();
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    m_status = int(status);
    m_charset = charsetOf(headerValue(easy, "Content-Type"));
    if (m_status >= 300 && m_status < 400)
        m_challenges = 0;
    // libcurl answers a challenge with the account once; a second challenge means the site refused it, and a site
    // that names a new realm or nonce each time would otherwise be answered again and again.
    if ((m_status == 401 || m_status == 407) && ++m_challenges > 1)
        return refuse({Kind::AccountRefused, QString::number(m_status)});
    const QByteArray location = headerValue(easy, "Location");
    if (m_status >= 300 && m_status < 400 && !location.isEmpty())
        return mayFollow(location);
    const qsizetype announcedLength = headerValue(easy, "Content-Length").toLongLong();
    // However long the site says its answer is, no more than the limit is set aside for it.
    if (m_status >= 200 && announcedLength > 0)
        makeRoomForBody(std::min(announcedLength, m_config.bodyLimit + 1));
    return true;
}

bool CurlReply::mayFollow(const QByteArray& location)
{
    char* current = nullptr;
    curl_easy_getinfo(m_handle.get(), CURLINFO_EFFECTIVE_URL, &current);
    const QUrl from = QUrl::fromEncoded(current);
    const QUrl to = from.resolved(QUrl::fromEncoded(location));
    if (to.scheme() != u"http"_s && to.scheme() != u"https"_s)
        return refuse({Kind::RedirectRefused, TransferError::tr("to another kind of address")});
    if (from.scheme() == u"https"_s && to.scheme() == u"http"_s)
        return refuse({Kind::RedirectRefused, TransferError::tr("to a less safe address")});
    if (!m_visited.insert(to.adjusted(QUrl::NormalizePathSegments).toString()).second)
        return refuse({Kind::RedirectRefused, TransferError::tr("a redirect loop")});
    return true;
}

bool CurlReply::readBody(const char* data, qsizetype size)
{
    m_sinceActivity.restart();
    if (size > m_config.bodyLimit - m_bodySize)
        return refuse({Kind::TooLarge, TransferError::tr("over %1 MiB").arg(m_config.bodyLimit >> 20)});
    m_bodySize += size;
    if (m_reader) {
        if (!std::exchange(m_bodyStarted, true))
            m_reader->bodyStarted(m_charset);
        m_reader->bodyRead(QByteArrayView(data, size));
        return true;
    }
    if (m_body.size() + size > m_body.capacity())
        makeRoomForBody(std::max({m_body.size() + size, 2 * m_body.capacity(), qsizetype(64) << 10}));
    m_body.append(data, size);
    return true;
}

bool CurlReply::refuse(const TransferError& error)
{
    m_error = error;
    return false;
}

void CurlReply::restartBody()
{
    m_body.clear();
    m_bodySize = 0;
    m_bodyStarted = false;
}

void CurlReply::makeRoomForBody(qsizetype size)
{
    // A body handed to a reader as it arrives needs no room here.
    if (m_reader)
        return;
    m_body.reserve(std::min(size, m_config.bodyLimit));
    adviseHugePages(m_body.data(), m_body.capacity());
}

void CurlReply::checkActivity()
{
    const auto idle = std::chrono::milliseconds(m_sinceActivity.elapsed());
    if (idle >= m_config.inactivity)
        end(TransferError{Kind::TimedOut, {}});
    else
        m_inactivity.start(m_config.inactivity - idle);
}

std::optional<TransferError> CurlReply::errorOf(CURLcode result) const
{
    if (result != CURLE_OK)
        return curlFailure(m_handle.get(), result, m_handle.errorText());
    if (m_status >= 400)
        return TransferError{Kind::HttpStatus, QString::number(m_status)};
    return std::nullopt;
}
