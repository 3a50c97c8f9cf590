#include "curl_reply.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/mman.h>

#include <QLoggingCategory>

#include "body_reader.h"
#include "curl_transfer.h"

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcCurl, "tunedrop.fetch", QtWarningMsg)

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

// The value of header line `line` if it is named `name`, whatever the case.
std::optional<QByteArrayView> headerValue(QByteArrayView line, QByteArrayView name)
{
    if (line.size() <= name.size() || line.at(name.size()) != ':' ||
        line.first(name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return line.sliced(name.size() + 1).trimmed();
}

// What libcurl's verbose output says may come from the site; bytes that a terminal would act on are shown as
// escapes, and a line is cut to the length of any shown field.
QByteArray visibleLine(QByteArrayView line)
{
    QByteArray shown;
    for (const char c : line.first(std::min<qsizetype>(line.size(), 1024))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f)
            shown += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            shown += c;
    }
    return shown;
}

// X.509 verification results (OpenSSL's X509_V_ERR_*) in words for a person; libcurl's own text names the host.
QString certificateFault(long verifyResult)
{
    switch (verifyResult) {
    case 62: // X509_V_ERR_HOSTNAME_MISMATCH
        return u"issued for another name"_s;
    case 10: // X509_V_ERR_CERT_HAS_EXPIRED
        return u"expired"_s;
    case 9: // X509_V_ERR_CERT_NOT_YET_VALID
        return u"not yet valid"_s;
    case 2:  // X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT
    case 18: // X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT
    case 19: // X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN
    case 20: // X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY
    case 21: // X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE
    case 27: // X509_V_ERR_CERT_UNTRUSTED
        return u"unknown authority"_s;
    default:
        return u"invalid"_s;
    }
}

} // namespace

CurlReply::CurlReply(CurlTransfer& transfer, const HttpRequest& request, const TransferConfig& config)
    : m_transfer(transfer), m_config(config), m_reader(request.reader)
{
    m_easy = curl_easy_init();
    if (!m_easy) {
        m_finished = true;
        m_error = TransferError{Kind::CannotStart, u"out of memory"_s};
        return;
    }
    setUp(request);
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
    if (m_easy)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

void CurlReply::setUp(const HttpRequest& request)
{
    const auto set = [this](CURLoption option, auto value) { curl_easy_setopt(m_easy, option, value); };
    set(CURLOPT_PRIVATE, this);
    set(CURLOPT_URL, request.url.toEncoded().constData());
    set(CURLOPT_ERRORBUFFER, m_errorText);
    // The program has threads of Qt's own, which must never receive libcurl's signals.
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 10L);
    // The sites are plain form pages: speaking HTTP/1.1 alone keeps every HTTP/2 frame, and its floods, out.
    set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // More than one method, so libcurl sends the account only once the site's challenge has picked one, and
    // never to another origin that a redirect leads to.
    set(CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    set(CURLOPT_UNRESTRICTED_AUTH, 0L);
    set(CURLOPT_USERNAME, request.userName.toUtf8().constData());
    set(CURLOPT_PASSWORD, request.password.toUtf8().constData());
    set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    // A large receive buffer: a 32 MiB page arrives in a few hundred reads instead of thousands.
    set(CURLOPT_BUFFERSIZE, 1L << 20);
    set(CURLOPT_HEADERFUNCTION, &CurlReply::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &CurlReply::onBody);
    set(CURLOPT_WRITEDATA, this);
    if (!m_config.testAuthorityFile.isEmpty())
        set(CURLOPT_CAINFO, m_config.testAuthorityFile.toLocal8Bit().constData());
    if (lcCurl().isDebugEnabled()) {
        set(CURLOPT_VERBOSE, 1L);
        set(CURLOPT_DEBUGFUNCTION, &CurlReply::onDebug);
        set(CURLOPT_DEBUGDATA, this);
    }

    bool namesAccept = false, namesExpect = false;
    for (const auto& [name, value] : request.headers) {
        namesAccept = namesAccept || name.compare("Accept", Qt::CaseInsensitive) == 0;
        namesExpect = namesExpect || name.compare("Expect", Qt::CaseInsensitive) == 0;
        m_headers = curl_slist_append(m_headers, (name + ": " + value).constData());
    }
    // Without these, libcurl would add "Accept: */*", and "Expect: 100-continue" to a larger body, which an old
    // site that does not answer it would make every long search wait a second for.
    if (!namesAccept)
        m_headers = curl_slist_append(m_headers, "Accept:");
    if (!namesExpect)
        m_headers = curl_slist_append(m_headers, "Expect:");
    set(CURLOPT_HTTPHEADER, m_headers);

    if (request.body) {
        m_requestBody = *request.body;
        set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_requestBody.size()));
        set(CURLOPT_POSTFIELDS, m_requestBody.constData());
        if (request.method != "POST")
            set(CURLOPT_CUSTOMREQUEST, request.method.constData());
    } else if (request.method == "GET") {
        set(CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        set(CURLOPT_NOBODY, 1L);
    } else {
        set(CURLOPT_CUSTOMREQUEST, request.method.constData());
    }
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
    // What arrived of an answer cut off by a limit is no page to read.
    if (error && (error->kind == Kind::TooLarge || error->kind == Kind::TooSlow || error->kind == Kind::TimedOut))
        m_body.clear();
    qCDebug(lcCurl).noquote() << "request ended with status" << m_status << "and" << m_body.size() << "bytes";
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

int CurlReply::onDebug(CURL*, curl_infotype type, char* data, size_t size, void*)
{
    if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT)
        return 0;
    const char* direction = type == CURLINFO_HEADER_IN ? "<" : type == CURLINFO_HEADER_OUT ? ">" : "*";
    const QList<QByteArray> lines = QByteArray::fromRawData(data, qsizetype(size)).split('\n');
    for (const QByteArray& text : lines) {
        const QByteArrayView line = QByteArrayView(text).trimmed();
        // The account never reaches a log, whether as a header or in libcurl's words about it.
        if (line.isEmpty() || headerValue(line, "Authorization") || headerValue(line, "Proxy-Authorization") ||
            (type == CURLINFO_TEXT && line.contains("user")))
            continue;
        qCDebug(lcCurl).noquote() << direction << QString::fromLatin1(visibleLine(line));
    }
    return 0;
}

