#include <array>
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

    void asksConfiguredSitesInOrder_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("hostless");
        QTest::addColumn<QByteArray>("asked");
        QTest::newRow("site 1 without a name") << QStringList{QString()} << false << "1"_ba;
        QTest::newRow("a gap ends the count") << u"A B  D E"_s.split(u' ') << false << "12"_ba;
        QTest::newRow("all five") << u"A B C D E"_s.split(u' ') << false << "12345"_ba;
        // An empty address leaves no host in the URL, so the request cannot start.
        QTest::newRow("site 1 without a host ends the run") << QStringList{u"A"_s, u"B"_s} << true << QByteArray();
    }

    void asksConfiguredSitesInOrder()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, hostless);
        QFETCH(QByteArray, asked);
        std::mutex mutex;
        QByteArray seen;
        std::array<LoopbackSite, 5> sites;
        for (int n = 1; n <= 5; ++n) {
            // A site asked with any other body shows up as '?'.
            sites[n - 1].setHandler([&, n](const httplib::Request& request, httplib::Response&) {
                std::lock_guard lock(mutex);
                seen += request.body == "album=one+two&Sort=ID" ? char('0' + n) : '?';
            });
            m_harness->settings.setSite(n, names.value(n - 1), n == 1 && hostless ? QString() : sites[n - 1].address());
        }

        m_harness->search(u"one two three"_s);

        QCOMPARE(seen, asked);
        QCOMPARE(m_harness->window.site(), qint16(asked.size() + 1));
        QCOMPARE(m_harness->pane(), hostless ? u"Searching......"_s : u"ID\tTrack\tArtist\tAlbum\r\n"_s);
    }

    // Failed requests are read as pages too: the run goes past the site instead of stopping at it.
    void readsWhateverComesBackAsText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("chunks");
        auto row = [](auto name, int status, QByteArray type, QByteArrayList parts, QString text, QString chunks) {
            QTest::newRow(name) << status << "text/html" + type << parts << text << chunks;
        };
        row("empty body", 200, {}, {}, {}, u"0"_s);
        row("one full chunk", 200, {}, {QByteArray(1024, 'a')}, QString(1024, u'a'), u"1024 0"_s);
        row("three chunks", 200, {}, {QByteArray(3000, 'b')}, QString(3000, u'b'), u"1024 1024 952 0"_s);
        // A character outside the BMP is not cut in half at a chunk boundary.
        row("surrogate pair at a chunk boundary", 200, {}, {QByteArray(1023, 'c') + "\xF0\x9F\x8E\xB5"},
            QString(1023, u'c') + u"\U0001F3B5"_s, u"1023 2 0"_s);
        row("latin-1 named", 200, "; charset=ISO-8859-1", {"Bj\xF6rk"}, u"Björk"_s, u"5 0"_s);
        row("quoted charset", 200, "; charset=\"windows-1252\"", {"\x93q\x94"}, u"\u201Cq\u201D"_s, u"3 0"_s);
        row("invalid utf-8 without a charset", 200, {}, {"\x80 caf\xE9"}, u"€ café"_s, u"6 0"_s);
        row("utf-8 split across packets", 200, {}, {"M\xC3", "\xB6tley \xE2\x82", "\xAC"}, u"Mötley €"_s, u"8 0"_s);
        row("server error with a body", 500, {}, {"<H1>Internal error</H1>"}, u"<H1>Internal error</H1>"_s, u"23 0"_s);
        row("not found without a body", 404, {}, {}, {}, u"0"_s);
        row("connection refused", 0, {}, {}, {}, u"0"_s);
        row("silent until the time-out", -1, {}, {}, {}, u"0"_s);
    }

    void readsWhateverComesBackAsText()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArrayList, parts);
        QFETCH(QString, text);
        QFETCH(QString, chunks);
        LoopbackSite site;
        site.setHandler([&](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_chunked_content_provider(contentType.toStdString(), [parts](size_t, httplib::DataSink& sink) {
                for (const QByteArray& part : parts)
                    sink.write(part.constData(), size_t(part.size()));
                sink.done();
                return true;
            });
        });
        site.hold(status < 0);
        // A site that has already ended leaves its port closed.
        m_harness->settings.setSite(1, u"One"_s, status == 0 ? LoopbackSite().address() : site.address());

        m_harness->search(u"x"_s);

        QCOMPARE(m_harness->window.page(), text);
        QCOMPARE(m_harness->transfer.calls.filter(u"GetChunk"_s).join(u' ').remove(u"GetChunk 1024 -> "_s), chunks);
        QCOMPARE(m_harness->window.site(), qint16(2));
        // The next fetch keeps nothing of this one.
        site.release();
        site.answerWith("");
        m_harness->search(u"x"_s);
        QCOMPARE(m_harness->window.page(), QString());
    }

    void postsTheSearchAndOffersTheAccountOnlyToTheSiteThatAsks()
    {
        LoopbackSite asking, redirecting;
        asking.setHandler([](const httplib::Request& request, httplib::Response& response) {
            response.status = request.has_header("Authorization") ? 200 : 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
        });
        redirecting.setHandler([&](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("http://localhost:" + std::to_string(asking.port()) + "/mp3/search.asp", 307);
        });
        // Site 1 asks for the account itself; site 2 leads to another host that asks.
        m_harness->settings.setSite(1, u"Asking"_s, asking.address(), u"/mp3/"_s, u"ann"_s, u"s3cr:et@"_s);
        m_harness->settings.setSite(2, u"Redirecting"_s, redirecting.address(), u"/mp3/"_s, u"ann"_s, u"s3cr:et@"_s);

        m_harness->search(u"one two three"_s);

        QCOMPARE(
            m_harness->transfer.calls.mid(0, 3).join(u'|'),
            u"UserName ann|Password s3cr:et@|Execute POST http://%1/mp3/search.asp album=one+two&Sort=ID [Referer: "
            "Quillfen's MP3 Client\r\nContent-Type: application/x-www-form-urlencoded]"_s.arg(asking.address()));
        const auto r = asking.requests().at(0);
        QCOMPARE(r.method + ' ' + r.target + ' ' + r.body + '|' + r.contentType + '|' + r.referer,
                 "POST /mp3/search.asp album=one+two&Sort=ID|application/x-www-form-urlencoded|Quillfen's MP3 Client");
        // The account goes only in answer to the asking site, and never to a host reached by a redirect.
        std::string sent;
        for (const auto& request : asking.requests())
            sent += request.authorization + ';';
        QCOMPARE(sent, ";Basic " + QByteArray("ann:s3cr:et@").toBase64().toStdString() + ";;");
        // Closes the manager's spare connection now, or the site's end would wait out its idle time.
        m_harness.reset();
    }

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

QTEST_MAIN(TestPageFetch)
#include "tst_page_fetch.moc"
