#include "catalog.h"
#include "demo_site.h"
#include "harness.h"
#include "loopback_site.h"
#include "pages.h"

using Kind = TransferError::Kind;
using Run = RunHarness<NetworkModule>;
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

// A site that writes an answer cpp-httplib would not: `start`, then `more` over and over until the client closes
// the connection (header lines without end, or a body one byte at a time), or nothing more. It notes when a write
// fails, that is, when the client has really closed the connection. It writes to a plain socket (whose calls come
// with cpp-httplib's headers), since cpp-httplib always finishes the headers it sends and sets the length itself.
struct RawSite
{
    explicit RawSite(std::string start, std::string more = {}, milliseconds pace = {})
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        thread = std::thread([this, start, more, pace] {
            const int connection = accept(listener, nullptr, nullptr);
            // A write that cannot go on wakes up now and then, so that the end of the test is not kept waiting.
            const timeval wake{0, 100'000};
            setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &wake, sizeof wake);
            char request[4096];
            recv(connection, request, sizeof request, 0);
            send(connection, start.data(), start.size(), MSG_NOSIGNAL);
            while (!more.empty() && !stopping && !closedByClient) {
                // Pacing the trickle, not waiting for anything.
                std::this_thread::sleep_for(pace);
                closedByClient =
                    send(connection, more.data(), more.size(), MSG_NOSIGNAL) < 0 && errno != EAGAIN && errno != EINTR;
            }
            close(connection);
        });
    }
    ~RawSite()
    {
        stopping = true;
        shutdown(listener, SHUT_RDWR);
        thread.join();
        close(listener);
    }

    QString address() const { return u"127.0.0.1:%1"_s.arg(port); }

    int listener = socket(AF_INET, SOCK_STREAM, 0), port = 0;
    std::thread thread;
    std::atomic<bool> stopping = false, closedByClient = false;
};

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
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArrayList>("parts");
        QTest::addColumn<QString>("page");
        QTest::addColumn<std::optional<Kind>>("error");
        const auto row = [](const char* name, const QByteArray& type, const QByteArrayList& parts, const QString& page,
                            int status = 200, std::optional<Kind> error = {}) {
            QTest::newRow(name) << status << "text/html" + type << parts << page << error;
        };
        row("charset named in capitals", "; Charset=ISO-8859-1", {"Bj\xF6rk"}, u"Björk"_s);
        row("quoted charset", "; charset=\"windows-1252\"", {"\x93q\x94"}, u"\u201Cq\u201D"_s);
        row("a charset other than the fallback", "; charset=ISO-8859-15", {"\xA4"}, u"€"_s);
        row("invalid utf-8 without a charset", {}, {"\x80 caf\xE9"}, u"€ café"_s);
        row("invalid byte after 64 KiB", {}, {QByteArray(70000, 'a') + "\xE9"}, QString(70000, u'a') + u"é"_s);
        row("NUL bytes kept", {}, {QByteArray("a\0b\xFF", 4)}, u"a\0b\u00FF"_s);
        row("ends inside a utf-8 sequence", {}, {"caf\xE9"}, u"café"_s);
        row("utf-8 split across packets", {}, {"M\xC3", "\xB6tley \xE2\x82", "\xAC"}, u"Mötley €"_s);
        row("server error with a body", {}, {"<H1>Oops</H1>"}, u"<H1>Oops</H1>"_s, 500, Kind::HttpStatus);
        row("exactly the size cap", {}, {QByteArray(bodyLimit, 'z')}, QString(bodyLimit, u'z'));
        row("one byte over the size cap", {}, {QByteArray(bodyLimit + 1, 'z')}, {}, 200, Kind::TooLarge);
        // A closed port, and a site that holds the request.
        row("connection refused", {}, {}, {}, 0, Kind::CouldNotConnect);
        row("silent until the time-out", {}, {}, {}, -1, Kind::TimedOut);
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
        Run run(limits(milliseconds(500), bodyLimit));
        run.settings.setSite(1, u"One"_s, status == 0 ? LoopbackSite().address() : site.address());

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
        asking.setHandler([](const httplib::Request& request, httplib::Response& response) {
            response.status = request.has_header("Authorization") ? 200 : 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
        });
        redirecting.setHandler([&](const httplib::Request& request, httplib::Response& response) {
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

    // An endless body is cut off at the size cap, which ends that site alone; the next search works.
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
        Run run(limits(std::chrono::seconds(60), qsizetype(1) << 20));
        run.settings.setSite(1, u"Hostile"_s, hostile.address());
        run.settings.setSite(2, u"Next"_s, m_next.address());
        QCOMPARE(run.summaries(u"x"_s),
                 QStringList({u"Hostile: the answer was too long (over 1 MiB)"_s, u"Next: 0 hits"_s}));
        hostile.answerWith("<TR><TR>");
        QCOMPARE(run.summaries(u"x"_s), QStringList({u"Hostile: 0 hits"_s, u"Next: 0 hits"_s}));
    }

    // A site that misbehaves ends its own turn, and the run goes on: one that challenges every answer to its
    // challenge anew gets the account once; one given up on, whether it streams headers without end or trickles its
    // body past the deadline, loses its connection.
    void endsAHostileSiteAlone_data()
    {
        QTest::addColumn<std::string>("challenge");
        QTest::addColumn<bool>("headers");
        QTest::addColumn<QString>("report");
        const QString refused = u"Hostile: the account was refused (401)"_s;
        QTest::newRow("a wrong password") << std::string("Basic realm=\"r\"") << false << refused;
        QTest::newRow("a new realm every time") << std::string("Basic realm=\"r%\"") << false << refused;
        QTest::newRow("a stale nonce every time")
            << std::string("Digest realm=\"r\", nonce=\"n%\", qop=\"auth\", stale=true") << false << refused;
        QTest::newRow("endless headers") << std::string() << true
                                         << u"Hostile: the answer was too long (headers over 256 KiB)"_s;
        QTest::newRow("a trickle past the deadline") << std::string() << false << u"Hostile: too slow"_s;
    }

    void endsAHostileSiteAlone()
    {
        QFETCH(std::string, challenge);
        QFETCH(bool, headers);
        QFETCH(QString, report);
        LoopbackSite challenging;
        std::atomic<int> challenges = 0;
        challenging.setHandler([&](const httplib::Request&, httplib::Response& response) {
            std::string header = challenge;
            if (const size_t at = header.find('%'); at != std::string::npos)
                header.replace(at, 1, std::to_string(++challenges));
            response.status = 401;
            response.set_header("WWW-Authenticate", header);
        });
        RawSite endless = headers ? RawSite("HTTP/1.1 200 OK\r\n", "X-Pad: " + std::string(1024, 'p') + "\r\n")
                                  : RawSite("HTTP/1.1 200 OK\r\nContent-Length: 9999\r\n\r\n", "x", milliseconds(20));
        const bool trickle = challenge.empty() && !headers;
        Run run(limits(std::chrono::seconds(60), TransferConfig().bodyLimit, milliseconds(trickle ? 300 : 60'000)));
        const QString address = challenge.empty() ? endless.address() : challenging.address();
        run.settings.setSite(1, u"Hostile"_s, address, u"/mp3/"_s, u"ann"_s, u"pw"_s);
        run.settings.setSite(2, u"Next"_s, m_next.address());

        QCOMPARE(run.summaries(u"x"_s), QStringList({report, u"Next: 0 hits"_s}));
        // The account went out once, or once more while its refusal was still on the way.
        QVERIFY(challenging.requests().size() <= 3);
        if (challenge.empty())
            QTRY_VERIFY_WITH_TIMEOUT(endless.closedByClient, 5000);
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
    // alone; any other ends its site, with the reason, before anything is sent.
    void asksASiteOnlyOverATrustedCertificate()
    {
        QFETCH(QString, certificate);
        QFETCH(QString, report);
        QFETCH(QStringList, shown);
        // Its certificates were made by tls/make-certificates.
        auto server =
            std::make_unique<httplib::SSLServer>(QFINDTESTDATA(u"tls/%1.pem"_s.arg(certificate)).toStdString().c_str(),
                                                 QFINDTESTDATA("tls/server.key").toStdString().c_str());
        demosite::registerDemoSite(*server, {demosite::DemoSiteAccount{"guest", "demo"}, nullptr});
        std::mutex mutex;
        QStringList sent;
        server->set_pre_routing_handler([&](const httplib::Request& request, httplib::Response&) {
            const std::lock_guard lock(mutex);
            sent << QString::fromStdString(request.method + ' ' + request.path +
                                           (request.has_header("Authorization") ? " with the account" : ""));
            return httplib::Server::HandlerResponse::Unhandled;
        });
        LoopbackSite secure(std::move(server));
        Run run(limits());
        run.settings.setSite(1, u"Secure"_s, u"https://"_s + secure.address(), u"/mp3/"_s, u"guest"_s, u"demo"_s);
        run.settings.setSite(2, u"Plain"_s, m_next.address());
        run.listener.answers = {Answer::Yes, Answer::Cancel};

        QCOMPARE(run.summaries(u"harbour"_s), QStringList({report, u"Plain: 0 hits"_s}));
        const std::lock_guard lock(mutex);
        QStringList told;
        for (const RunEvent& event : std::as_const(run.listener.events)) {
            if (event.kind == RunEvent::Kind::Asked || event.kind == RunEvent::Kind::FtpUrl)
                told << event.text;
        }
        QCOMPARE(told.mid(0, shown.isEmpty() ? 0 : 2) + sent, shown);
    }

    // What a site gave, in words: each row's site lists one hit, which the user cancels, so "cancelled" shows that
    // its page was read.
    void reportsWhatASiteGaveInWords_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("report");
        // Status 0: the site asks for the account, then sends it on to another of its own pages. Status 1: it
        // announces a body of 10^15 bytes, sends a short page and closes.
        QTest::newRow("an error status over a page of hits") << 500 << u"One: cancelled"_s;
        QTest::newRow("a bad request") << 400 << u"One: the site answered with an error (400)"_s;
        QTest::newRow("the account, then a redirect to its own page") << 0 << u"One: cancelled"_s;
        QTest::newRow("an enormous announced length") << 1 << u"One: cancelled"_s;
    }

    void reportsWhatASiteGaveInWords()
    {
        QFETCH(int, status);
        QFETCH(QString, report);
        const std::string page = "<TR><TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>";
        LoopbackSite site;
        site.setHandler([&](const httplib::Request& request, httplib::Response& response) {
            if (status == 0 && !request.has_header("Authorization")) {
                response.status = 401;
                response.set_header("WWW-Authenticate", "Basic realm=\"members\"");
            } else if (status == 0 && request.path == "/mp3/search.asp") {
                response.set_redirect("/mp3/results.asp");
            } else {
                response.status = status == 0 ? 200 : status;
                response.set_content(status == 400 ? std::string() : page, "text/html");
            }
        });
        const RawSite huge("HTTP/1.1 200 OK\r\nContent-Length: 1000000000000000\r\n\r\n" + page);
        Run run(limits());
        run.settings.setSite(1, u"One"_s, status == 1 ? huge.address() : site.address(), u"/mp3/"_s, u"ann"_s, u"pw"_s);
        run.listener.answers = {Answer::Cancel};
        QCOMPARE(run.summaries(u"x"_s), QStringList{report});
    }

    // A site that speaks HTTP/2 alone is offered HTTP/1.1 alone, so no HTTP/2 frame, nor a flood of them, can
    // reach the program; its turn ends and the next site is asked.
    void neverSpeaksHttp2()
    {
        // What each client offered, in the wire form of the TLS extension.
        struct Offers
        {
            std::mutex mutex;
            std::vector<std::string> protocols;
        } offers;
        const std::string certificate = QFINDTESTDATA("tls/trusted.pem").toStdString();
        const std::string key = QFINDTESTDATA("tls/server.key").toStdString();
        const auto selectHttp2 = [](SSL*, const unsigned char** chosen, unsigned char* chosenLength,
                                    const unsigned char* offered, unsigned int offeredLength, void* seen) {
            auto& offers = *static_cast<Offers*>(seen);
            const std::lock_guard lock(offers.mutex);
            offers.protocols.emplace_back(reinterpret_cast<const char*>(offered), offeredLength);
            static const unsigned char http2[] = {2, 'h', '2'};
            const int result = SSL_select_next_proto(const_cast<unsigned char**>(chosen), chosenLength, http2,
                                                     sizeof http2, offered, offeredLength);
            return result == OPENSSL_NPN_NEGOTIATED ? SSL_TLSEXT_ERR_OK : SSL_TLSEXT_ERR_ALERT_FATAL;
        };
        LoopbackSite http2Only(std::make_unique<httplib::SSLServer>([&](SSL_CTX& context) {
            SSL_CTX_use_certificate_chain_file(&context, certificate.c_str());
            SSL_CTX_use_PrivateKey_file(&context, key.c_str(), SSL_FILETYPE_PEM);
            SSL_CTX_set_alpn_select_cb(&context, selectHttp2, &offers);
            return true;
        }));
        Run run(limits());
        run.settings.setSite(1, u"Modern"_s, u"https://"_s + http2Only.address());
        run.settings.setSite(2, u"Next"_s, m_next.address());

        const QStringList reports = run.summaries(u"x"_s);
        QCOMPARE(reports.value(1), u"Next: 0 hits"_s);
        QVERIFY2(reports.value(0).startsWith(u"Modern: no answer"_s), qPrintable(reports.value(0)));
        const std::lock_guard lock(offers.mutex);
        QVERIFY(!offers.protocols.empty());
        for (const std::string& protocols : offers.protocols)
            QCOMPARE(protocols, std::string("\x08http/1.1"));
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

private:
    LoopbackSite m_next;
};

QTEST_GUILESS_MAIN(TestLoopbackSites)
#include "tst_loopback_sites.moc"
