#include <memory>
#include <mutex>

#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <httplib.h>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

const std::string form = "application/x-www-form-urlencoded";
const std::string referer = "Quillfen's MP3 Client";

std::string repeated(char c, size_t count)
{
    return std::string(count, c);
}

} // namespace

class TestPageFetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void postsTheSearchRequestExactly();
    void visitsConfiguredSitesInOrder_data();
    void visitsConfiguredSitesInOrder();
    void readsTheWholeBodyInChunks_data();
    void readsTheWholeBodyInChunks();
    void decodesTheBody_data();
    void decodesTheBody();
    void keepsOnlyTheLatestAnswer();
    void readsFailedRequestsAsPages_data();
    void readsFailedRequestsAsPages();
    void endsTheRunWhenARequestCannotStart();
    void setsTheSiteAccountBeforeEveryRequest();
    void offersTheAccountOnlyWhenTheSiteAsks();
    void neverOffersTheAccountToARedirectedHost();
    void endsASilentRequestAfterTheTimeout();
    void usesValuesStoredWhileWaiting();

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

void TestPageFetch::postsTheSearchRequestExactly()
{
    LoopbackSite site;
    site.answerWith("<HTML>no hits</HTML>");
    m_harness->settings.setSite(1, u"One"_s, site.address());

    m_harness->search(u"Miles Davis Kind Blue"_s);

    const auto requests = site.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, "POST");
    QCOMPARE(requests[0].target, "/mp3/search.asp");
    QCOMPARE(requests[0].body, "album=Miles+Davis+Blue&Sort=ID");
    QCOMPARE(requests[0].contentType, form);
    QCOMPARE(requests[0].referer, referer);
    QCOMPARE(m_harness->transfer.headerBlocks,
             QStringList{u"Referer: Quillfen's MP3 Client\r\nContent-Type: application/x-www-form-urlencoded"_s});
    QCOMPARE(m_harness->window.page(), u"<HTML>no hits</HTML>"_s);
}

void TestPageFetch::visitsConfiguredSitesInOrder_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("visited");

    QTest::newRow("only site 1") << QStringList{u"A"_s} << QList<int>{1};
    QTest::newRow("site 1 without a name is searched all the same") << QStringList{QString()} << QList<int>{1};
    QTest::newRow("three sites") << QStringList{u"A"_s, u"B"_s, u"C"_s} << QList<int>{1, 2, 3};
    QTest::newRow("a gap ends the count") << QStringList{u"A"_s, u"B"_s, QString(), u"D"_s, u"E"_s} << QList<int>{1, 2};
    QTest::newRow("all five") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << QList<int>{1, 2, 3, 4, 5};
}

void TestPageFetch::visitsConfiguredSitesInOrder()
{
    QFETCH(QStringList, names);
    QFETCH(QList<int>, visited);

    std::mutex mutex;
    QList<int> order;
    std::vector<std::unique_ptr<LoopbackSite>> sites;
    for (int n = 1; n <= 5; ++n) {
        sites.push_back(std::make_unique<LoopbackSite>());
        sites.back()->setHandler([&, n](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(mutex);
            order.append(n);
            response.set_content("page " + std::to_string(n), "text/html");
        });
        m_harness->settings.setSite(n, n <= names.size() ? names.at(n - 1) : QString(), sites.back()->address());
    }

    m_harness->search(u"one two three"_s);

    QCOMPARE(order, visited);
    for (int n : visited)
        QCOMPARE(sites[n - 1]->requests().at(0).body, "album=one+two&Sort=ID");
    QCOMPARE(m_harness->window.site(), qint16(visited.size() + 1));
}

void TestPageFetch::readsTheWholeBodyInChunks_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("chunkCalls");

    const QString last = u"GetChunk 1024 -> 0"_s;
    QTest::newRow("empty body") << QByteArray() << QStringList{last};
    QTest::newRow("one full chunk") << QByteArray(1024, 'a') << QStringList{u"GetChunk 1024 -> 1024"_s, last};
    QTest::newRow("three chunks") << QByteArray(3000, 'b')
                                  << QStringList{u"GetChunk 1024 -> 1024"_s, u"GetChunk 1024 -> 1024"_s,
                                                 u"GetChunk 1024 -> 952"_s, last};
    // A character outside the BMP across the chunk boundary is handed out whole in the next chunk.
    QTest::newRow("surrogate pair at the boundary")
        << QByteArray(1023, 'c') + "\xF0\x9F\x8E\xB5"
        << QStringList{u"GetChunk 1024 -> 1023"_s, u"GetChunk 1024 -> 2"_s, last};
}

