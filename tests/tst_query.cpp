#include <memory>

#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray cell(const QByteArray& value)
{
    return "<TD><FONT FACE=Arial SIZE=2 COLOR=#000000>" + value + "<BR></FONT></TD>";
}

QByteArray hit(const QByteArray& id, const QByteArray& track, const QByteArray& artist = "Artist",
               const QByteArray& album = "Album")
{
    return "<TR><TD><A HREF=\"mp3info.asp?ID=" + id + "\">" + id + "</A></TD>" + cell(track) + cell(artist) +
           cell(album) + "</TR>\r\n";
}

// As sites write it: a heading row, then the rows with a spacer row between each two.
QByteArray resultPage(const QByteArrayList& rows)
{
    return "<HTML><BODY><TABLE>\r\n<TR><TD>ID</TD><TD>Track</TD><TD>Artist</TD><TD>Album</TD></TR>\r\n" +
           rows.join("<TR><TD COLSPAN=4><HR></TD></TR>\r\n") + "<TR><TD COLSPAN=4>End of list</TD></TR></TABLE>";
}

// Answers the search (a POST) with `page` and every details request with `details`.
void serve(LoopbackSite& site, const QByteArray& page, const QByteArray& details)
{
    site.setHandler([page = page.toStdString(), details = details.toStdString()](const httplib::Request& request,
                                                                                 httplib::Response& response) {
        response.set_content(request.method == "POST" ? page : details, "text/html; charset=utf-8");
    });
}

const QString crlf = u"\r\n"_s;
const QString heading = u"ID\tTrack\tArtist\tAlbum\r\n"_s;
const QString status = u"Getting Information...\r\n"_s;

} // namespace

class TestQuery : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowHarness> m_harness;

