#pragma once

#include <chrono>
#include <optional>
#include <set>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <curl/curl.h>

#include "curl_handle.h"
#include "http_reply.h"
#include "http_request.h"
#include "transfer_config.h"

class BodyReader;
class CurlTransfer;

// One request under way: reads the answer of its libcurl easy handle under the limits it runs under, and holds what
// it has read so far. It checks every answer as it arrives, so that a site that misbehaves is cut off at once
// rather than at the end of its answer.
class CurlReply final : public HttpReply
{
public:
    CurlReply(CurlTransfer& transfer, const HttpRequest& request, const TransferConfig& config);
    ~CurlReply() override;
    Q_DISABLE_COPY_MOVE(CurlReply)

    bool isFinished() const override { return m_finished; }
    HttpAnswer takeAnswer() override;

    CURL* handle() const { return m_handle.get(); }
    // libcurl has finished the request with `result`.
    void finish(CURLcode result);
    // Ends the request under way with `error`; never from inside one of libcurl's callbacks.
    void end(const std::optional<TransferError>& error);

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* reply);
    static size_t onBody(char* data, size_t size, size_t count, void* reply);
    // Each false return has set the error that ends the request.
    bool readHeaderLine(QByteArrayView line);
    bool readHeaders();
    // Whether the redirect to `location` may be followed.
    bool mayFollow(const QByteArray& location);
    bool readBody(const char* data, qsizetype size);
    // A new answer begins, after a redirect, a challenge or an interim answer: nothing of its body is read yet.
    void restartBody();
    bool refuse(const TransferError& error);
    void makeRoomForBody(qsizetype size);
    void checkActivity();
    std::optional<TransferError> errorOf(CURLcode result) const;

    CurlTransfer& m_transfer;
    const TransferConfig& m_config;
    CurlHandle m_handle;
    bool m_finished = false;
    std::optional<TransferError> m_error;

    QTimer m_deadline;
    QTimer m_inactivity;
    QElapsedTimer m_sinceActivity;

    // Of the answer being read: redirects and challenges each start a new one.
    int m_status = 0;
    QByteArray m_charset;
    QByteArray m_body;
    // Counted whether the body is kept or handed to the reader, which is told when it begins.
    qsizetype m_bodySize = 0;
    bool m_bodyStarted = false;
    BodyReader* const m_reader;
    // Of the request as a whole.
    qsizetype m_headerBytes = 0;
    int m_challenges = 0;
    std::set<QString> m_visited;
};