void TestPageFetch::readsTheWholeBodyInChunks()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, chunkCalls);

    LoopbackSite site;
    site.answerWith(body.toStdString(), "text/html; charset=utf-8");
    m_harness->settings.setSite(1, u"One"_s, site.address());

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->window.page(), QString::fromUtf8(body));
    const QStringList chunks = m_harness->transfer.calls.filter(u"GetChunk"_s);
    QCOMPARE(chunks, chunkCalls);
    // Events are delivered once before every GetChunk.
    QCOMPARE(m_harness->events.pendingDeliveries, chunkCalls.size());
}

void TestPageFetch::decodesTheBody_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArrayList>("parts");
    QTest::addColumn<QString>("text");

    QTest::newRow("utf-8 named") << QByteArray("text/html; charset=utf-8") << QByteArrayList{"Bj\xC3\xB6rk"}
                                 << u"Björk"_s;
    QTest::newRow("latin-1 named") << QByteArray("text/html; charset=ISO-8859-1") << QByteArrayList{"Bj\xF6rk"}
                                   << u"Björk"_s;
    QTest::newRow("quoted charset") << QByteArray("text/html; charset=\"windows-1252\"")
                                    << QByteArrayList{"\x93quoted\x94"} << u"\u201Cquoted\u201D"_s;
    QTest::newRow("valid utf-8 without a charset")
        << QByteArray("text/html") << QByteArrayList{"caf\xC3\xA9"} << u"café"_s;
    QTest::newRow("invalid utf-8 without a charset")
        << QByteArray("text/html") << QByteArrayList{"\x80 caf\xE9"} << u"€ café"_s;
    QTest::newRow("character split across packets")
        << QByteArray("text/html") << QByteArrayList{"Mot\xC3", "\xB6rhead \xE2\x82", "\xAC"} << u"Motörhead €"_s;
}

void TestPageFetch::decodesTheBody()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArrayList, parts);
    QFETCH(QString, text);

    LoopbackSite site;
    site.setHandler([&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider(contentType.toStdString(), [parts](size_t, httplib::DataSink& sink) {
            for (const QByteArray& part : parts)
                sink.write(part.constData(), size_t(part.size()));
            sink.done();
            return true;
        });
    });
    m_harness->settings.setSite(1, u"One"_s, site.address());

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->window.page(), text);
}

void TestPageFetch::keepsOnlyTheLatestAnswer()
{
    LoopbackSite site;
    site.answerWith(repeated('L', 5000));
    m_harness->settings.setSite(1, u"One"_s, site.address());
    m_harness->search(u"first"_s);
    QCOMPARE(m_harness->window.page().size(), 5000);

    site.answerWith("short");
    m_harness->search(u"second"_s);
    QCOMPARE(m_harness->window.page(), u"short"_s);

    site.answerWith("");
    m_harness->search(u"third"_s);
    QCOMPARE(m_harness->window.page(), QString());
    QCOMPARE(site.requestCount(), size_t(3));
}

void TestPageFetch::readsFailedRequestsAsPages_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("refused");

    QTest::newRow("server error with a body") << 500 << u"<H1>Internal error</H1>"_s << false;
    QTest::newRow("not found without a body") << 404 << QString() << false;
    QTest::newRow("connection refused") << 0 << QString() << true;
}

void TestPageFetch::readsFailedRequestsAsPages()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(bool, refused);

    auto site = std::make_unique<LoopbackSite>();
    site->answerWith(body.toStdString(), "text/html", status);
    const QString address = site->address();
    if (refused)
        site.reset();
    m_harness->settings.setSite(1, u"Broken"_s, address);

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->window.page(), body);
    // Not a reported failure: the run went past the site instead of stopping at it.
    QCOMPARE(m_harness->window.site(), qint16(2));
}

void TestPageFetch::endsTheRunWhenARequestCannotStart()
{
    LoopbackSite second;
    second.answerWith("never read");
    // An empty address leaves no host in the URL.
    m_harness->settings.setSite(1, u"No host"_s, QString());
    m_harness->settings.setSite(2, u"Fine"_s, second.address());

    m_harness->search(u"x"_s);

    QCOMPARE(second.requestCount(), size_t(0));
    QCOMPARE(m_harness->window.site(), qint16(1));
    QCOMPARE(m_harness->pane(), u"Searching......"_s);
    QVERIFY(m_harness->boxes.shown.isEmpty());
}

