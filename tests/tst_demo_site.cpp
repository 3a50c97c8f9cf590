#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include <QTest>

#include <httplib.h>

#include "catalog.h"
#include "demo_site.h"
#include "ftp_link.h"
#include "pages.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

// The demo site in this process, on a free loopback port.
class DemoSite
{
public:
    explicit DemoSite(std::optional<demosite::DemoSiteAccount> account = std::nullopt)
    {
        demosite::registerDemoSite(m_server, {std::move(account), &m_log});
        // One request per connection, so that stopping never waits out a kept-alive connection.
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }
    ~DemoSite()
    {
        m_server.stop();
        m_thread.join();
    }

    QString address() const { return u"127.0.0.1:%1"_s.arg(m_port); }
    std::string log() const { return m_log.str(); }

private:
    httplib::Server m_server;
    std::ostringstream m_log;
    std::thread m_thread;
    int m_port = 0;
};

} // namespace

class TestDemoSite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void searchListsMatchingTracksAndGivesTheirUrl_data();
    void searchListsMatchingTracksAndGivesTheirUrl();
    void browsingStopsAtFiftyOneHits();
    void unknownTrackHasNoFtpLink();

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

void TestDemoSite::searchListsMatchingTracksAndGivesTheirUrl_data()
{
    QTest::addColumn<bool>("withAccount");
    QTest::newRow("open site") << false;
    QTest::newRow("site with Basic authentication") << true;
}

void TestDemoSite::searchListsMatchingTracksAndGivesTheirUrl()
{
    QFETCH(bool, withAccount);
    std::optional<demosite::DemoSiteAccount> account;
    if (withAccount)
        account = demosite::DemoSiteAccount{"listener", "p@ss:word"};
    DemoSite site(account);
    m_harness->settings.setSite(1, u"Demo"_s, site.address(), u"/mp3/"_s, withAccount ? u"listener"_s : QString(),
                                withAccount ? u"p@ss:word"_s : QString());
    m_harness->boxes.answers = {MessageBoxes::Answer::Yes, MessageBoxes::Answer::Cancel};

    m_harness->search(u"harbour"_s);

    const demosite::Catalog catalog;
    const auto expected = catalog.search("harbour");
    QVERIFY(expected.size() >= 2);
    const QStringList prompts = m_harness->boxes.promptTexts();
    QCOMPARE(prompts.size(), 2);
    const auto& first = expected.front();
    QCOMPARE(prompts.at(0), QString::fromStdString(std::to_string(first.id) + '\t' + first.title + '\t' + first.artist +
                                                   '\t' + first.album));
    QVERIFY(m_harness->pane().startsWith(u"ID\tTrack\tArtist\tAlbum\r\n"_s + prompts.at(0) +
                                         u"\r\nGetting Information...\r\n"_s));

    const QString rest = QString::fromStdString(demosite::downloadUrl(first)).mid(8);
    const QString account_ = withAccount ? u"listener:p%40ss%3Aword"_s : u":"_s;
    QCOMPARE(m_harness->boxes.okBoxes().size(), 1);
    QCOMPARE(m_harness->boxes.okBoxes().at(0).text, u"ftp://"_s + account_ + u'@' + rest);
    QVERIFY(site.log().find("POST /mp3/search.asp 200") != std::string::npos);
    QVERIFY(site.log().find("p@ss") == std::string::npos);
}

void TestDemoSite::browsingStopsAtFiftyOneHits()
{
    DemoSite site;
    m_harness->settings.setSite(1, u"Demo"_s, site.address());

    m_harness->search(u"*"_s);

    QCOMPARE(m_harness->boxes.promptTexts().size(), 51);
}

void TestDemoSite::unknownTrackHasNoFtpLink()
{
    DemoSite site;
    httplib::Client client("127.0.0.1", site.address().section(u':', 1).toInt());
    const auto answer = client.Get("/mp3/mp3info.asp?ID=99999");
    QVERIFY(answer);
    QCOMPARE(answer->status, 200);
    QCOMPARE(ftpLinkRest(QString::fromStdString(answer->body)), std::nullopt);
    QCOMPARE(client.Get("/mp3/elsewhere.asp")->status, 404);
}

QTEST_MAIN(TestDemoSite)
#include "tst_demo_site.moc"
