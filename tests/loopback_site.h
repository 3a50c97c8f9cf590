#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QString>

#include <httplib.h>
#include <sys/socket.h>
#include <unistd.h>

// An HTTP site on 127.0.0.1 and a free port, run by cpp-httplib on a thread of its own: the server given, with any
// routes it has, else a catch-all that records every request as one line, holds it while told to, then hands it to
// the current handler.
class LoopbackSite
{
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    explicit LoopbackSite(std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>())
        : m_server(std::move(server))
    {
        const auto route = [this](const httplib::Request& request, httplib::Response& response) {
            std::unique_lock lock(m_mutex);
            m_requests.push_back(request.method + ' ' + request.target + ' ' + request.body + " | " +
                                 request.get_header_value("Content-Type") + " | " +
                                 request.get_header_value("Referer"));
            m_released.wait(lock, [this] { return !m_holding || m_stopping; });
            const Handler handler = m_stopping ? Handler() : m_handler;
            lock.unlock();
            if (handler)
                handler(request, response);
        };
        m_server->Get(".*", route);
        m_server->Post(".*", route);
        // One request per connection, so that stopping never waits out a kept-alive connection.
        m_server->set_keep_alive_max_count(1);
        m_port = m_server->bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server->listen_after_bind(); });
        // stop() does nothing before the accept loop runs, so the destructor could otherwise wait forever.
        while (!m_server->is_running())
            std::this_thread::yield();
    }
    ~LoopbackSite()
    {
        hold(false, true);
        m_server->stop();
        m_thread.join();
    }

    // host:port, as a site record's address holds it.
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }
    void setHandler(Handler handler)
    {
        const std::lock_guard lock(m_mutex);
        m_handler = std::move(handler);
    }
    void answerWith(const QString& page)
    {
        setHandler([body = page.toStdString()](const httplib::Request&, httplib::Response& response) {
            response.set_content(body, "text/html");
        });
    }
    // Requests are recorded, then left unanswered until hold(false) or the site's end.
    void hold(bool holding = true, bool stopping = false)
    {
        const std::lock_guard lock(m_mutex);
        m_holding = holding;
        m_stopping = stopping;
        m_released.notify_all();
    }
    std::vector<std::string> requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_holding = false;
    bool m_stopping = false;
    Handler m_handler;
    std::vector<std::string> m_requests;
};

// A server that answers every connection with the same bytes, whatever was asked, then closes it.
struct RawServer final : httplib::Server
{
    explicit RawServer(std::string answer) : answer(std::move(answer)) {}
    bool process_and_close_socket(socket_t socket) override
    {
        char request[4096];
        const bool answered = ::recv(socket, request, sizeof request, 0) > 0 &&
                              ::send(socket, answer.data(), answer.size(), MSG_NOSIGNAL) > 0;
        return ::close(socket) == 0 && answered;
    }
    std::string answer;
};
