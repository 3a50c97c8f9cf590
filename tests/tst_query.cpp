#include <memory>

#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

struct Hit
{
    std::string id;
    std::string track;
    std::string artist;
    std::string album;
};

std::string valueCell(const std::string& value)
{
    return "<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>" + value + "<BR></FONT></TD>";
}

std::string hitRow(const Hit& hit)
{
    return "<TR><TD><A HREF=\"mp3info.asp?ID=" + hit.id + "\">" + hit.id + "</A></TD>" + valueCell(hit.track) +
           valueCell(hit.artist) + valueCell(hit.album) + "</TR>\r\n";
}

// A result page as sites write it: a heading row, then the hit rows with a spacer row between them.
std::string resultPage(const std::vector<std::string>& rows)
{
    std::string page = "<HTML><BODY><TABLE>\r\n<TR><TD>ID</TD><TD>Track</TD><TD>Artist</TD><TD>Album</TD></TR>\r\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            page += "<TR><TD COLSPAN=4><HR></TD></TR>\r\n";
        page += rows[i];
    }
    return page + "<TR><TD COLSPAN=4>End of list</TD></TR>\r\n</TABLE></BODY></HTML>";
}

std::vector<std::string> numberedHits(int count)
{
    std::vector<std::string> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back(hitRow({std::to_string(100 + n), "Track " + std::to_string(n), "Artist", "Album"}));
    return rows;
}

std::string detailsPage(const std::string& links)
{
    return "<html><body><h1>Track</h1>" + links + "</body></html>";
}

const std::string backLink = "<a href=\"search.asp\">Back</a>";
const std::string ftpLink = "<a href=\"ftp://:@files.example/mp3/Artist/01 - One.mp3\">Get it</a>";

// Serves `page` for the search and `details` for every details request.
void serve(LoopbackSite& site, std::string page, std::string details = detailsPage(backLink + ftpLink))
{
    site.setHandler([page = std::move(page), details = std::move(details)](const httplib::Request& request,
                                                                           httplib::Response& response) {
        response.set_content(request.method == "POST" ? page : details, "text/html; charset=utf-8");
    });
}

QString line(const QString& id, const QString& track, const QString& artist = u"Artist"_s,
             const QString& album = u"Album"_s)
{
    return id + u'\t' + track + u'\t' + artist + u'\t' + album + u"\r\n"_s;
}

const QString heading = u"ID\tTrack\tArtist\tAlbum\r\n"_s;
const QString status = u"Getting Information...\r\n"_s;
const QString ftpTitle = u"Please enter this URL in your web browser or FTP client."_s;

} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void listsEachHitAndAsksAboutIt();
    void endsAtARowThatDoesNotFit_data();
    void endsAtARowThatDoesNotFit();
    void cancelEndsOnlyThisSitesScan();
    void yesShowsTheFinishedFtpUrl_data();
    void yesShowsTheFinishedFtpUrl();
    void failedDetailsEndTheScanAndTheRunGoesOn();
    void detailsPageDoesNotChangeTheRowsScanned();
    void pageTextStaysLiteral();

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

void TestQuery::listsEachHitAndAsksAboutIt()
{
    LoopbackSite site;
    serve(site, resultPage({hitRow({"101", "Track One", "Artist One", "Album One"}),
                            hitRow({"102", "Track Two", "Artist Two", "Album Two"})}));
    m_harness->settings.setSite(1, u"One"_s, site.address());
    QStringList paneAtPrompt;
    m_harness->boxes.whileShown = [&](const FakeMessageBoxes::Shown&) { paneAtPrompt.append(m_harness->pane()); };

    m_harness->search(u"track"_s);

    const QString first = line(u"101"_s, u"Track One"_s, u"Artist One"_s, u"Album One"_s);
    const QString second = line(u"102"_s, u"Track Two"_s, u"Artist Two"_s, u"Album Two"_s);
    QCOMPARE(m_harness->pane(), heading + first + second);
    QCOMPARE(m_harness->boxes.promptTexts(), (QStringList{first.chopped(2), second.chopped(2)}));
    QCOMPARE(m_harness->boxes.shown.at(0).title, u"Do you want this MP3?"_s);
    // Each hit's line is whole in the pane before it is asked about.
    QCOMPARE(paneAtPrompt, (QStringList{heading + first, heading + first + second}));
}