void TestPageFetch::setsTheSiteAccountBeforeEveryRequest()
{
    LoopbackSite one;
    LoopbackSite two;
    one.answerWith("1");
    two.answerWith("2");
    m_harness->settings.setSite(1, u"One"_s, one.address(), u"/a/"_s, u"ann"_s, u"pw1"_s);
    m_harness->settings.setSite(2, u"Two"_s, two.address(), u"/b/"_s, QString(), QString());

    m_harness->search(u"x"_s);

    const QStringList calls = m_harness->transfer.calls.filter(QRegularExpression(u"^(UserName|Password|Execute)"_s));
    QCOMPARE(calls, (QStringList{u"UserName ann"_s, u"Password pw1"_s,
                                 u"Execute POST http://"_s + one.address() + u"/a/search.asp"_s, u"UserName "_s,
                                 u"Password "_s, u"Execute POST http://"_s + two.address() + u"/b/search.asp"_s}));
    // A site that never asks is never sent the account.
    QCOMPARE(one.requests().at(0).authorization, "");
}

void TestPageFetch::offersTheAccountOnlyWhenTheSiteAsks()
{
    LoopbackSite site;
    const std::string expected = "Basic " + QByteArray("ann:s3cr:et@").toBase64().toStdString();
    site.setHandler([&](const httplib::Request& request, httplib::Response& response) {
        if (request.get_header_value("Authorization") != expected) {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
            response.set_content("denied", "text/html");
            return;
        }
        response.set_content("members only", "text/html");
    });
    m_harness->settings.setSite(1, u"One"_s, site.address(), u"/mp3/"_s, u"ann"_s, u"s3cr:et@"_s);

    m_harness->search(u"x"_s);

    const auto requests = site.requests();
    QCOMPARE(m_harness->window.page(), u"members only"_s);
    QCOMPARE(requests.size(), size_t(2));
    QCOMPARE(requests[0].authorization, "");
    QCOMPARE(requests[1].authorization, expected);
    QCOMPARE(requests[1].body, "album=x&Sort=ID");
}

void TestPageFetch::neverOffersTheAccountToARedirectedHost()
{
    LoopbackSite other;
    other.setHandler([](const httplib::Request&, httplib::Response& response) {
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"elsewhere\"");
        response.set_content("who are you", "text/html");
    });
    LoopbackSite site;
    const std::string target = "http://localhost:" + std::to_string(other.port()) + "/mp3/search.asp";
    site.setHandler([&](const httplib::Request&, httplib::Response& response) { response.set_redirect(target, 307); });
    m_harness->settings.setSite(1, u"One"_s, site.address(), u"/mp3/"_s, u"ann"_s, u"secret"_s);

    m_harness->search(u"x"_s);

    QVERIFY(other.requestCount() >= 1);
    for (const auto& request : other.requests())
        QCOMPARE(request.authorization, "");
    QCOMPARE(m_harness->window.page(), u"who are you"_s);
}

void TestPageFetch::endsASilentRequestAfterTheTimeout()
{
    m_harness.reset();
    m_harness = std::make_unique<MainWindowHarness>(std::chrono::milliseconds(300));
    LoopbackSite silent;
    silent.hold();
    LoopbackSite second;
    second.answerWith("second");
    m_harness->settings.setSite(1, u"Silent"_s, silent.address());
    m_harness->settings.setSite(2, u"Fine"_s, second.address());

    m_harness->search(u"x"_s);

    // The time-out is no reported failure: the run goes on with the next site.
    QCOMPARE(second.requestCount(), size_t(1));
    QCOMPARE(m_harness->window.page(), u"second"_s);
    QVERIFY(m_harness->events.waits > 0);
}

void TestPageFetch::usesValuesStoredWhileWaiting()
{
    LoopbackSite slow;
    LoopbackSite oldSecond;
    LoopbackSite newSecond;
    oldSecond.answerWith("old");
    newSecond.answerWith("new");
    slow.hold();
    m_harness->settings.setSite(1, u"Slow"_s, slow.address());
    m_harness->settings.setSite(2, u"Second"_s, oldSecond.address());

    // While site 1 is silent, the second site's record changes; the run reads it afresh when it gets there.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (slow.requestCount() == 0)
            return;
        poll.stop();
        m_harness->settings.setSite(2, u"Second"_s, newSecond.address(), u"/other/"_s);
        slow.release();
    });
    poll.start(10);

    m_harness->search(u"x"_s);

    QCOMPARE(oldSecond.requestCount(), size_t(0));
    QCOMPARE(newSecond.requests().at(0).target, "/other/search.asp");
}

QTEST_MAIN(TestPageFetch)
#include "tst_page_fetch.moc"
