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

// An HTTP site on 127.0.0.1 and a free port, run by cpp-httplib on a thread of its own. It records every request
// before handing it to the current handler.
class LoopbackSite
{
public:
    struct Recorded
    {
        std::string method, target, body, contentType, referer, authorization;
        bool hasBody = false;
    };
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // Without routes of its own, every GET and POST is recorded and handed to the current handler.
    explicit LoopbackSite(const std::function<void(httplib::Server&)>& routes = {});
    ~LoopbackSite();

    int port() const { return m_port; }
    // host:port, as a site record's address holds it.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    void setHandler(Handler handler);
    void answerWith(std::string body, std::string contentType = "text/html", int status = 200);
    // Requests are recorded, then left unanswered until release() or the site's end.
    void hold(bool holding = true);
    void release() { hold(false); }

    std::vector<Recorded> requests() const;
    size_t requestCount() const { return requests().size(); }

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