void TestQuery::endsAtARowThatDoesNotFit_data()
{
    QTest::addColumn<QByteArray>("badRow");
    QTest::addColumn<QString>("leftInPane");

    const std::string link = "<TR><TD><A HREF=\"mp3info.asp?ID=102\">102</A></TD>";
    QTest::newRow("no value in cell 3") << QByteArray::fromStdString(link + valueCell("Track Two") +
                                                                     "<TD>Artist Two</TD>" + valueCell("Album Two") +
                                                                     "</TR>")
                                        << u"102\tTrack Two\t"_s;
    QTest::newRow("cell 4 missing") << QByteArray::fromStdString(link + valueCell("Two") + valueCell("Artist"))
                                    << u"102\tTwo\tArtist\t"_s;
    QTest::newRow("no ID") << QByteArrayLiteral("<TR><TD>102</TD><TD>x</TD><TD>y</TD><TD>z</TD></TR>") << QString();
    QTest::newRow("tags in lower case") << QByteArrayLiteral("<tr><td><a href=\"x?ID=102\">") << QString();
}

void TestQuery::endsAtARowThatDoesNotFit()
{
    QFETCH(QByteArray, badRow);
    QFETCH(QString, leftInPane);

    LoopbackSite site;
    serve(site, resultPage({hitRow({"101", "One", "Artist", "Album"}), badRow.toStdString(),
                            hitRow({"103", "Three", "Artist", "Album"})}));
    m_harness->settings.setSite(1, u"One"_s, site.address());

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->pane(), heading + line(u"101"_s, u"One"_s) + leftInPane);
    QCOMPARE(m_harness->boxes.promptTexts().size(), 1);
}

void TestQuery::cancelEndsOnlyThisSitesScan()
{
    LoopbackSite one;
    LoopbackSite two;
    serve(one, resultPage(numberedHits(3)));
    serve(two, resultPage({hitRow({"201", "Other", "Artist", "Album"})}));
    m_harness->settings.setSite(1, u"One"_s, one.address());
    m_harness->settings.setSite(2, u"Two"_s, two.address());
    m_harness->boxes.answers = {MessageBoxes::Answer::Cancel};

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->boxes.promptTexts(),
             (QStringList{u"101\tTrack 1\tArtist\tAlbum"_s, u"201\tOther\tArtist\tAlbum"_s}));
    QCOMPARE(m_harness->pane(), heading + line(u"201"_s, u"Other"_s));
}

void TestQuery::yesShowsTheFinishedFtpUrl_data()
{
    QTest::addColumn<QByteArray>("links");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("url");

    const QByteArray back = QByteArray::fromStdString(backLink);
    const QByteArray ftp = QByteArray::fromStdString(ftpLink);
    const QString rest = u"files.example/mp3/Artist/01 - One.mp3"_s;
    QTest::newRow("FTP link second") << back + ftp << u"ann"_s << u"pw42"_s << u"ftp://ann:pw42@"_s + rest;
    QTest::newRow("FTP link second of three")
        << back + ftp + back << u"ann"_s << u"pw42"_s << u"ftp://ann:pw42@"_s + rest;
    QTest::newRow("no account") << back + ftp << QString() << QString() << u"ftp://:@"_s + rest;
    QTest::newRow("account that would move the address")
        << back + ftp << u"ann@home"_s << u"p/w#1?:@"_s << u"ftp://ann%40home:p%2Fw%231%3F%3A%40@"_s + rest;
    QTest::newRow("FTP link first") << ftp + back << u"ann"_s << u"pw"_s << QString();
    QTest::newRow("FTP link third") << back + back + ftp << u"ann"_s << u"pw"_s << QString();
}

