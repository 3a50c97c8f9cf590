#include <sys/stat.h>

#include <QtWidgets>

#include "qt_message_boxes.h"
#include "window_harness.h"

using Box = Answer;

// What stands at the settings file's name: the file, a symbolic link to it, a named pipe, or nothing, under a plain
// file where its folder should be.
enum class Place
{
    File,
    Link,
    Pipe,
    FileForFolder
};

namespace {

// Whether this process has mapped the HTTP stack, or any of what it brings; false when it cannot tell, so that a
// check that it has fails.
bool mapsTheNetwork()
{
    QFile maps(u"/proc/self/maps"_s);
    static const QRegularExpression network(u"libcurl|libssl|libcrypto|libnghttp2|libQt6Network"_s);
    return maps.open(QIODevice::ReadOnly) && network.match(QString::fromLatin1(maps.readAll())).hasMatch();
}

// Runs `open`, which shows a modal window and returns once that is closed. When the window is up and active, `interact`
// runs on it; then it is closed, also after a failed check. Returns whether the window came up.
bool whileModal(const std::function<void()>& open, const std::function<void(QWidget*)>& interact)
{
    bool up = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if ((up = modal && QTest::qWaitForWindowActive(modal)))
            interact(modal);
        if (modal)
            modal->close();
    });
    open();
    return up;
}

// The real main window over a settings file of its own, with a canned transfer (or the transfer given) and the real
// event delivery; the message boxes are scripted.
struct WindowHarness
{
    explicit WindowHarness(HttpTransfer* transfer = nullptr)
        : window(settings.store, transfer ? *transfer : canned, events, boxes)
    {
    }
    QPushButton* button(const QString& name) const { return window.findChild<QPushButton*>(name); }
    // Clicks Options, runs `interact` on the dialog once it is up, and closes it; returns whether it came up.
    bool options(const std::function<void(QWidget*)>& interact)
    {
        return whileModal([this] { button(u"cmdOptions"_s)->click(); }, interact);
    }
    // Types the keywords into the keyword box and clicks Search; returns when the run has ended.
    void search(const QString& keywords)
    {
        window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(keywords);
        button(u"cmdSearch"_s)->click();
    }

    TemporarySettings settings;
    CannedTransfer canned;
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    MainWindow window;
};

