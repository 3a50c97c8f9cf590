#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "page_fetcher.h"
#include "qt_event_delivery.h"
#include "qt_transfer_component.h"
#include "site_request.h"
#include "temporary_settings.h"

using namespace Qt::StringLiterals;
using Kind = TransferError::Kind;

namespace {

constexpr qsizetype bodyLimit = 128 * 1024;

// The real transfer against loopback sites, with a short time-out and a small size cap.
struct Fetching
{
    std::optional<FetchResult> fetch(int site, const SiteRequest& request = searchRequest(u"x"_s))
    {
        return PageFetcher(settings.store, transfer, events).fetch(site, request);
    }

    TemporarySettings settings;
    QtEventDelivery events;
    QtTransferComponent transfer{std::chrono::milliseconds(500), bodyLimit};
};

} // namespace

class TestPageFetch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhateverComesBackAsText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::optional<Kind>>("error");
        const std::optional<Kind> none;
        const auto row = [](const char* name, int status, const QByteArray& type, const QByteArrayList& parts,
                            const QString& page, std::optional<Kind> error) {
            QTest::newRow(name) << status << "text/html" + type << parts << page << error;
        };
        row("empty body", 200, {}, {}, {}, none);
        row("charset named in capitals", 200, "; Charset=ISO-8859-1", {"Bj\xF6rk"}, u"Björk"_s, none);
        row("quoted charset", 200, "; charset=\"windows-1252\"", {"\x93q\x94"}, u"\u201Cq\u201D"_s, none);
        row("a charset other than the fallback", 200, "; charset=ISO-8859-15", {"\xA4"}, u"€"_s, none);
        row("invalid utf-8 without a charset", 200, {}, {"\x80 caf\xE9"}, u"€ café"_s, none);
        row("invalid byte after 64 KiB", 200, {}, {QByteArray(70000, 'a') + "\xE9"}, QString(70000, u'a') + u"é"_s,
            none);
        row("NUL bytes kept", 200, {}, {QByteArray("a\0b\xFF", 4)}, u"a\0b\u00FF"_s, none);
        row("ends inside a utf-8 sequence", 200, {}, {"caf\xE9"}, u"café"_s, none);
        row("utf-8 split across packets", 200, {}, {"M\xC3", "\xB6tley \xE2\x82", "\xAC"}, u"Mötley €"_s, none);
        row("server error with a body", 500, {}, {"<H1>Oops</H1>"}, u"<H1>Oops</H1>"_s, Kind::HttpStatus);
        row("not found without a body", 404, {}, {}, {}, Kind::HttpStatus);
        row("exactly the size cap", 200, {}, {QByteArray(bodyLimit, 'z')}, QString(bodyLimit, u'z'), none);
        row("one byte over the size cap", 200, {}, {QByteArray(bodyLimit + 1, 'z')}, {}, Kind::TooLarge);
        row("connection refused", 0, {}, {}, {}, Kind::CouldNotConnect);
        row("silent until the time-out", -1, {}, {}, {}, Kind::TimedOut);
    }

    void readsWhateverComesBackAsText()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArrayList, parts);
        QFETCH(QString, page);
        QFETCH(std::optional<Kind>, error);
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
        Fetching fetching;
        // A site that has already ended leaves its port closed.
        fetching.settings.setSite(1, u"One"_s, status == 0 ? LoopbackSite().address() : site.address());

        const std::optional<FetchResult> result = fetching.fetch(1);

        QVERIFY(result);
        QCOMPARE(result->page.text(), page);
        QCOMPARE(result->error ? std::optional(result->error->kind) : std::nullopt, error);
        site.release();
    }

    // Site 1 (ann) and site 2 (bob) are reached through `via`; only the site that asks gets the account, each its own.
    void offersEachSiteItsOwnAccountOnlyWhenItAsks_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addColumn<std::vector<std::string>>("authorizations");
        const auto basic = [](const char* account) { return "Basic " + QByteArray(account).toBase64().toStdString(); };
        QTest::newRow("the asking site itself")
            << u"direct"_s << std::vector<std::string>{"", basic("ann:s3cr:et@"), "", basic("bob:pw")};
        QTest::newRow("a redirect to another host") << u"localhost"_s << std::vector<std::string>{"", ""};
        QTest::newRow("a redirect to another port") << u"127.0.0.1"_s << std::vector<std::string>{"", ""};
    }

    void offersEachSiteItsOwnAccountOnlyWhenItAsks()
    {
        QFETCH(QString, via);
        QFETCH(std::vector<std::string>, authorizations);
        LoopbackSite asking, redirecting;
        asking.setHandler([](const httplib::Request& request, httplib::Response& response) {
            response.status = request.has_header("Authorization") ? 200 : 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
        });
        redirecting.setHandler([&](const httplib::Request& request, httplib::Response& response) {
            response.set_redirect("http://" + via.toStdString() + ':' + std::to_string(asking.port()) + request.target,
                                  307);
        });
        Fetching fetching;
        const QString address = via == u"direct"_s ? asking.address() : redirecting.address();
        fetching.settings.setSite(1, u"Ann"_s, address, u"/mp3/"_s, u"ann"_s, u"s3cr:et@"_s);
        fetching.settings.setSite(2, u"Bob"_s, address, u"/mp3/"_s, u"bob"_s, u"pw"_s);

        QVERIFY(fetching.fetch(1));
        QVERIFY(fetching.fetch(2));

        std::vector<std::string> sent;
        for (const LoopbackSite::Recorded& request : asking.requests())
            sent.push_back(request.authorization);
        QCOMPARE(sent, authorizations);
        const LoopbackSite::Recorded first = asking.requests().at(0);
        QCOMPARE(first.method + ' ' + first.target + ' ' + first.body, "POST /mp3/search.asp album=x&Sort=ID");
        QCOMPARE(first.contentType, "application/x-www-form-urlencoded");
        QCOMPARE(first.referer, "Quillfen's MP3 Client");
    }

    void sendsTheDetailsRequestWithoutABody()
    {
        LoopbackSite site;
        Fetching fetching;
        fetching.settings.setSite(1, u"One"_s, site.address());
        QVERIFY(fetching.fetch(1, detailsRequest(u"57"_s)));
        const LoopbackSite::Recorded request = site.requests().at(0);
        QCOMPARE(request.method + ' ' + request.target, "GET /mp3/mp3info.asp?ID=57");
        QVERIFY(!request.hasBody);
        QCOMPARE(request.referer, "Quillfen's MP3 Client");
        QCOMPARE(request.contentType, "");
    }
};

QTEST_GUILESS_MAIN(TestPageFetch)
#include "tst_page_fetch.moc"
