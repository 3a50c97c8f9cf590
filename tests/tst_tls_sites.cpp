#include <mutex>
#include <thread>

#include <QSslConfiguration>
#include <QTest>

#include <httplib.h>

#include "catalog.h"
#include "demo_site.h"
#include "loopback_site.h"
#include "pages.h"
#include "qt_transfer_component.h"
#include "run_harness.h"

using namespace Qt::StringLiterals;

namespace {

// The demo site, behind an account, over TLS on 127.0.0.1 and a free port. It notes each request that gets through
// the handshake, and whether it carried the account. Its certificates under tls/ were made by tls/make-certificates.
class TlsSite
{
public:
    explicit TlsSite(const QString& certificate)
        : m_server(QFINDTESTDATA(u"tls/%1.pem"_s.arg(certificate)).toStdString().c_str(),
                   QFINDTESTDATA("tls/server.key").toStdString().c_str())
    {
        demosite::registerDemoSite(m_server, {demosite::DemoSiteAccount{"guest", "demo"}, nullptr});
        m_server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
            const std::lock_guard lock(m_mutex);
            m_requests << QString::fromStdString(request.method + ' ' + request.path +
                                                 (request.has_header("Authorization") ? " with the account" : ""));
            return httplib::Server::HandlerResponse::Unhandled;
        });
        // One request per connection, so that stopping never waits out a kept-alive connection.
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }
    ~TlsSite()
    {
        m_server.stop();
        m_thread.join();
    }
    bool isValid() const { return m_server.is_valid() && m_port > 0; }
    QString address() const { return u"https://127.0.0.1:%1"_s.arg(m_port); }
    QStringList requests() const
    {
        const std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    httplib::SSLServer m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    QStringList m_requests;
};

} // namespace

class TestTlsSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // As a user trusts a private authority by adding it to the system store: the test authority joins the ones Qt
    // trusts by default, and the self-signed certificate stays untrusted.
    void initTestCase()
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QVERIFY(tls.addCaCertificates(QFINDTESTDATA("tls/authority.pem")));
        QSslConfiguration::setDefaultConfiguration(tls);
    }

    void asksASiteOnlyOverATrustedCertificate_data()
    {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("report");
        // The first prompt and the FTP URL of the wanted hit.
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("requests");

        const demosite::Track first = demosite::Catalog().search("harbour").front();
        const QString hit = QString::fromStdString(std::to_string(first.id) + '\t' + first.title + '\t' + first.artist +
                                                   '\t' + first.album);
        const QString url = u"ftp://guest:demo@"_s + QString::fromStdString(demosite::downloadUrl(first)).mid(8);
        const QString reason = u"Secure: certificate not trusted (%1)"_s;
        QTest::newRow("trusted") << u"trusted"_s << u"Secure: cancelled"_s << QStringList{hit, url}
                                 << QStringList{u"POST /mp3/search.asp"_s, u"POST /mp3/search.asp with the account"_s,
                                                u"GET /mp3/mp3info.asp"_s, u"GET /mp3/mp3info.asp with the account"_s};
        QTest::newRow("self-signed") << u"self-signed"_s << reason.arg(u"unknown authority"_s) << QStringList()
                                     << QStringList();
        QTest::newRow("expired") << u"expired"_s << reason.arg(u"expired"_s) << QStringList() << QStringList();
        QTest::newRow("for another name")
            << u"other-name"_s << reason.arg(u"issued for another name"_s) << QStringList() << QStringList();
    }

    // Search, details and the account go over a trusted certificate alone; any other ends its site, with the reason
    // in the report and the log, before anything is sent, and the plain site after it is still asked.
    void asksASiteOnlyOverATrustedCertificate()
    {
        QFETCH(QString, certificate);
        QFETCH(QString, report);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, requests);
        TlsSite secure(certificate);
        QVERIFY(secure.isValid());
        LoopbackSite plain;
        plain.answerWith("<TR><TR>");
        QtTransferComponent transfer;
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Secure"_s, secure.address(), u"/mp3/"_s, u"guest"_s, u"demo"_s);
        harness.settings.setSite(2, u"Plain"_s, plain.address());
        harness.listener.answers = {RunListener::Answer::Yes, RunListener::Answer::Cancel};
        if (shown.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(u"site 1 (Secure): "_s + report.mid(8)));

        QCOMPARE(harness.summaries(u"harbour"_s), QStringList({report, u"Plain: 0 hits"_s}));
        QCOMPARE(harness.listener.shown.mid(0, 2), shown);
        QCOMPARE(secure.requests(), requests);
    }
};

QTEST_GUILESS_MAIN(TestTlsSites)
#include "tst_tls_sites.moc"
