#include <memory>
#include <mutex>

#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

class TestPageFetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(std::chrono::milliseconds(500)); }
    void cleanup() { m_harness.reset(); }

    void postsTheSearchRequestExactly()
    {
        LoopbackSite site;
        site.answerWith("<HTML>no hits</HTML>");
        m_harness->settings.setSite(1, u"One"_s, site.address(), u"/mp3/"_s, u"ann"_s, u"pw"_s);

        m_harness->search(u"Miles Davis Kind Blue"_s);

        const auto request = site.requests().at(0);
        QCOMPARE(request.method + ' ' + request.target + ' ' + request.body,
                 "POST /mp3/search.asp album=Miles+Davis+Blue&Sort=ID");
        QCOMPARE(request.contentType, "application/x-www-form-urlencoded");
        QCOMPARE(request.referer, "Quillfen's MP3 Client");
        // A site that does not ask is never sent the account.
        QCOMPARE(request.authorization, "");
        QCOMPARE(m_harness->transfer.calls.mid(0, 3),
                 (QStringList{u"UserName ann"_s, u"Password pw"_s,
                              u"Execute POST http://%1/mp3/search.asp album=Miles+Davis+Blue&Sort=ID [Referer: "
                              "Quillfen's MP3 Client\r\nContent-Type: application/x-www-form-urlencoded]"_s.arg(
                                  site.address())}));
    }

    void visitsConfiguredSitesInOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("visited");
        QTest::newRow("site 1 without a name") << QStringList{QString()} << QList<int>{1};
        QTest::newRow("a gap ends the count") << QStringList{u"A"_s, u"B"_s, {}, u"D"_s, u"E"_s} << QList<int>{1, 2};
        QTest::newRow("all five") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << QList<int>{1, 2, 3, 4, 5};
    }

    void visitsConfiguredSitesInOrder()
    {
        QFETCH(QStringList, names);
        QFETCH(QList<int>, visited);
        std::mutex mutex;
        QList<std::string> bodies;
        std::vector<std::unique_ptr<LoopbackSite>> sites;
        for (int n = 1; n <= 5; ++n) {
            sites.push_back(std::make_unique<LoopbackSite>());
            sites.back()->setHandler([&, n](const httplib::Request& request, httplib::Response&) {
                std::lock_guard lock(mutex);
                bodies.append(std::to_string(n) + ' ' + request.body);
            });
            m_harness->settings.setSite(n, names.value(n - 1), sites.back()->address());
        }

        m_harness->search(u"one two three"_s);

        QList<std::string> expected;
        for (int n : visited)
            expected.append(std::to_string(n) + " album=one+two&Sort=ID");
        QCOMPARE(bodies, expected);
        QCOMPARE(m_harness->window.site(), qint16(visited.size() + 1));
    }

    void readsTheBodyAsText_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("chunks");
        const QByteArray html = "text/html";
        QTest::newRow("empty body") << html << QByteArrayList{} << QString() << QList<int>{0};
        QTest::newRow("one full chunk") << html << QByteArrayList{QByteArray(1024, 'a')} << QString(1024, u'a')
                                        << QList<int>{1024, 0};
        QTest::newRow("three chunks") << html << QByteArrayList{QByteArray(3000, 'b')} << QString(3000, u'b')
                                      << QList<int>{1024, 1024, 952, 0};
        // A character outside the BMP is not cut in half at a chunk boundary.
        QTest::newRow("surrogate pair at a chunk boundary")
            << html << QByteArrayList{QByteArray(1023, 'c') + "\xF0\x9F\x8E\xB5"}
            << QString(1023, u'c') + u"\U0001F3B5"_s << QList<int>{1023, 2, 0};
        QTest::newRow("latin-1 named") << QByteArray("text/html; charset=ISO-8859-1") << QByteArrayList{"Bj\xF6rk"}
                                       << u"Björk"_s << QList<int>{};
        QTest::newRow("quoted charset") << QByteArray("text/html; charset=\"windows-1252\"")
                                        << QByteArrayList{"\x93q\x94"} << u"\u201Cq\u201D"_s << QList<int>{};
        QTest::newRow("invalid utf-8 without a charset")
            << html << QByteArrayList{"\x80 caf\xE9"} << u"€ café"_s << QList<int>{};
        QTest::newRow("utf-8 split across packets")
            << html << QByteArrayList{"Mot\xC3", "\xB6rhead \xE2\x82", "\xAC"} << u"Motörhead €"_s << QList<int>{};
    }

    void readsTheBodyAsText()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArrayList, parts);
        QFETCH(QString, text);
        QFETCH(QList<int>, chunks);
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
        QStringList expected;
        for (int length : chunks)
            expected.append(u"GetChunk 1024 -> %1"_s.arg(length));
        if (!chunks.isEmpty())
            QCOMPARE(m_harness->transfer.calls.filter(u"GetChunk"_s), expected);
        // The next fetch keeps nothing of this one.
        site.answerWith("");
        m_harness->search(u"x"_s);
        QCOMPARE(m_harness->window.page(), QString());
    }

    void readsFailedRequestsAsPages_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("body");
        QTest::newRow("server error with a body") << 500 << u"<H1>Internal error</H1>"_s;
        QTest::newRow("not found without a body") << 404 << QString();
        QTest::newRow("connection refused") << 0 << QString();
        QTest::newRow("silent until the time-out") << -1 << QString();
    }

    void readsFailedRequestsAsPages()
    {
        QFETCH(int, status);
        QFETCH(QString, body);
        auto site = std::make_unique<LoopbackSite>();
        site->answerWith(body.toStdString(), "text/html", status);
        site->hold(status < 0);
        m_harness->settings.setSite(1, u"Broken"_s, site->address());
        if (status == 0)
            site.reset();

        m_harness->search(u"x"_s);

        QCOMPARE(m_harness->window.page(), body);
        // No reported failure: the run went past the site instead of stopping at it.
        QCOMPARE(m_harness->window.site(), qint16(2));
    }

    void endsTheRunWhenARequestCannotStart()
    {
        LoopbackSite second;
        // An empty address leaves no host in the URL.
        m_harness->settings.setSite(1, u"No host"_s, QString());
        m_harness->settings.setSite(2, u"Fine"_s, second.address());

        m_harness->search(u"x"_s);

        QCOMPARE(second.requestCount(), size_t(0));
        QCOMPARE(m_harness->window.site(), qint16(1));
        QCOMPARE(m_harness->pane(), u"Searching......"_s);
    }

    void offersTheAccountOnlyToTheSiteThatAsks_data()
    {
        QTest::addColumn<bool>("redirected");
        QTest::newRow("the site itself asks") << false;
        QTest::newRow("a host it redirects to asks") << true;
    }

    void offersTheAccountOnlyToTheSiteThatAsks()
    {
        QFETCH(bool, redirected);
        const std::string expected = "Basic " + QByteArray("ann:s3cr:et@").toBase64().toStdString();
        LoopbackSite asking;
        asking.setHandler([&](const httplib::Request& request, httplib::Response& response) {
            const bool admitted = request.get_header_value("Authorization") == expected;
            response.status = admitted ? 200 : 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
            response.set_content(admitted ? "members only" : "denied", "text/html");
        });
        LoopbackSite redirecting;
        redirecting.setHandler([&](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("http://localhost:" + std::to_string(asking.port()) + "/mp3/search.asp", 307);
        });
        m_harness->settings.setSite(1, u"One"_s, redirected ? redirecting.address() : asking.address(), u"/mp3/"_s,
                                    u"ann"_s, u"s3cr:et@"_s);

        m_harness->search(u"x"_s);

        QCOMPARE(asking.requests().at(0).authorization, "");
        QCOMPARE(asking.requests().back().authorization, redirected ? "" : expected);
        QCOMPARE(m_harness->window.page(), redirected ? u"denied"_s : u"members only"_s);
        // Closes the manager's spare connection now, or the site's end would wait out its idle time.
        m_harness.reset();
    }

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

QTEST_MAIN(TestPageFetch)
#include "tst_page_fetch.moc"
