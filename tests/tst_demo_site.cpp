#include <memory>
#include <sstream>

#include <QTest>

#include <httplib.h>

#include "catalog.h"
#include "demo_site.h"
#include "ftp_link.h"
#include "loopback_site.h"
#include "pages.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

class TestDemoSite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void searchListsMatchingTracksAndGivesTheirUrl_data()
    {
        QTest::addColumn<bool>("withAccount");
        QTest::newRow("open site") << false;
        QTest::newRow("site with Basic authentication") << true;
    }

    void searchListsMatchingTracksAndGivesTheirUrl()
    {
        QFETCH(bool, withAccount);
        std::ostringstream log;
        std::optional<demosite::DemoSiteAccount> account;
        if (withAccount)
            account = demosite::DemoSiteAccount{"listener", "p@ss:word"};
        LoopbackSite site([&](httplib::Server& server) { demosite::registerDemoSite(server, {account, &log}); });
        m_harness->settings.setSite(1, u"Demo"_s, site.address(), u"/mp3/"_s, withAccount ? u"listener"_s : QString(),
                                    withAccount ? u"p@ss:word"_s : QString());
        m_harness->boxes.answers = {MessageBoxes::Answer::Yes, MessageBoxes::Answer::Cancel};

        m_harness->search(u"harbour"_s);

        const demosite::Track first = demosite::Catalog().search("harbour").front();
        const QString hit = QString::fromStdString(std::to_string(first.id) + '\t' + first.title + '\t' + first.artist +
                                                   '\t' + first.album);
        QCOMPARE(m_harness->boxes.promptTexts().size(), 2);
        QCOMPARE(m_harness->boxes.promptTexts().at(0), hit);
        QVERIFY(m_harness->pane().startsWith(u"ID\tTrack\tArtist\tAlbum\r\n"_s + hit + u"\r\nGetting Information"_s));
        const QString rest = QString::fromStdString(demosite::downloadUrl(first)).mid(8);
        QCOMPARE(m_harness->boxes.okBoxes().at(0).text,
                 u"ftp://"_s + (withAccount ? u"listener:p%40ss%3Aword"_s : u":"_s) + u'@' + rest);
        QVERIFY(log.str().find("POST /mp3/search.asp 200") != std::string::npos);
        QVERIFY(log.str().find("p@ss") == std::string::npos);
    }

    void browsingStopsAtFiftyOneHits()
    {
        LoopbackSite site([](httplib::Server& server) { demosite::registerDemoSite(server, {}); });
        m_harness->settings.setSite(1, u"Demo"_s, site.address());
        m_harness->search(u"*"_s);
        QCOMPARE(m_harness->boxes.promptTexts().size(), 51);
    }

    void unknownTrackHasNoFtpLink()
    {
        LoopbackSite site([](httplib::Server& server) { demosite::registerDemoSite(server, {}); });
        httplib::Client client("127.0.0.1", site.port());
        const auto answer = client.Get("/mp3/mp3info.asp?ID=99999");
        QCOMPARE(answer->status, 200);
        QCOMPARE(ftpLinkRest(QString::fromStdString(answer->body)), std::nullopt);
        QCOMPARE(client.Get("/mp3/elsewhere.asp")->status, 404);
    }

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

QTEST_MAIN(TestDemoSite)
#include "tst_demo_site.moc"