void TestQuery::yesShowsTheFinishedFtpUrl()
{
    QFETCH(QByteArray, links);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, url);

    LoopbackSite site;
    serve(site, resultPage(numberedHits(2)), detailsPage(links.toStdString()));
    m_harness->settings.setSite(1, u"One"_s, site.address(), u"/mp3/"_s, user, password);
    m_harness->boxes.answers = {MessageBoxes::Answer::Yes};

    m_harness->search(u"x"_s);

    const auto details = site.requests().at(1);
    QCOMPARE(details.method, "GET");
    QCOMPARE(details.target, "/mp3/mp3info.asp?ID=101");
    QCOMPARE(details.referer, "Quillfen's MP3 Client");
    QVERIFY(!details.hasBody);
    QVERIFY(m_harness->transfer.calls.contains(u"Execute GET http://%1/mp3/mp3info.asp?ID=101 <no body> [Referer: "
                                               "Quillfen's MP3 Client]"_s.arg(site.address())));

    const auto okBoxes = m_harness->boxes.okBoxes();
    if (url.isEmpty()) {
        // A details page without the FTP link as its second link ends the scan after the status line.
        QVERIFY(okBoxes.isEmpty());
        QCOMPARE(m_harness->pane(), heading + line(u"101"_s, u"Track 1"_s) + status);
        QCOMPARE(m_harness->boxes.promptTexts().size(), 1);
        return;
    }
    QCOMPARE(okBoxes.size(), 1);
    QCOMPARE(okBoxes.at(0).text, url);
    QCOMPARE(okBoxes.at(0).title, ftpTitle);
    QCOMPARE(m_harness->pane(), heading + line(u"101"_s, u"Track 1"_s) + status + line(u"102"_s, u"Track 2"_s));
}

void TestQuery::failedDetailsEndTheScanAndTheRunGoesOn()
{
    LoopbackSite one;
    LoopbackSite two;
    serve(one, resultPage(numberedHits(3)), detailsPage(ftpLink));
    serve(two, resultPage({hitRow({"201", "Other", "Artist", "Album"})}));
    m_harness->settings.setSite(1, u"One"_s, one.address());
    m_harness->settings.setSite(2, u"Two"_s, two.address());
    m_harness->boxes.answers = {MessageBoxes::Answer::Yes};
    QString paneOfSiteOne;
    m_harness->boxes.whileShown = [&](const FakeMessageBoxes::Shown& box) {
        if (box.text.startsWith(u"201"_s))
            paneOfSiteOne = m_harness->pane();
    };

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->boxes.promptTexts(),
             (QStringList{u"101\tTrack 1\tArtist\tAlbum"_s, u"201\tOther\tArtist\tAlbum"_s}));
    QVERIFY(m_harness->boxes.okBoxes().isEmpty());
    QCOMPARE(two.requestCount(), size_t(1));
    QCOMPARE(m_harness->window.site(), qint16(3));
    QCOMPARE(paneOfSiteOne, heading + line(u"201"_s, u"Other"_s));
}

void TestQuery::detailsPageDoesNotChangeTheRowsScanned()
{
    LoopbackSite site;
    // The details page has rows of its own, which must not take the place of the result page's rows.
    serve(site, resultPage(numberedHits(2)),
          resultPage({hitRow({"999", "Wrong", "Wrong", "Wrong"}), hitRow({"998", "Wrong", "Wrong", "Wrong"})}) +
              detailsPage(backLink + ftpLink));
    m_harness->settings.setSite(1, u"One"_s, site.address());
    m_harness->boxes.answers = {MessageBoxes::Answer::Yes, MessageBoxes::Answer::Yes};

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->boxes.promptTexts(),
             (QStringList{u"101\tTrack 1\tArtist\tAlbum"_s, u"102\tTrack 2\tArtist\tAlbum"_s}));
    QCOMPARE(m_harness->boxes.okBoxes().size(), 2);
    QCOMPARE(m_harness->pane(),
             heading + line(u"101"_s, u"Track 1"_s) + status + line(u"102"_s, u"Track 2"_s) + status);
}

void TestQuery::pageTextStaysLiteral()
{
    LoopbackSite site;
    serve(site, resultPage({hitRow({"7 ", "<b>Bold</b>", "<img src=x>", "R&amp;B \xC3\xA9"})}),
          detailsPage(backLink + "<a href=\"ftp://:@host/<i>x</i>.mp3\">"));
    m_harness->settings.setSite(1, u"One"_s, site.address());
    m_harness->boxes.answers = {MessageBoxes::Answer::Yes};

    m_harness->search(u"x"_s);

    QCOMPARE(m_harness->boxes.promptTexts(), QStringList{u"7 \t<b>Bold</b>\t<img src=x>\tR&amp;B é"_s});
    QCOMPARE(site.requests().at(1).target, "/mp3/mp3info.asp?ID=7%20");
    QCOMPARE(m_harness->boxes.okBoxes().at(0).text, u"ftp://:@host/<i>x</i>.mp3"_s);
}

QTEST_MAIN(TestQuery)
#include "tst_query.moc"
