#include "curl_handle.h"

#include "curl_log.h"

namespace {

template <typename Value>
void set(CURL* easy, CURLoption option, Value value)
{
    curl_easy_setopt(easy, option, value);
}

} // namespace

CurlHandle::CurlHandle(const HttpRequest& request, const TransferConfig& config) : m_easy(curl_easy_init())
{
    if (!m_easy)
        return;
    set(m_easy, CURLOPT_URL, request.url.toEncoded().constData());
    set(m_easy, CURLOPT_ERRORBUFFER, m_errorText);
    // The program has threads of Qt's own, which must never receive libcurl's signals.
    set(m_easy, CURLOPT_NOSIGNAL, 1L);
    set(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    set(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    set(m_easy, CURLOPT_MAXREDIRS, 10L);
    // The sites are plain form pages: speaking HTTP/1.1 alone keeps every HTTP/2 frame, and its floods, out.
    set(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    setAccount(request);
    set(m_easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    // A large receive buffer: a 32 MiB page arrives in a few hundred reads instead of thousands.
    set(m_easy, CURLOPT_BUFFERSIZE, 1L << 20);
    if (!config.testAuthorityFile.isEmpty())
        set(m_easy, CURLOPT_CAINFO, config.testAuthorityFile.toLocal8Bit().constData());
    if (lcFetch().isDebugEnabled()) {
        set(m_easy, CURLOPT_VERBOSE, 1L);
        set(m_easy, CURLOPT_DEBUGFUNCTION, &logCurlText);
    }
    setHeaders(request);
    // The program sends two kinds of request: a form as a POST, and a page asked for with a GET.
    if (request.body) {
        set(m_easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body->size()));
        set(m_easy, CURLOPT_COPYPOSTFIELDS, request.body->constData());
    } else {
        set(m_easy, CURLOPT_HTTPGET, 1L);
    }
}

CurlHandle::~CurlHandle()
{
    if (m_easy)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

void CurlHandle::setAccount(const HttpRequest& request)
{
    // More than one method, so libcurl sends the account only once the site's challenge has picked one, and never
    // to another origin that a redirect leads to.
    set(m_easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    set(m_easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
    // An empty account is no account: libcurl would send it as "Authorization: Basic Og==".
    if (request.userName.isEmpty() && request.password.isEmpty())
        return;
    set(m_easy, CURLOPT_USERNAME, request.userName.toUtf8().constData());
    set(m_easy, CURLOPT_PASSWORD, request.password.toUtf8().constData());
}

void CurlHandle::setHeaders(const HttpRequest& request)
{
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
    set(m_easy, CURLOPT_HTTPHEADER, m_headers);
}
