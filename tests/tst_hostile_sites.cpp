#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "qt_transfer_component.h"
#include "run_harness.h"

using namespace Qt::StringLiterals;

namespace {

// A site that never finishes its answer: header lines without end, or a body one byte at a time. It notes when a
// write fails, that is, when the client has really closed the connection. cpp-httplib always finishes the headers
// it sends and does not tell its content providers of a reset connection, so this one writes to a plain socket.
class EndlessSite
{
public:
    explicit EndlessSite(bool headers) : m_headers(headers)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(m_listener, 1);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { answer(); });
    }
    ~EndlessSite()
    {
        m_stopping = true;
        shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        close(m_listener);
    }
    QString address() const { return u"127.0.0.1:%1"_s.arg(m_port); }
    bool closedByClient() const { return m_closed; }

private:
    void answer()
    {
        const int connection = accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        // A write that cannot go on wakes up now and then, so that the end of the test is not kept waiting.
        const timeval wake{0, 100'000};
        setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &wake, sizeof wake);
        char request[4096];
        recv(connection, request, sizeof request, 0);
        const std::string start =
            m_headers ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n";
        const std::string more = m_headers ? "X-Pad: " + std::string(1024, 'p') + "\r\n" : "x";
        send(connection, start.data(), start.size(), MSG_NOSIGNAL);
        while (!m_stopping) {
            if (!m_headers)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (send(connection, more.data(), more.size(), MSG_NOSIGNAL) < 0 && errno != EAGAIN && errno != EINTR) {
                m_closed = true;
                break;
            }
        }
        close(connection);
    }

    const bool m_headers;
    int m_listener = socket(AF_INET, SOCK_STREAM, 0);
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_closed = false;
};

} // namespace

class TestHostileSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // An endless body is cut off at the size cap, which ends the run at that site; the next search works.
    void stopsReadingAnEndlessBody()
    {
        LoopbackSite hostile;
        hostile.setHandler([](const httplib::Request&, httplib::Response& response) {
            // Capped far past the limit, so that a client that never stops cannot hang the test.
            response.set_chunked_content_provider(
                "text/html", [part = std::string(64 * 1024, 'x')](size_t sent, auto& sink) {
                    return sent < (size_t(256) << 20) && sink.write(part.data(), part.size());
                });
        });
        QtTransferComponent transfer(std::chrono::seconds(60), qsizetype(1) << 20);
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Hostile"_s, hostile.address());
        harness.settings.setSite(2, u"Next"_s, hostile.address());
        QCOMPARE(harness.summaries(u"x"_s), QStringList{u"Hostile: the answer was too long (over 1 MiB)"_s});
        hostile.answerWith("<TR><TR>");
        QCOMPARE(harness.summaries(u"x"_s), QStringList({u"Hostile: 0 hits"_s, u"Next: 0 hits"_s}));
    }

    // A site that challenges every answer to its challenge anew gets the account once; the run goes on.
    void offersTheAccountOnce_data()
    {
        QTest::addColumn<std::string>("challenge");
        QTest::newRow("a new realm every time") << std::string("Basic realm=\"r%\"");
        QTest::newRow("a stale nonce every time")
            << std::string("Digest realm=\"r\", nonce=\"n%\", qop=\"auth\", stale=true");
    }

    void offersTheAccountOnce()
    {
        QFETCH(std::string, challenge);
        LoopbackSite hostile, next;
        std::atomic<int> challenges = 0;
        hostile.setHandler([&](const httplib::Request&, httplib::Response& response) {
            std::string header = challenge;
            header.replace(header.find('%'), 1, std::to_string(++challenges));
            response.status = 401;
            response.set_header("WWW-Authenticate", header);
        });
        next.answerWith("<TR><TR>");
        QtTransferComponent transfer;
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Hostile"_s, hostile.address(), u"/mp3/"_s, u"ann"_s, u"pw"_s);
        harness.settings.setSite(2, u"Next"_s, next.address());

        QCOMPARE(harness.summaries(u"x"_s),
                 QStringList({u"Hostile: the account was refused (401)"_s, u"Next: 0 hits"_s}));
        // The account went out once, or once more while its refusal was still on the way.
        QVERIFY(hostile.requestCount() <= 3);
    }

    // A site given up on, whether it streams headers without end or trickles its body, loses its connection, and
    // the run goes on with the next site.
    void closesTheConnectionOfASiteGivenUpOn_data()
    {
        QTest::addColumn<bool>("headers");
        QTest::addColumn<QString>("report");
        QTest::newRow("endless headers") << true << u"Hostile: no answer in time"_s;
        QTest::newRow("a trickle past the deadline") << false << u"Hostile: too slow"_s;
    }

    void closesTheConnectionOfASiteGivenUpOn()
    {
        QFETCH(bool, headers);
        QFETCH(QString, report);
        EndlessSite endless(headers);
        LoopbackSite next;
        next.answerWith("<TR><TR>");
        QtTransferComponent transfer(std::chrono::milliseconds(headers ? 300 : 60'000),
                                     QtTransferComponent::defaultBodyLimit,
                                     std::chrono::milliseconds(headers ? 60'000 : 300));
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Hostile"_s, endless.address());
        harness.settings.setSite(2, u"Next"_s, next.address());

        QCOMPARE(harness.summaries(u"x"_s), QStringList({report, u"Next: 0 hits"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(endless.closedByClient(), 5000);
    }

    void survivesABrokenSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("binary junk") << QByteArray("\x00\xFF\xFE[[[\x01=\n=\n\x80", 13) << QString();
        QTest::newRow("unclosed section and quote") << "[Site1\n[Site1]\nName=\"open"_ba << u"open"_s;
    }

    void survivesABrokenSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        TemporarySettings settings;
        QFile file(settings.fileName());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly) &&
                file.write(content) == content.size() && file.flush());

        QCOMPARE(settings.store.read(1, SiteStore::Key::Name), name);
        settings.store.write({{2, SiteStore::Key::Pass, QString(100 * 1024, u'p')}});
        QCOMPARE(settings.store.read(2, SiteStore::Key::Pass).size(), 100 * 1024);
        QCOMPARE(QFileInfo(file).permissions(),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
};

QTEST_MAIN(TestHostileSites)
#include "tst_hostile_sites.moc"