private Q_SLOTS:
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void scan_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("details");
        QTest::addColumn<QStringList>("account");
        // Y, N or C for each prompt in turn; once they run out every prompt is answered No.
        QTest::addColumn<QString>("answers");
        // Site 2 lists one hit, 201.
        QTest::addColumn<bool>("withSiteTwo");
        // The text of every box shown, prompts and OK boxes, in order.
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("pane");

        const QByteArray first = hit("101", "Track One", "Artist One", "Album One");
        const QByteArray pair = resultPage({first, hit("102", "Track Two", "Artist Two", "Album Two")});
        const QByteArray back = "<a href=\"search.asp\">Back</a>";
        const QByteArray ftp = "<a href=\"ftp://:@files.example/mp3/01 - One.mp3\">Get it</a>";
        const QString one = u"101\tTrack One\tArtist One\tAlbum One"_s;
        const QString two = u"102\tTrack Two\tArtist Two\tAlbum Two"_s;
        const QString other = u"201\tOther\tArtist\tAlbum"_s;
        const QString file = u"files.example/mp3/01 - One.mp3"_s;
        const QString afterYes = heading + one + crlf + status + two + crlf;
        const QStringList ann{u"ann"_s, u"pw42"_s};
        const QString literal = u"7 \t<b>Bold</b>\t<img src=x>\tR&amp;B é"_s;

        QTest::newRow("two hits, No twice") << pair << back + ftp << ann << QString() << false << QStringList{one, two}
                                            << heading + one + crlf + two + crlf;
        QTest::newRow("no value in cell 3")
            << resultPage({first,
                           "<TR><TD><A HREF=\"mp3info.asp?ID=102\">102</A></TD>" + cell("Track Two") +
                               "<TD>Artist Two</TD>" + cell("Album Two") + "</TR>",
                           hit("103", "Three")})
            << back + ftp << ann << QString() << false << QStringList{one}
            << heading + one + crlf + u"102\tTrack Two\t"_s;
        QTest::newRow("no ID") << resultPage({first, "<TR><TD>102</TD><TD>x</TD><TD>y</TD><TD>z</TD></TR>",
                                              hit("103", "Three")})
                               << back + ftp << ann << QString() << false << QStringList{one} << heading + one + crlf;
        QTest::newRow("Cancel ends only site 1's scan")
            << pair << back + ftp << ann << u"C"_s << true << QStringList{one, other} << heading + other + crlf;
        QTest::newRow("FTP link second") << pair << back + ftp << ann << u"Y"_s << false
                                         << QStringList{one, u"ftp://ann:pw42@"_s + file, two} << afterYes;
        QTest::newRow("FTP link second of three") << pair << back + ftp + back << ann << u"Y"_s << false
                                                  << QStringList{one, u"ftp://ann:pw42@"_s + file, two} << afterYes;
        QTest::newRow("no account") << pair << back + ftp << QStringList() << u"Y"_s << false
                                    << QStringList{one, u"ftp://:@"_s + file, two} << afterYes;
        QTest::newRow("account that would move the address")
            << pair << back + ftp << QStringList{u"ann@home"_s, u"p/w#1?:@"_s} << u"Y"_s << false
            << QStringList{one, u"ftp://ann%40home:p%2Fw%231%3F%3A%40@"_s + file, two} << afterYes;
        QTest::newRow("FTP link first") << pair << ftp + back << ann << u"Y"_s << false << QStringList{one}
                                        << heading + one + crlf + status;
        QTest::newRow("failed details, run goes on")
            << pair << ftp << ann << u"Y"_s << true << QStringList{one, other} << heading + other + crlf;
        QTest::newRow("details page with rows of its own")
            << pair << resultPage({hit("999", "Wrong"), hit("998", "Wrong")}) + back + ftp << QStringList() << u"YY"_s
            << false << QStringList{one, u"ftp://:@"_s + file, two, u"ftp://:@"_s + file} << afterYes + status;
        QTest::newRow("markup and entities stay literal")
            << resultPage({hit("7 ", "<b>Bold</b>", "<img src=x>", "R&amp;B \xC3\xA9")})
            << back + "<a href=\"ftp://:@host/<i>x</i>.mp3\">" << QStringList() << u"Y"_s << false
            << QStringList{literal, u"ftp://:@host/<i>x</i>.mp3"_s} << heading + literal + crlf + status;
    }

    void scan()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, details);
        QFETCH(QStringList, account);
        QFETCH(QString, answers);
        QFETCH(bool, withSiteTwo);
        QFETCH(QStringList, boxes);
        QFETCH(QString, pane);
        LoopbackSite one;
        LoopbackSite two;
        serve(one, page, details);
        serve(two, resultPage({hit("201", "Other")}), {});
        m_harness->settings.setSite(1, u"One"_s, one.address(), u"/mp3/"_s, account.value(0), account.value(1));
        if (withSiteTwo)
            m_harness->settings.setSite(2, u"Two"_s, two.address());
        using Answer = MessageBoxes::Answer;
        for (const QChar answer : answers)
            m_harness->boxes.answers.append(answer == u'Y'   ? Answer::Yes
                                            : answer == u'C' ? Answer::Cancel
                                                             : Answer::No);
        // A prompt must come with its hit's line whole in the pane; every box has its fixed title.
        QStringList shown;
        m_harness->boxes.whileShown = [&](const FakeMessageBoxes::Shown& box) {
            const bool right =
                box.isPrompt ? box.title == u"Do you want this MP3?"_s && m_harness->pane().endsWith(box.text + crlf)
                             : box.title == u"Please enter this URL in your web browser or FTP client."_s;
            shown.append(right ? box.text : u"Wrong: "_s + box.text);
        };

        m_harness->search(u"x"_s);

        QCOMPARE(shown, boxes);
        QCOMPARE(m_harness->pane(), pane);
        // Each Yes, and only a Yes, fetches that hit's details: a GET with the Referer alone and no body.
        const QStringList asked = m_harness->boxes.promptTexts();
        QStringList detailsCalls;
        for (qsizetype i = 0; i < std::min(answers.size(), asked.size()); ++i)
            if (answers.at(i) == u'Y')
                detailsCalls.append(
                    u"Execute GET http://%1/mp3/mp3info.asp?ID=%2 <no body> "
                    "[Referer: Quillfen's MP3 Client]"_s.arg(one.address(), asked.at(i).section(u'\t', 0, 0)));
        QCOMPARE(m_harness->transfer.calls.filter(u"Execute GET"_s), detailsCalls);
        QCOMPARE(m_harness->window.site(), qint16(withSiteTwo ? 3 : 2));
    }
};

QTEST_MAIN(TestQuery)
#include "tst_query.moc"