// The 25 values of the Options dialog site by site, as the boxes show them or, given a store, as it holds them.
QStringList values(const QWidget* dialog, const SiteStore* store = nullptr)
{
    QStringList found;
    for (int cell = 0; cell < 25; ++cell) {
        const auto [site, key] = std::pair(cell / 5 + 1, SiteStore::Key(cell % 5));
        const QString box = u"txt"_s + SiteStore::keyName(key) + QString::number(site);
        found += store ? store->read(site, key) : dialog->findChild<QLineEdit*>(box)->text();
    }
    return found;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First, while nothing in this process has asked for the network yet.
    void mapsTheNetworkOnlyAtTheFirstSearch()
    {
        NetworkModule network;
        WindowHarness harness(&network);
        harness.settings.setSite(1, u"Closed"_s, u"127.0.0.1:1"_s);
        harness.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&harness.window));
        QVERIFY(!mapsTheNetwork());
        harness.search(u"x"_s);
        QVERIFY(network.isLoaded() && mapsTheNetwork());
    }

    void tabOrderAndReturnSearchOnce()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&harness.window));
        QStringList order;
        for (int i = 0; i < 6; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            order << QApplication::focusWidget()->objectName();
        QCOMPARE(order, u"txtQuery cmdSearch rtbResults cmdExit cmdOptions txtQuery"_s.split(u' '));
        // Return in an empty keyword box sends nothing.
        auto* keywords = harness.window.findChild<QLineEdit*>(u"txtQuery"_s);
        QTest::keyClick(keywords, Qt::Key_Return);
        QTest::keyClicks(keywords, u"blue"_s);
        QTest::keyClick(keywords, Qt::Key_Return);
        QCOMPARE(harness.canned.requests.size(), 1);
        QCOMPARE(harness.canned.requests[0].body, "album=blue&Sort=ID");
        QCOMPARE(harness.window.findChild<QLabel*>(u"lblSiteReport"_s)->text(), u"1 site: 1 answered"_s);
        // Options: down the names, addresses and paths, to OK and Cancel, then down the user names and passwords.
        QStringList expected;
        for (const QString& column : u"Name Addr Path cmdOK cmdCancel User Pass"_s.split(u' '))
            for (int site = 1; site <= (column.startsWith(u"cmd"_s) ? 1 : 5); ++site)
                expected << (column.startsWith(u"cmd"_s) ? column : u"txt%1%2"_s.arg(column).arg(site));
        QVERIFY(harness.options([&](QWidget*) {
            order.clear();
            for (int i = 0; i < 28; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
                order << QApplication::focusWidget()->objectName();
        }));
        QCOMPARE(order, expected << u"txtName1"_s);
    }

    // The pane shows what the site gave to the character, markup, a non-breaking space and a line break in a field
    // included; "Getting Information..." goes under a wanted hit, and a row cut short ends the list. Once the window is
    // closed while a prompt is up, nothing the run was waiting on goes on: no further request, even after Yes.
    void listsEachHitInThePane()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        const QString one = resultPage({hitRow(u"1"_s, u"<b>a</b>\u00a0&amp;"_s), u"<TR><TD>ID=3\"><TD>000000>cut"_s});
        const QString two = resultPage({hitRow(u"2"_s, u"x\r\ny"_s)});
        auto* pane = harness.window.findChild<QPlainTextEdit*>(u"rtbResults"_s);
        QStringList seen; // The pane as each prompt comes up, and as site 2 is asked.
        harness.canned.answer = [&](const HttpRequest& request) {
            if (request.method == "GET")
                return CannedTransfer::Answer{u"<a href=\"b\"><a href=\"ftp://:@h/f\">"_s};
            if (request.url.host() != u"two"_s)
                return CannedTransfer::Answer{one};
            seen << pane->document()->toRawText();
            return CannedTransfer::Answer{two};
        };
        harness.boxes.whileShown = [&] {
            seen << pane->document()->toRawText();
            if (seen.size() == 4)
                harness.window.close();
        };
        harness.boxes.answers = {Box::Yes, Box::Yes};
        harness.search(u"x"_s);
        const QString heading = u"ID\tTrack\tArtist\tAlbum\u2029"_s,
                      first = u"1\t<b>a</b>\u00a0&amp;\tArtist\tAlbum\u2029"_s;
        const QString details = u"Getting Information...\u2029"_s, second = u"2\tx\u2029y\tArtist\tAlbum\u2029"_s;
        QCOMPARE(seen, QStringList({heading + first, heading + first + details,
                                    heading + first + details + u"3\tcut\t"_s, heading + second}));
        QCOMPARE(harness.canned.requests.size(), 3);
    }

    // The site report follows the run site by site, counts what the sites gave once it has ended and starts afresh with
    // each run; a Search pressed during a run is refused and leaves it alone. A site's name in it stays as it is
    // written, also in the tooltip.
    void reportsWhatEachSiteGave()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"<b>One</b>"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        QLabel* report = harness.window.findChild<QLabel*>(u"lblSiteReport"_s);
        QString page = u"<TR><TR>"_s;
        QStringList seen; // The report as each request goes out.
        harness.canned.answer = [&](const HttpRequest& request) {
            seen << report->text() + u" / "_s + report->accessibleDescription();
            if (request.url.host() != u"two"_s)
                return CannedTransfer::Answer{page};
            // Clicked while the run waits for site 2.
            QTimer::singleShot(0, &harness.window, [&] { harness.search(u"again"_s); });
            return CannedTransfer::Answer{{}, TransferError{TransferError::Kind::CouldNotConnect, u"refused"_s}};
        };
        const QString list = u"<b>One</b>: 0 hits\nTwo: no answer (refused)"_s;
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 answered, 1 failed"_s);
        QCOMPARE(report->accessibleDescription(), list);
        // As a tooltip is shown: read as rich text when it looks like some.
        const QString tip = report->toolTip();
        QCOMPARE(Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip, list);
        QVERIFY(report->textFormat() == Qt::PlainText && report->focusPolicy() == Qt::NoFocus);

        page = resultPage({hitRow(u"1"_s, u"a"_s)});
        harness.boxes.answers = {Box::Cancel};
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 cancelled, 1 failed"_s);
        const QStringList run{u"Asking <b>One</b>… / "_s, u"Asking Two… / <b>One</b>: "_s};
        QCOMPARE(seen, QStringList({run[0], run[1] + u"0 hits"_s, run[0], run[1] + u"cancelled"_s}));
    }

    // Ctrl+C copies the whole text, which outside Windows a message box does not do by itself; for the box with an FTP
    // URL, the URL is what the user came for. The close box answers as Escape does.
    void answersThePrompt_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Box>("answer");
        QTest::newRow("Return is the default, Yes") << int(Qt::Key_Return) << Box::Yes;
        QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << Box::Cancel;
    }

    void answersThePrompt()
    {
        QFETCH(int, key);
        QFETCH(Box, answer);
        const QString url = u"ftp://ann:pw@files.example"_s + u"/a-rather-long-folder-name"_s.repeated(12);
        QGuiApplication::clipboard()->clear();
        const auto press = [&](QWidget* box) {
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key(key));
            QVERIFY(box->isHidden());
        };
        QVERIFY(whileModal([&] { QCOMPARE(QtMessageBoxes().askYesNoCancel(url, u"Prompt"_s), answer); }, press));
        QCOMPARE(QGuiApplication::clipboard()->text(), url);
    }

    // Options over no settings file yet, or one made by hand that others may read. Site 1 shows the defaults while it
    // has no name, user name and password included; rows 2 to 5 show what is stored, never a default. An unquoted
    // comma, which the settings format takes for a list, reads as the text it is, and a broken file reads too. A file
    // that is a symbolic link is read through it, but writing through it would rewrite the target, dropping the lines
    // the settings format cannot parse, and narrow the target's mode. A pipe would hold up the window for good and a
    // file over 1 MiB be read whole: they are refused before they are read, Options says why as it opens and OK
    // writes nothing, and a search says why too, lists nothing and leaves the window open. OK names the file.
    void optionsShowAndStoreTheSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Place>("place");
        // Site 1's five boxes as they first show; the other sites' are empty unless site 3 is stored.
        QTest::addColumn<QStringList>("shown");
        // Why OK cannot store, when it cannot.
        QTest::addColumn<QString>("refusal");
        const QStringList defaults{u"Quillfen"_s, u"localhost:8765"_s, u"/mp3/"_s, {}, {}}, others(20, {});
        const QStringList three = QStringList(5, {}) + u"Three t /t/ tu tp"_s.split(u' ') + QStringList(10, {});
        const auto row = [](const char* name, const QByteArray& content, const QStringList& shown,
                            const QString& refusal = {},
                            Place place = Place::File) { QTest::newRow(name) << content << place << shown << refusal; };
        const QByteArray one = "[Site1]\nName=n\nPass=p\n", longer(40000, 'a');
        row("no file, nor the folders it lies in", {}, defaults + others);
        row("every key of two sites",
            one + "Addr=h:1\nPath=/p/\nUser=u\n[Site3]\nName=Three\nAddr=t\nPath=/t/\nUser=tu\nPass=tp\n",
            QStringList{u"n"_s, u"h:1"_s, u"/p/"_s, u"u"_s, u"p"_s} + three);
        row("site 1 unnamed", "[Site1]\nAddr=h\nPath=/m/\nUser=me\nPass=pw\n", defaults + others);
        row("spaces at both ends", "[Site1]\nName=\" \"\nAddr=h\nPass=\" p \"\n",
            QStringList{u" "_s, u"h"_s, {}, {}, u" p "_s} + others);
        row("values over a box's default 32767 characters", "[Site1]\nName=n\nAddr=" + longer + "\nPass=" + longer,
            QStringList{u"n"_s, QString(40000, u'a'), {}, {}, QString(40000, u'a')} + others);
        row("a comma in a value", "[Site1]\nName=n\nPass=a,b\n", QStringList{u"n"_s, {}, {}, {}, u"a,b"_s} + others);
        row("binary junk", QByteArray("\x00\xFF\xFE[[[\x01=\n=\n\x80", 13), defaults + others);
        row("a symbolic link", one + "not a setting\n", QStringList{u"n"_s, {}, {}, {}, u"p"_s} + others,
            u"is a symbolic link"_s, Place::Link);
        row("exactly 1 MiB", one + QByteArray(1024 * 1024 - one.size(), ' '),
            QStringList{u"n"_s, {}, {}, {}, u"p"_s} + others);
        row("one byte over 1 MiB", one + QByteArray(1024 * 1024 + 1 - one.size(), ' '), QStringList(25, {}),
            u"is over 1 MiB, the most Tunedrop reads"_s);
        row("a named pipe", {}, QStringList(25, {}), u"is a named pipe, not a file"_s, Place::Pipe);
        row("a plain file where the folder should be", {}, defaults + others, u"could not be written"_s,
            Place::FileForFolder);
    }

    // Every box is edited, a space put at both its ends; OK stores them all, and leaves the file and each folder it
    // makes their owner's alone, whatever the umask. Typing, Enter and Escape then neither store nor close; Cancel or
    // the close box closes, and the next showing loads afresh.
    void optionsShowAndStoreTheSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(Place, place);
        QFETCH(QStringList, shown);
        QFETCH(QString, refusal);
        const mode_t umask = ::umask(0);
        const auto restoreUmask = qScopeGuard([umask] { ::umask(umask); });
        WindowHarness harness;
        const QString folder = harness.settings.folder.path(), fileName = harness.settings.fileName();
        const auto readable = TemporarySettings::ownerOnly | QFile::ReadOther;
        QFile file(place == Place::Link ? folder + u"/shared.conf"_s : fileName);
        if (!content.isEmpty()) {
            QVERIFY(QDir(folder).mkdir(u"Tunedrop"_s) && file.open(QIODevice::WriteOnly) && file.write(content) > 0);
            QVERIFY(file.setPermissions(readable) && (place != Place::Link || file.link(fileName)));
            file.close();
        }
        if (place == Place::Pipe)
            QVERIFY(QDir(folder).mkdir(u"Tunedrop"_s) && ::mkfifo(QFile::encodeName(fileName).constData(), 0600) == 0);
        QVERIFY(place != Place::FileForFolder || QFile(folder + u"/Tunedrop"_s).open(QIODevice::WriteOnly));
        // Each folder that saving makes is its owner's alone.
        QVERIFY(place != Place::File || !content.isEmpty() || QDir(folder).removeRecursively());
        const bool unreadable = shown == QStringList(25, {});
        QStringList edited;
        QVERIFY(harness.options([&](QWidget* dialog) {
            QCOMPARE(values(dialog), shown);
            QCOMPARE(harness.boxes.shown.size(), unreadable ? 1 : 0);
            // Reading it was enough to make a file of our own private.
            QVERIFY(content.isEmpty() ||
                    file.permissions() == (refusal.isEmpty() ? TemporarySettings::ownerOnly : readable));
            // A change in every box shows up any box that OK leaves out.
            for (QLineEdit* box : dialog->findChildren<QLineEdit*>()) {
                QTest::keyClick(box, '+');
                box->setText(u' ' + box->text() + u' ');
            }
            edited = values(dialog);
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
            QCOMPARE(values(dialog), edited);
            if (refusal.isEmpty())
                QCOMPARE(values(dialog, &harness.settings.store), edited);
            QCOMPARE(harness.boxes.shown.size(), (unreadable ? 1 : 0) + (refusal.isEmpty() ? 0 : 1));
            for (const QString& box : std::as_const(harness.boxes.shown))
                QVERIFY(box.contains(u"could not be"_s) && box.contains(fileName) && box.contains(refusal));
            // Enter would store and Escape close, were either to press a button.
            for (QLineEdit* box : dialog->findChildren<QLineEdit*>()) {
                QTest::keyClicks(box, u"abandoned"_s);
                QTest::keySequence(box, QKeySequence(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));
                const bool secret = box->objectName().startsWith(u"txtPass"_s);
                QCOMPARE(box->displayText(), secret ? QString(box->text().size(), u'*') : box->text());
            }
            QVERIFY(dialog->isVisible());
            place == Place::Link ? void(dialog->close()) : dialog->findChild<QPushButton*>(u"cmdCancel"_s)->click();
            QVERIFY(!dialog->isVisible());
        }));
        if (unreadable) {
            // The file is neither replaced nor read.
            QCOMPARE(QFileInfo(fileName).size(), content.size());
            harness.window.show();
            harness.boxes.shown.clear();
            harness.search(u"x"_s);
            const QString report = harness.window.findChild<QLabel*>(u"lblSiteReport"_s)->text();
            QVERIFY(report.contains(fileName) && report.contains(refusal));
            QCOMPARE(harness.boxes.shown.size(), 1);
            QVERIFY(harness.boxes.shown[0].contains(report));
            QVERIFY(harness.canned.requests.isEmpty() && harness.window.isVisible());
            harness.button(u"cmdExit"_s)->click();
            QVERIFY(!harness.window.isVisible());
            return;
        }
        if (!refusal.isEmpty())
            return;
        QCOMPARE(values(nullptr, &harness.settings.store), edited);
        QCOMPARE(QFile::permissions(fileName), TemporarySettings::ownerOnly);
        for (const QString& made : content.isEmpty() ? QStringList{folder, folder + u"/Tunedrop"_s} : QStringList())
            QCOMPARE(QFile::permissions(made), TemporarySettings::ownerOnly | QFile::ExeOwner | QFile::ExeUser);
        QVERIFY(harness.options([&](QWidget* dialog) { QCOMPARE(values(dialog), edited); }));
    }

    // While a run waits, Options opens and stores; Exit, which closes the window as its close box does, then ends the
    // run and the program. This runs the application's own event loop, as the program does, so that what ends the
    // program ends exec().
    void endsDuringAWaitWithStatusZero()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"Silent"_s, u"one"_s);
        harness.settings.setSite(2, u"Next"_s, u"two"_s);
        harness.canned.answer = [](const auto&) { return CannedTransfer::Answer{.silent = true}; };
        harness.window.show();
        QTimer::singleShot(0, &harness.window, [&] { harness.search(u"x"_s); });
        // Comes while the run waits for the first site.
        bool optionsOpened = false;
        QTimer::singleShot(0, &harness.window, [&] {
            optionsOpened = harness.options([](QWidget* options) {
                options->findChild<QLineEdit*>(u"txtName5"_s)->setText(u"Stored"_s);
                options->findChild<QPushButton*>(u"cmdOK"_s)->click();
            });
            harness.button(u"cmdExit"_s)->click();
        });

        QCOMPARE(QCoreApplication::exec(), 0);
        // The next site was never asked.
        QCOMPARE(harness.canned.requests.size(), 1);
        QVERIFY(optionsOpened && harness.canned.repliesAlive == 0 && harness.boxes.shown.isEmpty());
        QCOMPARE(harness.settings.store.read(5, SiteStore::Key::Name), u"Stored"_s);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
