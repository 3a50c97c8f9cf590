#include <sstream>

#include <QTest>

#include <httplib.h>

#include "catalog.h"
#include "demo_site.h"
#include "loopback_site.h"
#include "pages.h"
#include "qt_transfer_component.h"
#include "run_harness.h"

using namespace Qt::StringLiterals;

class TestDemoSite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One round trip through the demo site behind Basic authentication: a search, then a wanted hit's FTP URL.
    void searchListsMatchingTracksAndGivesTheirUrl()
    {
        std::ostringstream log;
        const demosite::DemoSiteAccount account{"listener", "p@ss:word"};
        LoopbackSite site([&](httplib::Server& server) { demosite::registerDemoSite(server, {account, &log}); });
        QtTransferComponent transfer;
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Demo"_s, site.address(), u"/mp3/"_s, u"listener"_s, u"p@ss:word"_s);
        harness.listener.answers = {RunListener::Answer::Yes, RunListener::Answer::Cancel};

        QCOMPARE(harness.summaries(u"harbour"_s), QStringList{u"Demo: cancelled"_s});

        const demosite::Track first = demosite::Catalog().search("harbour").front();
        const QString hit = QString::fromStdString(std::to_string(first.id) + '\t' + first.title + '\t' + first.artist +
                                                   '\t' + first.album);
        const QString rest = QString::fromStdString(demosite::downloadUrl(first)).mid(8);
        QCOMPARE(harness.listener.shown.mid(0, 2), QStringList({hit, u"ftp://listener:p%40ss%3Aword@"_s + rest}));
        QVERIFY(log.str().find("POST /mp3/search.asp 200") != std::string::npos);
        QVERIFY(log.str().find("p@ss") == std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestDemoSite)
#include "tst_demo_site.moc"
