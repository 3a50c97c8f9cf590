#pragma once

#include <QtGlobal>

#include <curl/curl.h>

#include "http_request.h"
#include "transfer_config.h"

// A libcurl easy handle set up for one request: where it goes, what it sends, which redirects it may follow, when it
// offers the account and how it checks a site's certificate. It keeps what libcurl holds pointers to for as long as
// the handle lives; the reply that reads the answer adds its own callbacks.
class CurlHandle final
{
public:
    CurlHandle(const HttpRequest& request, const TransferConfig& config);
    ~CurlHandle();
    Q_DISABLE_COPY_MOVE(CurlHandle)

    // Null when libcurl had no memory for a handle.
    CURL* get() const { return m_easy; }
    // libcurl's own words about why the request failed, if it has any.
    const char* errorText() const { return m_errorText; }

private:
    void setAccount(const HttpRequest& request);
    void setHeaders(const HttpRequest& request);

    CURL* m_easy = nullptr;
    curl_slist* m_headers = nullptr;
    char m_errorText[CURL_ERROR_SIZE] = {};
};
