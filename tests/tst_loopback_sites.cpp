#include "catalog.h"
#include "demo_site.h"
#include "harness.h"
#include "loopback_site.h"
#include "pages.h"

using Kind = TransferError::Kind;
using Run = RunHarness<NetworkModule>;
using httplib::Request;
using httplib::Response;
using std::chrono::milliseconds;

namespace {

constexpr qsizetype bodyLimit = 128 * 1024;

// As a user trusts a private authority by adding it to the system store, the tests trust theirs.
TransferConfig limits(milliseconds inactivity = std::chrono::seconds(60), qsizetype body = TransferConfig().bodyLimit,
                      milliseconds deadline = std::chrono::seconds(180))
{
    return {inactivity, deadline, body, TransferConfig().headerLimit, QFINDTESTDATA("tls/authority.pem")};
}

std::optional<FetchResult> fetch(Run& run, int site, const SiteRequest& request = searchRequest(u"x"_s))
{
    return PageFetcher(run.settings.store, run.transfer, run.events).fetch(site, request);
}

void challenge(Response& response, const std::string& header = "Basic realm=\"members\"")
{
    response.status = 401;
    response.set_header("WWW-Authenticate", header);
}

} // namespace

// The real transfer against sites on the loopback interface: what a fetch reads and sends, and sites that misbehave
// or cannot be trusted, each of which ends its own site alone while the plain site asked after it still answers.
class TestLoopbackSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_next.answerWith("<TR><TR>"); }

    // With a short time-out and a small size cap.
    void readsWhateverComesBackAsText_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::optional<Kind>>("error");
        const auto row = [](const char* name, const QByteArray& type, const QByteArrayList& parts, const QString& page,
                            std::optional<Kind> error = {}) {
            QTest::newRow(name) << "text/html" + type << parts << page << error;
        };
        // In ISO-8859-15, unlike the fallback, 0xA4 is the euro sign.
        row("charset named in capitals", "; Charset=ISO-8859-15", {"\xA4"}, u"€"_s);
        row("quoted charset", "; charset=\"ISO-8859-15\"", {"\xA4"}, u"€"_s);
        row("invalid utf-8 without a charset", {}, {"\x80 caf\xE9"}, u"€ café"_s);
        row("invalid byte after 64 KiB", {}, {QByteArray(70000, 'a') + "\xE9"}, QString(70000, u'a') + u"é"_s);
        row("NUL bytes kept", {}, {QByteArray("a\0b\xFF", 4)}, u"a\0b\u00FF"_s);
        row("utf-8 split across packets", {}, {"M\xC3", "\xB6tley \xE2\x82", "\xAC"}, u"Mötley €"_s);
        row("exactly the size cap", {}, {QByteArray(bodyLimit, 'z')}, QString(bodyLimit, u'z'));
        row("one byte over the size cap", {}, {QByteArray(bodyLimit + 1, 'z')}, {}, Kind::TooLarge);
        // The site holds the request.
        row("silent until the time-out", {}, {}, {}, Kind::TimedOut);
    }

    void readsWhateverComesBackAsText()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArrayList, parts);
        QFETCH(QString, page);
        QFETCH(std::optional<Kind>, error);
        LoopbackSite site;
        site.setHandler([&](const Request&, Response& response) {
            response.set_chunked_content_provider(contentType.toStdString(), [parts](size_t, httplib::DataSink& sink) {
                for (const QByteArray& part : parts)
                    sink.write(part.constData(), size_t(part.size()));
                sink.done();
                return true;
            });
        });
        site.hold(error == Kind::TimedOut);
        Run run(limits(milliseconds(500), bodyLimit));
        run.settings.setSite(1, u"One"_s, site.address());

        const std::optional<FetchResult> result = fetch(run, 1);

        QVERIFY(result);
        QCOMPARE(result->page.text(), page);
        QCOMPARE(result->error ? std::optional(result->error->kind) : std::nullopt, error);
    }

    // Site 1 (ann) and site 2 (bob) are reached through `via`; only the site that asks gets the account, each its
    // own. Then site 1 is asked for a track's details.
    void offersEachSiteItsOwnAccountOnlyWhenItAsks_data()
    {
        QTest::addColumn<QString>("via");
        QTest::addColumn<std::vector<std::string>>("authorizations");
        const auto basic = [](const char* account) { return "Basic " + QByteArray(account).toBase64().toStdString(); };
        const std::string ann = basic("ann:s3cr:et@");
        QTest::newRow("the asking site itself")
            << u"direct"_s << std::vector<std::string>{"", ann, "", basic("bob:pw"), "", ann};
        QTest::newRow("a redirect to another host") << u"localhost"_s << std::vector<std::string>{"", "", ""};
        QTest::newRow("a redirect to another port") << u"127.0.0.1"_s << std::vector<std::string>{"", "", ""};
    }

    void offersEachSiteItsOwnAccountOnlyWhenItAsks()
    {
        QFETCH(QString, via);
        QFETCH(std::vector<std::string>, authorizations);
        LoopbackSite asking, redirecting;
        asking.setHandler([](const Request& request, Response& response) {
            if (!request.has_header("Authorization"))
                challenge(response);
        });
        redirecting.setHandler([&](const Request& request, Response& response) {
            response.set_redirect("http://" + via.toStdString() + ':' + std::to_string(asking.port()) + request.target,
                                  307);
        });
        Run run(limits());
        const QString address = via == u"direct"_s ? asking.address() : redirecting.address();
        run.settings.setSite(1, u"Ann"_s, address, u"/mp3/"_s, u"ann"_s, u"s3cr:et@"_s);
        run.settings.setSite(2, u"Bob"_s, address, u"/mp3/"_s, u"bob"_s, u"pw"_s);

        QVERIFY(fetch(run, 1) && fetch(run, 2) && fetch(run, 1, detailsRequest(u"57"_s)));

        const std::vector<LoopbackSite::Recorded> sent = asking.requests();
        std::vector<std::string> offered;
        for (const LoopbackSite::Recorded& request : sent)
            offered.push_back(request.authorization);
        QCOMPARE(offered, authorizations);
        QCOMPARE(sent.front().text,
                 "POST /mp3/search.asp album=x&Sort=ID | application/x-www-form-urlencoded | Quillfen's MP3 Client");
        QCOMPARE(sent.back().text, "GET /mp3/mp3info.asp?ID=57  |  | Quillfen's MP3 Client | no body");
    }

    // What a site gave, in words, and the plain site asked after it still answers. Each row's page lists one hit,
    // which the user cancels, so "cancelled" shows that the page was read; a site given up on ends its own turn.
    void reportsWhatEachSiteGave_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<LoopbackSite::Handler>("handler");
        const std::string page = "<TR><TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>";
        const auto row = [](const char* name, const QString& report, const LoopbackSite::Handler& handler) {
            QTest::newRow(name) << report << handler;
        };
        // Every challenge anew, with the realm or nonce numbered where the header holds "%".
        const auto challenging = [](const std::string& header) {
            return [header, count = std::make_shared<std::atomic<int>>()](const Request&, Response& response) {
                std::string numbered = header;
                if (const size_t at = numbered.find('%'); at != std::string::npos)
                    numbered.replace(at, 1, std::to_string(++*count));
                challenge(response, numbered);
            };
        };
        const QString cancelled = u"One: cancelled"_s, refused = u"One: the account was refused (401)"_s;
        row("an error status over a page of hits", cancelled, [=](const Request&, Response& response) {
            response.status = 500;
            response.set_content(page, "text/html");
        });
        row("a bad request", u"One: the site answered with an error (400)"_s,
            [](const Request&, Response& response) { response.status = 400; });
        row("the account, then a redirect to its own page", cancelled, [=](const Request& request, Response& response) {
            if (!request.has_header("Authorization"))
                challenge(response);
            else if (request.path == "/mp3/search.asp")
                response.set_redirect("/mp3/results.asp");
            else
                response.set_content(page, "text/html");
        });
        // A short page, then the connection closes.
        row("an enormous announced length", cancelled, [=](const Request&, Response& response) {
            response.set_content_provider(1'000'000'000'000'000, "text/html", [=](size_t, size_t, auto& sink) {
                sink.write(page.data(), page.size());
                return false;
            });
        });
        row("a wrong password", refused, challenging("Basic realm=\"r\""));
        row("a new realm every time", refused, challenging("Basic realm=\"r%\""));
        row("a stale nonce every time", refused,
            challenging("Digest realm=\"r\", nonce=\"n%\", qop=\"auth\", stale=true"));
        row("headers past the limit", u"One: the answer was too long (headers over 256 KiB)"_s,
            [](const Request&, Response& response) {
                for (int line = 0; line < 270; ++line)
                    response.set_header("X-Pad-" + std::to_string(line), std::string(1024, 'p'));
            });
        // Capped far past the limit, so that a client that never stops cannot hang the test.
        row("an endless body", u"One: the answer was too long (over 1 MiB)"_s, [](const Request&, Response& response) {
            response.set_chunked_content_provider(
                "text/html", [part = std::string(64 * 1024, 'x')](size_t sent, auto& sink) {
                    return sent < (size_t(256) << 20) && sink.write(part.data(), part.size());
                });
        });
        row("a trickle past the deadline", u"One: too slow"_s, [](const Request&, Response& response) {
            response.set_content_provider(9999, "text/html", [](size_t, size_t, auto& sink) {
                // Pacing the trickle, not waiting for anything.
                std::this_thread::sleep_for(milliseconds(20));
                return sink.write("x", 1);
            });
        });
    }

    void reportsWhatEachSiteGave()
    {
        QFETCH(QString, report);
        QFETCH(LoopbackSite::Handler, handler);
        LoopbackSite site;
        site.setHandler(handler);
        // The trickle alone meets the deadline, which every other answer is far within.
        const bool trickle = report.endsWith(u"too slow"_s);
        Run run(limits(std::chrono::seconds(60), qsizetype(1) << 20, milliseconds(trickle ? 300 : 60'000)));
        run.settings.setSite(1, u"One"_s, site.address(), u"/mp3/"_s, u"ann"_s, u"pw"_s);
        run.settings.setSite(2, u"Next"_s, m_next.address());
        run.listener.answers = {Answer::Cancel};
        QCOMPARE(run.summaries(u"x"_s), QStringList({report, u"Next: 0 hits"_s}));
    }

    void asksASiteOnlyOverATrustedCertificate_data()
    {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("report");
        // The first prompt, the FTP URL of the wanted hit, and what reached the site.
        QTest::addColumn<QStringList>("shown");
        const demosite::Track first = demosite::Catalog().search("harbour").front();
        const QString hit = QString::fromStdString(std::to_string(first.id) + '\t' + first.title + '\t' + first.artist +
                                                   '\t' + first.album);
        const QString url = u"ftp://guest:demo@"_s + QString::fromStdString(demosite::downloadUrl(first)).mid(8);
        const QString search = u"POST /mp3/search.asp"_s, details = u"GET /mp3/mp3info.asp"_s;
        const QString with = u" with the account"_s, reason = u"Secure: certificate not trusted (%1)"_s;
        QTest::newRow("trusted") << u"trusted"_s << u"Secure: cancelled"_s
                                 << QStringList{hit, url, search, search + with, details, details + with};
        QTest::newRow("self-signed") << u"self-signed"_s << reason.arg(u"unknown authority"_s) << QStringList();
        QTest::newRow("expired") << u"expired"_s << reason.arg(u"expired"_s) << QStringList();
        QTest::newRow("for another name")
            << u"other-name"_s << reason.arg(u"issued for another name"_s) << QStringList();
    }

    // The demo site, behind an account, over TLS: search, details and the account go over a trusted certificate
    // alone; any other ends its site, with the reason, before anything is sent. Only HTTP/1.1 is offered, so that no
    // HTTP/2 frame, nor a flood of them, can reach the program.
    void asksASiteOnlyOverATrustedCertificate()
    {
        QFETCH(QString, certificate);
        QFETCH(QString, report);
        QFETCH(QStringList, shown);
        // What reached the site, and the protocols each client offered, in the wire form of the TLS extension.
        struct Seen
        {
            std::mutex mutex;
            QStringList sent;
            std::vector<std::string> offers;
        } seen;
        const auto noteOffer = [](SSL*, const unsigned char**, unsigned char*, const unsigned char* offered,
                                  unsigned int length, void* seen) {
            const std::lock_guard lock(static_cast<Seen*>(seen)->mutex);
            static_cast<Seen*>(seen)->offers.emplace_back(reinterpret_cast<const char*>(offered), length);
            return SSL_TLSEXT_ERR_NOACK;
        };
        // Its certificates were made by tls/make-certificates.
        const std::string chain = QFINDTESTDATA(u"tls/%1.pem"_s.arg(certificate)).toStdString();
        const std::string key = QFINDTESTDATA("tls/server.key").toStdString();
        auto server = std::make_unique<httplib::SSLServer>([&](SSL_CTX& context) {
            SSL_CTX_set_alpn_select_cb(&context, noteOffer, &seen);
            return SSL_CTX_use_certificate_chain_file(&context, chain.c_str()) == 1 &&
                   SSL_CTX_use_PrivateKey_file(&context, key.c_str(), SSL_FILETYPE_PEM) == 1;
        });
        demosite::registerDemoSite(*server, {demosite::DemoSiteAccount{"guest", "demo"}, nullptr});
        server->set_pre_routing_handler([&](const Request& request, Response&) {
            const std::lock_guard lock(seen.mutex);
            seen.sent << QString::fromStdString(request.method + ' ' + request.path +
                                                (request.has_header("Authorization") ? " with the account" : ""));
            return httplib::Server::HandlerResponse::Unhandled;
        });
        LoopbackSite secure(std::move(server));
        Run run(limits());
        run.settings.setSite(1, u"Secure"_s, u"https://"_s + secure.address(), u"/mp3/"_s, u"guest"_s, u"demo"_s);
        run.settings.setSite(2, u"Plain"_s, m_next.address());
        run.listener.answers = {Answer::Yes, Answer::Cancel};

        QCOMPARE(run.summaries(u"harbour"_s), QStringList({report, u"Plain: 0 hits"_s}));
        const std::lock_guard lock(seen.mutex);
        QStringList told;
        for (const RunEvent& event : std::as_const(run.listener.events)) {
            if (event.kind == RunEvent::Kind::Asked || event.kind == RunEvent::Kind::FtpUrl)
                told << event.text;
        }
        QCOMPARE(told.mid(0, shown.isEmpty() ? 0 : 2) + seen.sent, shown);
        QVERIFY(!seen.offers.empty());
        for (const std::string& offer : seen.offers)
            QCOMPARE(offer, std::string("\x08http/1.1"));
    }

    // Without its network module the program still runs, and says what is missing where a site's reason goes.
    void namesAMissingNetworkModule_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("why");
        QTest::newRow("no such file") << QByteArray() << u"not found"_s;
        QTest::newRow("not a library") << QByteArray("junk") << u"file too short"_s;
    }

    void namesAMissingNetworkModule()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        QTemporaryDir folder;
        const QString fileName = folder.filePath(u"libtunedrop_network.so"_s);
        QFile file(fileName);
        QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content) && file.flush()));
        Run run(limits(), fileName);
        run.settings.setSite(1, u"One"_s, m_next.address());

        const QStringList reports = run.summaries(u"x"_s);
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports[0].startsWith(u"One: network module could not be loaded: %1 ("_s.arg(fileName)) &&
                     reports[0].contains(why),
                 qPrintable(reports[0]));
    }

    // Neither the path nor the port can take a request anywhere but to the site's own address, and either ends
    // its site alone. OWN and ELSEWHERE stand for two sites' host and port.
    void keepsEachRequestToItsAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("report");
        const QString badPath = u"One: not a usable path (set it in Options)"_s;
        QTest::newRow("a path naming another host") << u"OWN"_s << u"@ELSEWHERE/"_s << badPath;
        QTest::newRow("a path of another host") << u"OWN"_s << u"//ELSEWHERE/"_s << badPath;
        QTest::newRow("a port out of range") << u"localhost:99999"_s << u"/"_s
                                             << u"One: not a usable address (a port out of range; set it in Options)"_s;
    }

    void keepsEachRequestToItsAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, path);
        QFETCH(QString, report);
        LoopbackSite own, elsewhere;
        Run run(limits());
        run.settings.setSite(1, u"One"_s, address.replace(u"OWN"_s, own.address()),
                             path.replace(u"ELSEWHERE"_s, elsewhere.address()), u"ann"_s, u"pw"_s);
        run.settings.setSite(2, u"Next"_s, m_next.address());
        QCOMPARE(run.summaries(u"x"_s), QStringList({report, u"Next: 0 hits"_s}));
        QVERIFY(own.requests().empty() && elsewhere.requests().empty());
    }

private:
    LoopbackSite m_next;
};

QTEST_GUILESS_MAIN(TestLoopbackSites)
#include "tst_loopback_sites.moc"