bool CurlReply::readHeaderLine(QByteArrayView line)
{
    m_sinceActivity.restart();
    m_headerBytes += line.size();
    if (m_headerBytes > m_config.headerLimit)
        return refuse({Kind::TooLarge, u"headers over %1 KiB"_s.arg(m_config.headerLimit >> 10)});
    line = line.trimmed();
    if (line.startsWith("HTTP/")) {
        // A new answer: after a redirect, a challenge or an interim "100 Continue".
        const qsizetype space = line.indexOf(' ');
        m_status =
            space < 0 ? 0 : line.sliced(space + 1).first(std::min<qsizetype>(3, line.size() - space - 1)).toInt();
        m_announcedLength = -1;
        m_location.clear();
        m_charset.clear();
        restartBody();
        if (m_status >= 300 && m_status < 400)
            m_challenges = 0;
        // libcurl answers a challenge with the account once; a second challenge means the site refused it, and a
        // site that names a new realm or nonce each time would otherwise be answered again and again.
        if ((m_status == 401 || m_status == 407) && ++m_challenges > 1)
            return refuse({Kind::AccountRefused, QString::number(m_status)});
        return true;
    }
    if (line.isEmpty())
        return readHeaders();
    if (const auto value = headerValue(line, "Content-Type"))
        m_charset = charsetOf(*value);
    else if (const auto value = headerValue(line, "Content-Length"))
        m_announcedLength = value->toLongLong();
    else if (const auto value = headerValue(line, "Location"))
        m_location = value->toByteArray();
    return true;
}

bool CurlReply::readHeaders()
{
    if (m_status >= 300 && m_status < 400 && !m_location.isEmpty()) {
        char* current = nullptr;
        curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &current);
        const QUrl from = QUrl::fromEncoded(current);
        const QUrl to = from.resolved(QUrl::fromEncoded(m_location));
        if (to.scheme() != u"http"_s && to.scheme() != u"https"_s)
            return refuse({Kind::RedirectRefused, u"to another kind of address"_s});
        if (from.scheme() == u"https"_s && to.scheme() == u"http"_s)
            return refuse({Kind::RedirectRefused, u"to a less safe address"_s});
        if (!m_visited.insert(to.adjusted(QUrl::NormalizePathSegments).toString()).second)
            return refuse({Kind::RedirectRefused, u"a redirect loop"_s});
    } else if (m_status >= 200 && m_announcedLength > 0) {
        // However long the site says its answer is, no more than the limit is set aside for it.
        makeRoomForBody(std::min(m_announcedLength, m_config.bodyLimit + 1));
    }
    return true;
}

bool CurlReply::readBody(const char* data, qsizetype size)
{
    m_sinceActivity.restart();
    if (size > m_config.bodyLimit - m_bodySize)
        return refuse({Kind::TooLarge, u"over %1 MiB"_s.arg(m_config.bodyLimit >> 20)});
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
    switch (result) {
    case CURLE_OK:
        if (m_status >= 400)
            return TransferError{Kind::HttpStatus, QString::number(m_status)};
        return std::nullopt;
    case CURLE_COULDNT_CONNECT: {
        long osError = 0;
        curl_easy_getinfo(m_easy, CURLINFO_OS_ERRNO, &osError);
        return TransferError{Kind::CouldNotConnect,
                             osError == ECONNREFUSED ? u"connection refused"_s : u"could not connect"_s};
    }
    case CURLE_COULDNT_RESOLVE_HOST:
        return TransferError{Kind::CouldNotConnect, u"host not found"_s};
    case CURLE_COULDNT_RESOLVE_PROXY:
        return TransferError{Kind::CouldNotConnect, u"proxy not found"_s};
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return TransferError{Kind::CouldNotConnect, u"connection closed"_s};
    case CURLE_OPERATION_TIMEDOUT:
        return TransferError{Kind::TimedOut, {}};
    case CURLE_TOO_MANY_REDIRECTS:
        return TransferError{Kind::RedirectRefused, u"too many redirects"_s};
    case CURLE_UNSUPPORTED_PROTOCOL:
        return TransferError{Kind::RedirectRefused, u"to another kind of address"_s};
    case CURLE_PEER_FAILED_VERIFICATION: {
        long verifyResult = 0;
        curl_easy_getinfo(m_easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        // libcurl checks the name itself, after OpenSSL has accepted the chain, and says so only in its text.
        if (QByteArrayView(m_errorText).contains("subject name"))
            return TransferError{Kind::Certificate, u"issued for another name"_s};
        return TransferError{Kind::Certificate, certificateFault(verifyResult)};
    }
    case CURLE_SSL_CONNECT_ERROR:
        return TransferError{Kind::CouldNotConnect, u"secure connection failed"_s};
    case CURLE_BAD_CONTENT_ENCODING:
        return TransferError{Kind::Other, u"the answer could not be unpacked"_s};
    default:
        // libcurl's own words, which name no address.
        return TransferError{Kind::Other, QString::fromUtf8(curl_easy_strerror(result)).toLower()};
    }
}
