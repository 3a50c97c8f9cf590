#include "loopback_site.h"

#include <httplib.h>

LoopbackSite::LoopbackSite(const std::function<void(httplib::Server&)>& routes)
    : m_server(std::make_unique<httplib::Server>())
{
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    if (routes) {
        routes(*m_server);
    } else {
        m_server->Get(".*", handler);
        m_server->Post(".*", handler);
    }
    // One request per connection, so that stopping never waits out a kept-alive connection.
    m_server->set_keep_alive_max_count(1);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() does nothing before the accept loop runs, so the destructor could otherwise wait forever.
    while (!m_server->is_running())
        std::this_thread::yield();
}

LoopbackSite::~LoopbackSite()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    m_server->stop();
    m_thread.join();
}

void LoopbackSite::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void LoopbackSite::answerWith(std::string body, std::string contentType, int status)
{
    setHandler([=](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content(body, contentType.c_str());
    });
}

void LoopbackSite::hold(bool holding)
{
    {
        std::lock_guard lock(m_mutex);
        m_holding = holding;
    }
    m_released.notify_all();
}

std::vector<LoopbackSite::Recorded> LoopbackSite::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackSite::handle(const httplib::Request& request, httplib::Response& response)
{
    std::unique_lock lock(m_mutex);
    m_requests.push_back({request.method, request.target, request.body, request.get_header_value("Content-Type"),
                          request.get_header_value("Referer"), request.get_header_value("Authorization"),
                          request.has_header("Content-Length") || request.has_header("Transfer-Encoding")});
    m_released.wait(lock, [this] { return !m_holding || m_stopping; });
    const Handler handler = m_handler;
    lock.unlock();
    if (!m_stopping && handler)
        handler(request, response);
}
