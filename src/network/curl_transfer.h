#pragma once

#include <memory>
#include <unordered_map>
#include <unordered_set>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <curl/curl.h>

#include "http_transfer.h"
#include "transfer_config.h"

class CurlReply;

// HTTP over libcurl's multi interface, driven by the event loop of the thread that made it: a socket notifier for
// each socket libcurl watches and one timer for its time-outs, with no thread or polling loop of its own. Each
// request is an easy handle of the one multi handle, so any number can run at once.
class CurlTransfer final : public HttpTransfer
{
public:
    // Throws std::runtime_error when libcurl cannot be set up.
    explicit CurlTransfer(TransferConfig config);
    ~CurlTransfer() override;
    Q_DISABLE_COPY_MOVE(CurlTransfer)

    std::unique_ptr<HttpReply> start(const HttpRequest& request) override;

    // For the replies: adding a handle sets it going; removing one ends it and closes its connection unless the
    // answer was whole.
    void add(CurlReply& reply);
    void remove(CurlReply& reply);

private:
    // The notifiers of one socket, handed to libcurl with the socket and freed when libcurl lets the socket go.
    struct SocketWatch
    {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* transfer, void* socketData);
    static int onTimer(CURLM* multi, long milliseconds, void* transfer);
    void watch(curl_socket_t socket, int what, SocketWatch* watch);
    void act(curl_socket_t socket, int events);
    // Ends each reply whose request libcurl has finished.
    void collectFinished();

    TransferConfig m_config;
    CURLM* m_multi = nullptr;
    QTimer m_timer;
    // Owns the watches, should libcurl still hold one when it is cleaned up.
    std::unordered_map<curl_socket_t, std::unique_ptr<SocketWatch>> m_sockets;
    std::unordered_set<CurlReply*> m_replies;
};
