#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QString>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// An HTTP site on 127.0.0.1 and a free port, run by cpp-httplib on a thread of its own, that records every
// request it receives before handing it to the current handler.
class LoopbackSite
{
public:
    struct Recorded
    {
        std::string method;
        std::string path;
        std::string target;
        std::string body;
        std::string contentType;
        std::string referer;
        std::string authorization;
        bool hasBody = false;
        size_t headerCount = 0;
    };
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    LoopbackSite();
    ~LoopbackSite();
    LoopbackSite(const LoopbackSite&) = delete;
    LoopbackSite& operator=(const LoopbackSite&) = delete;

    int port() const { return m_port; }
    // host:port, as a site record's address holds it.
    QString address() const;

    void setHandler(Handler handler);
    // Every request gets this body with status 200 (or `status`).
    void answerWith(std::string body, std::string contentType = "text/html", int status = 200);
    // Requests are recorded and then left unanswered until release() (or the site's end).
    void hold();
    void release();

    std::vector<Recorded> requests() const;
    size_t requestCount() const;

private:
    void handle(const httplib::Request& request, httplib::Response& response);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_holding = false;
    bool m_stopping = false;
    Handler m_handler;
    std::vector<Recorded> m_requests;
};
