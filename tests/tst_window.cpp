#include <sys/stat.h>

#include <QtWidgets>

#include "qt_message_boxes.h"
#include "window_harness.h"

using Box = Answer;

namespace {

// Whether this process has mapped the HTTP stack, or any of what it brings.
bool mapsTheNetwork()
{
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/maps");
    static const QRegularExpression network(u"libcurl|libssl|libcrypto|libnghttp2|libQt6Network"_s);
    return network.match(QString::fromLatin1(maps.readAll())).hasMatch();
}

// A settings store that fails at every read, as a damaged file would.
struct BrokenSettings final : SettingsBacking
{
    QString read(const QString&, const QString&, const QString&) const override { throw std::runtime_error("damaged"); }
    void write(const QString&, const QList<SettingsEntry>&) override {}

    SiteStore store{*this};
};

// Runs `open`, which shows a modal window and returns once that is closed. When the window is up and active,
// `interact` runs on it; then it is closed, also after a failed check. Returns whether the window came up.
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

// The real main window over a settings file of its own (or the store given), with a canned transfer (or the
// transfer given) and the real event delivery; the message boxes are scripted.
struct WindowHarness
{
    explicit WindowHarness(SiteStore* store = nullptr, HttpTransfer* transfer = nullptr)
        : window(store ? *store : settings.store, transfer ? *transfer : canned, events, boxes)
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

const QString hitRows = u"<TR><TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>"_s;

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First, while nothing in this process has asked for the network yet.
    void mapsTheNetworkOnlyAtTheFirstSearch()
    {
        NetworkModule network;
        WindowHarness harness(nullptr, &network);
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
        QCOMPARE(harness.canned.requests[0].body, u"album=blue&Sort=ID"_s);
    }

    void showsAnUnexpectedFailureOnceAndAsksToEnd()
    {
        BrokenSettings broken;
        WindowHarness harness(&broken.store);
        QSignalSpy ending(&harness.window, &MainWindow::unexpectedFailure);
        // Nothing more runs once the program is ending.
        harness.search(u"x"_s);
        harness.search(u"x"_s);
        QCOMPARE(ending.size(), 1);
        QVERIFY(harness.boxes.shown.size() == 1 && harness.boxes.shown[0].contains(u"damaged"_s));
    }

    // Once the window is closed while a prompt is up, nothing the run was waiting on goes on: no further prompt,
    // no further request, even after Yes.
    void closingDuringAPromptEndsTheRun()
    {
        WindowHarness harness;
        harness.canned.answer = [&](const auto&) { return CannedTransfer::Answer{hitRows + hitRows}; };
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        harness.boxes.answers = {Box::Yes};
        harness.boxes.whileShown = [&] { harness.window.close(); };
        harness.search(u"x"_s);
        QCOMPARE(harness.canned.requests.size(), 1);
        QCOMPARE(harness.boxes.shown.size(), 1);
    }

    // The pane shows what the site gave to the character, markup, a non-breaking space and a line break in a field
    // included; "Getting Information..." goes under a wanted hit, and a row cut short ends the list.
    void listsEachHitInThePane()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        const QString row = u"<TR><TD>ID=%1\"><TD>000000>%2<BR><TD>000000>b<BR><TD>000000>c<BR>"_s;
        // A heading row, then hit rows with a spacer row between each two.
        const QString page = u"<TR>"_s + row.arg(u"1"_s, u"<b>a</b>\u00a0&amp;"_s) + u"<TR>"_s +
                             row.arg(u"2"_s, u"x\r\ny"_s) + u"<TR><TR><TD>ID=3\"><TD>000000>cut"_s;
        harness.canned.answer = [&](const CannedTransfer::Request& request) {
            return CannedTransfer::Answer{request.method == u"POST"_s ? page
                                                                      : u"<a href=\"b\"><a href=\"ftp://:@h/f\">"_s};
        };
        auto* pane = harness.window.findChild<QPlainTextEdit*>(u"rtbResults"_s);
        QStringList seen; // The pane as each prompt comes up.
        harness.boxes.whileShown = [&] { seen << pane->document()->toRawText(); };
        harness.boxes.answers = {Box::Yes};
        harness.search(u"x"_s);
        const QString heading = u"ID\tTrack\tArtist\tAlbum\u2029"_s, first = u"1\t<b>a</b>\u00a0&amp;\tb\tc\u2029"_s;
        const QString details = u"Getting Information...\u2029"_s, second = u"2\tx\u2029y\tb\tc\u2029"_s;
        QCOMPARE(seen, QStringList({heading + first, heading + first + details, heading + first + details + second}));
        QCOMPARE(pane->document()->toRawText(), heading + first + details + second + u"3\tcut\t"_s);
    }

