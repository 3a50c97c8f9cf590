#include "loopback_site.h"

#include <httplib.h>

LoopbackSite::LoopbackSite() : m_server(std::make_unique<httplib::Server>())
{
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    m_server->Put(".*", handler);
    m_server->Delete(".*", handler);
    m_server->Options(".*", handler);
    m_server->Patch(".*", handler);
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

QString LoopbackSite::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void LoopbackSite::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void LoopbackSite::answerWith(std::string body, std::string contentType, int status)
{
    setHandler([body = std::move(body), contentType = std::move(contentType), status](const httplib::Request&,
                                                                                      httplib::Response& response) {
        response.status = status;
        response.set_content(body, contentType.c_str());
    });
}

void LoopbackSite::hold()
{
    std::lock_guard lock(m_mutex);
    m_holding = true;
}

void LoopbackSite::release()
{
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
    }
    m_released.notify_all();
}

std::vector<LoopbackSite::Recorded> LoopbackSite::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

size_t LoopbackSite::requestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

void LoopbackSite::handle(const httplib::Request& request, httplib::Response& response)
{
    Handler handler;
    {
        std::unique_lock lock(m_mutex);
        Recorded recorded;
        recorded.method = request.method;
        recorded.path = request.path;
        recorded.target = request.target;
        recorded.body = request.body;
        recorded.contentType = request.get_header_value("Content-Type");
        recorded.referer = request.get_header_value("Referer");
        recorded.authorization = request.get_header_value("Authorization");
        recorded.hasBody = request.has_header("Content-Length") || request.has_header("Transfer-Encoding");
        recorded.headerCount = request.headers.size();
        m_requests.push_back(std::move(recorded));
        m_released.wait(lock, [this] { return !m_holding || m_stopping; });
        if (m_stopping)
            return;
        handler = m_handler;
    }
    if (handler)
        handler(request, response);
}
