#include <QRegularExpression>
#include <QTest>

#include "canned_transfer.h"
#include "run_harness.h"

using namespace Qt::StringLiterals;
using Answer = RunListener::Answer;

namespace {

QString cell(const QString& value)
{
    return u"<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>"_s + value + u"<BR></FONT></TD>"_s;
}

QString hit(const QString& id, const QString& track, const QString& artist = u"Artist"_s,
            const QString& album = u"Album"_s)
{
    return u"<TR><TD><A HREF=\"mp3info.asp?ID="_s + id + u"\">"_s + id + u"</A></TD>"_s + cell(track) + cell(artist) +
           cell(album) + u"</TR>\r\n"_s;
}

// As sites write it: a heading row, then the hit rows with a spacer row between each two.
QString resultPage(const QStringList& rows)
{
    return u"<HTML><BODY><TABLE>\r\n<TR><TD>ID</TD><TD>Track</TD><TD>Artist</TD><TD>Album</TD></TR>\r\n"_s +
           rows.join(u"<TR><TD COLSPAN=4><HR></TD></TR>\r\n"_s) + u"<TR><TD COLSPAN=4>End</TD></TR></TABLE>"_s;
}

const QString crlf = u"\r\n"_s;
const QString heading = u"ID\tTrack\tArtist\tAlbum\r\n"_s;
const QString status = u"Getting Information...\r\n"_s;

} // namespace

class TestSearchRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scansEachPageAndFetchesWantedDetails_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QStringList>("account");
        QTest::addColumn<QList<Answer>>("answers");
        // Site 2 lists one hit, 201.
        QTest::addColumn<bool>("withSiteTwo");
        // Every prompt text and FTP URL shown, in order.
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QStringList>("reports");

        const QString first = hit(u"101"_s, u"Track One"_s, u"Artist One"_s, u"Album One"_s);
        const QString pair = resultPage({first, hit(u"102"_s, u"Track Two"_s, u"Artist Two"_s, u"Album Two"_s)});
        const QString back = u"<a href=\"search.asp\">Back</a>"_s;
        const QString ftp = u"<a href=\"ftp://:@files.example/mp3/01 - One.mp3\">Get it</a>"_s;
        const QString one = u"101\tTrack One\tArtist One\tAlbum One"_s;
        const QString two = u"102\tTrack Two\tArtist Two\tAlbum Two"_s;
        const QString other = u"201\tOther\tArtist\tAlbum"_s;
        const QString file = u"files.example/mp3/01 - One.mp3"_s;
        const QString afterYes = heading + one + crlf + status + two + crlf;
        const QStringList ann{u"ann"_s, u"pw42"_s};
        const QList<Answer> none;
        const QList<Answer> yes{Answer::Yes};

        QTest::newRow("two hits, No twice") << pair << back + ftp << ann << none << false << QStringList{one, two}
                                            << heading + one + crlf + two + crlf << QStringList{u"One: 2 hits"_s};
        QTest::newRow("no value in cell 3")
            << resultPage({first,
                           u"<TR><TD><A HREF=\"?ID=102\">102</A></TD>"_s + cell(u"Track Two"_s) +
                               u"<TD>Artist Two</TD>"_s + cell(u"Album Two"_s) + u"</TR>"_s,
                           hit(u"103"_s, u"Three"_s)})
            << back + ftp << ann << none << false << QStringList{one} << heading + one + crlf + u"102\tTrack Two\t"_s
            << QStringList{u"One: 1 hit"_s};
        QTest::newRow("Cancel ends only site 1's scan")
            << pair << back + ftp << ann << QList<Answer>{Answer::Cancel} << true << QStringList{one, other}
            << heading + other + crlf << QStringList{u"One: cancelled"_s, u"Two: 1 hit"_s};
        QTest::newRow("FTP link second of three")
            << pair << back + ftp + back << ann << yes << false << QStringList{one, u"ftp://ann:pw42@"_s + file, two}
            << afterYes << QStringList{u"One: 2 hits"_s};
        QTest::newRow("account that would move the address")
            << pair << back + ftp << QStringList{u"ann@home"_s, u"p/w#1?:@"_s} << yes << false
            << QStringList{one, u"ftp://ann%40home:p%2Fw%231%3F%3A%40@"_s + file, two} << afterYes
            << QStringList{u"One: 2 hits"_s};
        QTest::newRow("FTP link first ends the scan, the run goes on")
            << pair << ftp + back << ann << yes << true << QStringList{one, other} << heading + other + crlf
            << QStringList{u"One: details of 101: no FTP link on the details page"_s, u"Two: 1 hit"_s};
        // The details page has rows of its own; the scan goes on over the result page's rows all the same.
        QTest::newRow("Yes twice, details with rows of their own")
            << pair << resultPage({hit(u"999"_s, u"Wrong"_s), hit(u"998"_s, u"Wrong"_s)}) + back + ftp << QStringList()
            << QList<Answer>{Answer::Yes, Answer::Yes} << false
            << QStringList{one, u"ftp://:@"_s + file, two, u"ftp://:@"_s + file} << afterYes + status
            << QStringList{u"One: 2 hits"_s};
        const QString giant(50'000'000, u'x');
        const QString cut = QString(1024, u'x') + u"\u2026"_s;
        QTest::newRow("a giant field is shown cut")
            << resultPage({hit(u"1"_s, giant)}) << back << QStringList() << none << false
            << QStringList{u"1\t"_s + cut + u"\tArtist\tAlbum"_s} << heading + u"1\t"_s + cut + u"\tArtist\tAlbum\r\n"_s
            << QStringList{u"One: 1 hit"_s};
        QTest::newRow("a link that hides its host is not shown")
            << pair << back + u"<a href=\"ftp://:@good.example:21@evil.example/x.mp3\">"_s << ann << yes << true
            << QStringList{one, other} << heading + other + crlf
            << QStringList{u"One: details of 101: no usable FTP link on the details page"_s, u"Two: 1 hit"_s};
    }

    void scansEachPageAndFetchesWantedDetails()
    {
        QFETCH(QString, page);
        QFETCH(QString, details);
        QFETCH(QStringList, account);
        QFETCH(QList<Answer>, answers);
        QFETCH(bool, withSiteTwo);
        QFETCH(QStringList, shown);
        QFETCH(QString, pane);
        QFETCH(QStringList, reports);
        CannedTransfer transfer;
        transfer.answer = [&](const CannedTransfer::Request& request) {
            if (request.method == u"GET"_s)
                return CannedTransfer::Answer{details, {}};
            return CannedTransfer::Answer{
                request.url.contains(u"//two/"_s) ? resultPage({hit(u"201"_s, u"Other"_s)}) : page, {}};
        };
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"One"_s, u"one"_s, u"/mp3/"_s, account.value(0), account.value(1));
        if (withSiteTwo)
            harness.settings.setSite(2, u"Two"_s, u"two"_s);
        harness.listener.answers = answers;

        QCOMPARE(harness.summaries(u"x"_s), reports);
        QCOMPARE(harness.listener.shown, shown);
        QCOMPARE(harness.listener.early, QStringList());
        QCOMPARE(harness.listener.results, pane);
        // Each Yes, and only a Yes, asks for that hit's details: a GET with the Referer alone and no body.
        QStringList wanted, asked;
        const QStringList prompts = shown.filter(QRegularExpression(u"^(?!ftp://)"_s));
        for (qsizetype i = 0; i < answers.size() && i < prompts.size(); ++i)
            if (answers.at(i) == Answer::Yes)
                wanted.append(u"http://one/mp3/mp3info.asp?ID="_s + prompts.at(i).section(u'\t', 0, 0));
        for (const CannedTransfer::Request& request : std::as_const(transfer.requests)) {
            if (request.method == u"GET"_s && !request.body &&
                request.headerBlock == u"Referer: Quillfen's MP3 Client"_s)
                asked.append(request.url);
        }
        QCOMPARE(asked, wanted);
    }

    // Pages in charsets that keep ASCII bytes are cut as bytes, others decoded whole; the hits read the same.
    void readsHitsInThePagesCharset_data()
    {
        QTest::addColumn<QByteArray>("charset");
        for (const char* charset : {"UTF-8", "windows-1252", "ISO-8859-15", "UTF-16LE"})
            QTest::newRow(charset) << QByteArray(charset);
    }

    void readsHitsInThePagesCharset()
    {
        QFETCH(QByteArray, charset);
        CannedTransfer transfer;
        transfer.answer = [&](const auto&) {
            return CannedTransfer::Answer{resultPage({hit(u"7"_s, u"Café €"_s, u"Ærø"_s)}), {}, charset};
        };
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.search(u"x"_s);
        QCOMPARE(harness.listener.shown, QStringList{u"7\tCafé €\tÆrø\tAlbum"_s});
    }

    void asksEachCountedSiteWithItsOwnRecord_data()
    {
        QTest::addColumn<QStringList>("names");
        // The site, if any, whose record has no address.
        QTest::addColumn<int>("withoutAddress");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("no names asks site 1") << QStringList() << 0 << QStringList{u"s1"_s};
        QTest::newRow("a gap ends the count") << u"A B  D E"_s.split(u' ') << 0 << QStringList{u"s1"_s, u"s2"_s};
        QTest::newRow("a sixth record is never asked")
            << u"A B C D E F"_s.split(u' ') << 0 << u"s1 s2 s3 s4 s5"_s.split(u' ');
        QTest::newRow("nothing stored asks nothing") << QStringList() << 1 << QStringList();
        QTest::newRow("a site without an address is passed over")
            << u"A B C"_s.split(u' ') << 2 << QStringList{u"s1"_s, u"s3"_s};
    }

    void asksEachCountedSiteWithItsOwnRecord()
    {
        QFETCH(QStringList, names);
        QFETCH(int, withoutAddress);
        QFETCH(QStringList, asked);
        CannedTransfer transfer;
        RunHarness harness(transfer);
        for (int site = 1; site <= 6; ++site)
            harness.settings.setSite(site, names.value(site - 1),
                                     site == withoutAddress ? QString() : u"s%1"_s.arg(site), u"/p%1/"_s.arg(site),
                                     u"u%1"_s.arg(site), u"p%1"_s.arg(site));

        const QList<SiteReport> reports = harness.search(u"one two three"_s);

        QCOMPARE(reports.size(), asked.size() + (withoutAddress ? 1 : 0));
        if (withoutAddress)
            QCOMPARE(reports.at(withoutAddress - 1).reason, u"no address (set it in Options)"_s);
        QStringList hosts;
        for (const CannedTransfer::Request& request : std::as_const(transfer.requests)) {
            const QString site = request.url.section(u'/', 2, 2);
            QCOMPARE(request.url, u"http://%1/p%2/search.asp"_s.arg(site, site.mid(1)));
            QCOMPARE(request.userName + request.password, u"u%1p%1"_s.arg(site.mid(1)));
            QCOMPARE(request.body, u"album=one+two&Sort=ID"_s);
            QCOMPARE(request.headerBlock,
                     u"Referer: Quillfen's MP3 Client\r\nContent-Type: application/x-www-form-urlencoded"_s);
            hosts.append(site);
        }
        QCOMPARE(hosts, asked);
    }

    void sendsToTheAddressOrRefusesIt_data()
    {
        QTest::addColumn<QString>("address");
        // The URL asked, or else the site's report.
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare host and port") << u"h.example:81"_s << u"http://h.example:81/mp3/search.asp"_s;
        QTest::newRow("http://") << u"http://h.example:81"_s << u"http://h.example:81/mp3/search.asp"_s;
        QTest::newRow("https://") << u"https://h.example"_s << u"https://h.example/mp3/search.asp"_s;
        const QString refused = u"One: not a usable address (%1)"_s;
        QTest::newRow("an account") << u"https://ann:pw@h.example"_s
                                    << refused.arg(u"an account in it; set the user name and password in Options"_s);
        QTest::newRow("another scheme") << u"ftp://h.example"_s
                                        << refused.arg(u"only http:// and https:// addresses are used"_s);
        QTest::newRow("a space") << u"h.example :81"_s << refused.arg(u"white space in it"_s);
        QTest::newRow("a path") << u"http://h.example/mp3"_s << refused.arg(u"a path in it; set the path in Options"_s);
    }

    void sendsToTheAddressOrRefusesIt()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        CannedTransfer transfer;
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"One"_s, address);
        const QStringList reports = harness.summaries(u"x"_s);
        QCOMPARE(transfer.requests.isEmpty() ? reports.value(0) : transfer.requests.at(0).url, expected);
    }

    // The transfer reports two failures itself, and they end the run; every other failure leaves a page to scan.
    void endsTheRunOnlyOnAReportedFailure_data()
    {
        QTest::addColumn<TransferError>("error");
        QTest::addColumn<QStringList>("reports");
        using Kind = TransferError::Kind;
        QTest::newRow("too long") << TransferError{Kind::TooLarge, u"over 64 MiB"_s}
                                  << QStringList{u"One: the answer was too long (over 64 MiB)"_s};
        QTest::newRow("refused connection") << TransferError{Kind::CouldNotConnect, u"connection refused"_s}
                                            << QStringList{u"One: no answer (connection refused)"_s, u"Two: 0 hits"_s};
        QTest::newRow("error status") << TransferError{Kind::HttpStatus, u"500"_s}
                                      << QStringList{u"One: the site answered with an error (500)"_s, u"Two: 0 hits"_s};
    }

    void endsTheRunOnlyOnAReportedFailure()
    {
        QFETCH(TransferError, error);
        QFETCH(QStringList, reports);
        CannedTransfer transfer;
        transfer.answer = [&](const CannedTransfer::Request& request) {
            return request.url.contains(u"//one/"_s) ? CannedTransfer::Answer{{}, error} : CannedTransfer::Answer{};
        };
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        QCOMPARE(harness.summaries(u"x"_s), reports);
    }
};

QTEST_GUILESS_MAIN(TestSearchRun)
#include "tst_search_run.moc"