    // A Search pressed while site 2 is waited for is refused, and leaves the site report alone.
    void keepsTheReportThroughARefusedSearch()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        bool held = true;
        harness.canned.answer = [&](const CannedTransfer::Request& request) {
            if (!request.url.contains(u"//two/"_s))
                return CannedTransfer::Answer{};
            QTimer::singleShot(0, &harness.window, [&] {
                harness.search(u"again"_s);
                held = false;
            });
            return CannedTransfer::Answer{.held = &held};
        };
        harness.search(u"x"_s);
        QCOMPARE(harness.window.findChild<QLabel*>(u"lblSiteReport"_s)->text(), u"2 sites: 2 answered"_s);
        QCOMPARE(harness.canned.requests.size(), 2);
    }

    // The site report follows the run site by site, counts what the sites gave once it has ended and starts afresh
    // with each run; a site's name in it stays as it is written, also in the tooltip.
    void reportsWhatEachSiteGave()
    {
        WindowHarness harness;
        harness.settings.setSite(1, u"<b>One</b>"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        auto* report = harness.window.findChild<QLabel*>(u"lblSiteReport"_s);
        QString page = u"<TR><TR>"_s;
        QStringList seen; // The report as each request goes out.
        harness.canned.answer = [&](const CannedTransfer::Request& request) {
            seen << report->text() + u" / "_s + report->accessibleDescription();
            if (request.url.startsWith(u"http://two"_s))
                return CannedTransfer::Answer{{}, TransferError{TransferError::Kind::CouldNotConnect, u"refused"_s}};
            return CannedTransfer::Answer{page};
        };
        const QString list = u"<b>One</b>: 0 hits\nTwo: no answer (refused)"_s;
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 answered, 1 failed"_s);
        QCOMPARE(report->accessibleDescription(), list);
        // As a tooltip is shown: read as rich text when it looks like some.
        const QString tip = report->toolTip();
        QCOMPARE(Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip, list);
        QVERIFY(report->textFormat() == Qt::PlainText && report->focusPolicy() == Qt::NoFocus);

        page = hitRows;
        harness.boxes.answers = {Box::Cancel};
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 cancelled, 1 failed"_s);
        const QStringList run{u"Asking <b>One</b>… / "_s, u"Asking Two… / <b>One</b>: "_s};
        QCOMPARE(seen, QStringList({run[0], run[1] + u"0 hits"_s, run[0], run[1] + u"cancelled"_s}));
    }

    // Ctrl+C copies the whole text, which outside Windows a message box does not do by itself; for the box with an
    // FTP URL, the URL is what the user came for. Key 0 stands for the close box.
    void answersThePrompt_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Box>("answer");
        QTest::newRow("Return is the default, Yes") << int(Qt::Key_Return) << Box::Yes;
        QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << Box::Cancel;
        QTest::newRow("the close box is Cancel") << 0 << Box::Cancel;
    }

    void answersThePrompt()
    {
        QFETCH(int, key);
        QFETCH(Box, answer);
        const QString url = u"ftp://ann:pw@files.example"_s + u"/a-rather-long-folder-name"_s.repeated(12);
        QGuiApplication::clipboard()->clear();
        const auto press = [&](QWidget* box) {
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            if (key)
                QTest::keyClick(box, Qt::Key(key));
            QVERIFY(!key || box->isHidden());
        };
        QVERIFY(whileModal([&] { QCOMPARE(QtMessageBoxes().askYesNoCancel(url, u"Prompt"_s), answer); }, press));
        QCOMPARE(QGuiApplication::clipboard()->text(), url);
    }

    void optionsOkStoresEveryBoxAndClosingStoresNothing_data()
    {
        QTest::addColumn<QStringList>("site1");
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<bool>("byCloseBox");
        const QStringList spaced{u" "_s, u"h"_s, u"/m/"_s, u"me"_s, u"pw"_s};
        const QStringList longer{u"Long"_s, QString(40000, u'a'), u"/l/"_s, u"lu"_s, QString(40000, u'p')};
        // Without a name the record counts as empty, user name and password included.
        QTest::newRow("site 1 unnamed, Cancel")
            << QStringList{{}, u"h"_s, u"/m/"_s, u"me"_s, u"pw"_s}
            << QStringList{u"Quillfen"_s, u"localhost:8765"_s, u"/mp3/"_s, {}, {}} << false;
        QTest::newRow("a space is a name, close box") << spaced << spaced << true;
        QTest::newRow("values over a box's default 32767 characters") << longer << longer << false;
    }

    void optionsOkStoresEveryBoxAndClosingStoresNothing()
    {
        QFETCH(QStringList, site1);
        QFETCH(QStringList, row1);
        QFETCH(bool, byCloseBox);
        const mode_t umask = ::umask(0);
        const auto restoreUmask = qScopeGuard([umask] { ::umask(umask); });
        WindowHarness harness;
        harness.settings.setSite(1, site1[0], site1[1], site1[2], site1[3], site1[4]);
        harness.settings.setSite(3, u"Three"_s, u"t"_s, u"/t/"_s, u"tu"_s, u"tp"_s);
        const SiteStore& store = harness.settings.store;
        QStringList stored;
        const auto okThenClose = [&](QWidget* dialog) {
            // Rows 2 to 5 show what is stored, never a default.
            QCOMPARE(values(dialog),
                     row1 + QStringList(5, {}) + u"Three t /t/ tu tp"_s.split(u' ') + QStringList(10, {}));
            // A change in every box shows up any box that OK leaves out.
            for (QLineEdit* edited : dialog->findChildren<QLineEdit*>())
                QTest::keyClick(edited, '+');
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
            QCOMPARE(stored = values(dialog, &store), values(dialog));
            // Enter would store and Escape close, were either to press a button.
            for (QLineEdit* edited : dialog->findChildren<QLineEdit*>()) {
                QTest::keyClicks(edited, u"abandoned"_s);
                QTest::keySequence(edited, QKeySequence(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));
                const bool secret = edited->objectName().startsWith(u"txtPass"_s);
                QCOMPARE(edited->displayText(), secret ? QString(edited->text().size(), u'*') : edited->text());
            }
            QVERIFY(dialog->isVisible());
            byCloseBox ? void(dialog->close()) : dialog->findChild<QPushButton*>(u"cmdCancel"_s)->click();
            QVERIFY(!dialog->isVisible());
        };
        QVERIFY(harness.options(okThenClose));
        QCOMPARE(values(nullptr, &store), stored);
        // The file holds passwords, so it and its folder are made for their owner alone, whatever the umask.
        QCOMPARE(QFile::permissions(harness.settings.fileName()), TemporarySettings::ownerOnly);
        QCOMPARE(QFile::permissions(QFileInfo(harness.settings.fileName()).path()),
                 TemporarySettings::ownerOnly | QFile::ExeOwner | QFile::ExeUser);
        // The next showing loads afresh, without the abandoned edits.
        QVERIFY(harness.options([&](QWidget* dialog) { QCOMPARE(values(dialog), stored); }));
    }

    // A file made by hand: an unquoted comma, which the settings format takes for a list, reads as the text it is,
    // and a broken file reads too; storing works and leaves the file, which holds passwords, its owner's alone. A file
    // that is a symbolic link is read through it, but writing through it would rewrite the target, dropping the lines
    // the settings format cannot parse, and narrow the target's mode: OK says so, naming the file, and keeps the edits.
    // A file over 1 MiB, which the settings format would read whole, is neither read nor written, and OK says so.
    void optionsReadAndStoreAFileMadeByHand_data()
    {
        QTest::addColumn<QByteArray>("content");
        // Site 1's five boxes, joined by "|".
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("linked");
        // Why OK cannot store, when it cannot.
        QTest::addColumn<QString>("refusal");
        const QByteArray one = "[Site1]\nName=n\nPass=p\n";
        QTest::newRow("every key of a site")
            << "[Site1]\nName=n\nAddr=h:1\nPath=/p/\nUser=u\nPass=p\n"_ba << u"n|h:1|/p/|u|p"_s << false << QString();
        QTest::newRow("a comma in a value") << "[Site1]\nName=n\nPass=a,b\n"_ba << u"n||||a,b"_s << false << QString();
        QTest::newRow("binary junk") << QByteArray("\x00\xFF\xFE[[[\x01=\n=\n\x80", 13)
                                     << u"Quillfen|localhost:8765|/mp3/||"_s << false << QString();
        QTest::newRow("unclosed section and quote")
            << "[Site1\n[Site1]\nName=n\nPass=\"open"_ba << u"n||||open"_s << false << QString();
        QTest::newRow("a symbolic link") << one + "not a setting\n" << u"n||||p"_s << true << u"symbolic link"_s;
        QTest::newRow("over 1 MiB") << one + QByteArray(1024 * 1024, ' ') << u"||||"_s << false
                                    << u"over 1 MiB, the most Tunedrop reads"_s;
    }

    void optionsReadAndStoreAFileMadeByHand()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, shown);
        QFETCH(bool, linked);
        QFETCH(QString, refusal);
        WindowHarness harness;
        const QString folder = harness.settings.folder.path(), fileName = harness.settings.fileName();
        const auto mode = TemporarySettings::ownerOnly | QFile::ReadOther;
        QFile file(linked ? folder + u"/shared.conf"_s : fileName);
        QVERIFY(QDir(folder).mkdir(u"Tunedrop"_s) && file.open(QIODevice::WriteOnly) && file.write(content) > 0);
        QVERIFY(file.setPermissions(mode) && (!linked || file.link(fileName)));
        file.close();
        QVERIFY(harness.options([&](QWidget* dialog) {
            QStringList texts;
            for (const char* box : {"txtName1", "txtAddr1", "txtPath1", "txtUser1", "txtPass1"})
                texts << dialog->findChild<QLineEdit*>(QLatin1StringView(box))->text();
            QCOMPARE(texts.join(u'|'), shown);
            // Reading it was enough to make a file of our own private.
            QCOMPARE(file.permissions(), refusal.isEmpty() ? TemporarySettings::ownerOnly : mode);
            auto* box = dialog->findChild<QLineEdit*>(u"txtPass1"_s);
            box->setText(u"edited"_s);
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
            QVERIFY(dialog->isVisible() && box->text() == u"edited"_s);
            QCOMPARE(harness.boxes.shown.size(), refusal.isEmpty() ? 0 : 1);
            QVERIFY(refusal.isEmpty() ||
                    (harness.boxes.shown[0].contains(u"could not be saved"_s) &&
                     harness.boxes.shown[0].contains(fileName) && harness.boxes.shown[0].contains(refusal)));
        }));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.permissions(), refusal.isEmpty() ? TemporarySettings::ownerOnly : mode);
        QVERIFY(refusal.isEmpty() ? harness.settings.store.read(1, SiteStore::Key::Pass) == u"edited"_s
                                  : file.readAll() == content);
    }

    void endsDuringAWaitWithStatusZero_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Exit button") << false;
        QTest::newRow("close box") << true;
    }

    // While a run waits, Search is refused and Options opens and stores; Exit or the close box then ends the run
    // and the program. This runs the application's own event loop, as the program does, so that what ends the
    // program ends exec().
    void endsDuringAWaitWithStatusZero()
    {
        QFETCH(bool, byCloseBox);
        WindowHarness harness;
        harness.settings.setSite(1, u"Silent"_s, u"one"_s);
        harness.settings.setSite(2, u"Next"_s, u"two"_s);
        harness.canned.answer = [](const auto&) { return CannedTransfer::Answer{.silent = true}; };
        harness.window.show();
        QTimer::singleShot(0, &harness.window, [&] { harness.search(u"x"_s); });
        // Comes while the run waits for the first site.
        bool optionsOpened = false;
        QTimer::singleShot(0, &harness.window, [&] {
            harness.search(u"refused"_s);
            optionsOpened = harness.options([](QWidget* options) {
                options->findChild<QLineEdit*>(u"txtName5"_s)->setText(u"Stored"_s);
                options->findChild<QPushButton*>(u"cmdOK"_s)->click();
            });
            byCloseBox ? void(harness.window.close()) : harness.button(u"cmdExit"_s)->click();
        });

        QCOMPARE(QCoreApplication::exec(), 0);
        // Neither the refused Search nor the next site was asked.
        QCOMPARE(harness.canned.requests.size(), 1);
        QVERIFY(optionsOpened && harness.canned.repliesAlive == 0 && harness.boxes.shown.isEmpty());
        QCOMPARE(harness.settings.store.read(5, SiteStore::Key::Name), u"Stored"_s);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
