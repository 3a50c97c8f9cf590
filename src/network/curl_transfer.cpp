#include "curl_transfer.h"

#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include "curl_reply.h"
#include "finished_reply.h"

using namespace Qt::StringLiterals;

namespace {

// libcurl writes the session keys of every secure connection to the file SSLKEYLOGFILE names, for a person tracing
// them, and would create it readable by everyone. It is made here first, readable by its owner alone; a file that
// exists keeps its mode.
void makeKeyLogPrivate()
{
    const QByteArray fileName = qgetenv("SSLKEYLOGFILE");
    if (fileName.isEmpty())
        return;
    if (const int file = ::open(fileName.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600); file >= 0)
        ::close(file);
}

} // namespace

CurlTransfer::CurlTransfer(TransferConfig config) : m_config(std::move(config))
{
    makeKeyLogPrivate();
    // Not thread-safe, but this is the only place libcurl is set up, and no other thread of the program uses it.
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        throw std::runtime_error("libcurl could not be set up");
    m_multi = curl_multi_init();
    if (!m_multi)
        throw std::runtime_error("libcurl could not be set up");
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlTransfer::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlTransfer::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlTransfer::~CurlTransfer()
{
    // A reply may outlive its transfer; it ends here and reads as ended.
    while (!m_replies.empty())
        (*m_replies.begin())
            ->end(TransferError{TransferError::Kind::Other, TransferError::tr("the program is closing")});
    curl_multi_cleanup(m_multi);
}

std::unique_ptr<HttpReply> CurlTransfer::start(const HttpRequest& request)
{
    const QUrl& url = request.url;
    if (!url.isValid() || (url.scheme() != u"http"_s && url.scheme() != u"https"_s) || url.host().isEmpty()) {
        return std::make_unique<FinishedReply>(HttpAnswer{
            {}, {}, TransferError{TransferError::Kind::CannotStart, TransferError::tr("not a valid web address")}});
    }
    auto reply = std::make_unique<CurlReply>(*this, request, m_config);
    if (!reply->isFinished())
        add(*reply);
    return reply;
}

void CurlTransfer::add(CurlReply& reply)
{
    m_replies.insert(&reply);
    if (const CURLMcode code = curl_multi_add_handle(m_multi, reply.handle()); code != CURLM_OK) {
        m_replies.erase(&reply);
        reply.end(
            TransferError{TransferError::Kind::CannotStart, QString::fromUtf8(curl_multi_strerror(code)).toLower()});
    }
}

void CurlTransfer::remove(CurlReply& reply)
{
    if (m_replies.erase(&reply) != 0)
        curl_multi_remove_handle(m_multi, reply.handle());
}

int CurlTransfer::onSocket(CURL*, curl_socket_t socket, int what, void* transfer, void* socketData)
{
    static_cast<CurlTransfer*>(transfer)->watch(socket, what, static_cast<SocketWatch*>(socketData));
    return 0;
}

int CurlTransfer::onTimer(CURLM*, long milliseconds, void* transfer)
{
    QTimer& timer = static_cast<CurlTransfer*>(transfer)->m_timer;
    if (milliseconds < 0)
        timer.stop();
    else
        timer.start(std::chrono::milliseconds(milliseconds));
    return 0;
}

void CurlTransfer::watch(curl_socket_t socket, int what, SocketWatch* watch)
{
    if (what == CURL_POLL_REMOVE) {
        // A notifier may be freed while it delivers its signal: QSocketNotifier checks that it still lives.
        m_sockets.erase(socket);
        return;
    }
    if (!watch) {
        const auto make = [this, socket](QSocketNotifier::Type type, int event) {
            auto notifier = std::make_unique<QSocketNotifier>(socket, type);
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [this, socket, event] { act(socket, event); });
            return notifier;
        };
        auto made = std::make_unique<SocketWatch>(
            SocketWatch{make(QSocketNotifier::Read, CURL_CSELECT_IN), make(QSocketNotifier::Write, CURL_CSELECT_OUT)});
        watch = made.get();
        m_sockets[socket] = std::move(made);
        curl_multi_assign(m_multi, socket, watch);
    }
    watch->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    watch->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void CurlTransfer::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    collectFinished();
}

void CurlTransfer::collectFinished()
{
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CurlReply* reply = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &reply);
        // The message goes with the handle's removal.
        const CURLcode result = message->data.result;
        if (reply)
            reply->finish(result);
    }
}
