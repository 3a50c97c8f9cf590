#include <QLabel>
#include <QSignalSpy>
#include <QTextDocumentFragment>

#include "canned_transfer.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void tabOrderAndReturnSearchOnce()
    {
        CannedTransfer canned;
        canned.answer = [](const auto&) { return CannedTransfer::Answer{}; };
        MainWindowHarness harness(&canned);
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
        QCOMPARE(canned.requests.size(), 1);
        QCOMPARE(canned.requests[0].body.value_or(QString()), u"album=blue&Sort=ID"_s);
    }

    void showsAnUnexpectedFailureOnceAndAsksToEnd()
    {
        BrokenSettings broken;
        MainWindowHarness harness(nullptr, &broken.store);
        QSignalSpy ending(&harness.window, &MainWindow::unexpectedFailure);
        // Nothing more runs once the program is ending.
        harness.search(u"x"_s);
        harness.search(u"x"_s);
        QCOMPARE(ending.size(), 1);
        QVERIFY(harness.boxes.shown.size() == 1 && harness.boxes.shown[0].contains(u"damaged"_s));
    }

    // Once the window is closed, nothing the run was waiting on goes on: no prompt, no further request.
    void closingEndsTheRunWherever_data()
    {
        QTest::addColumn<bool>("duringAPrompt");
        QTest::newRow("while a prompt is up, then Yes") << true;
        QTest::newRow("while the page is read") << false;
    }

    void closingEndsTheRunWherever()
    {
        QFETCH(bool, duringAPrompt);
        CannedTransfer canned;
        const QString row = u"<TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>"_s;
        canned.answer = [&](const auto&) { return CannedTransfer::Answer{u"<TR>"_s + row + u"<TR><TR>"_s + row, {}}; };
        MainWindowHarness harness(&canned);
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        harness.boxes.answers = {MessageBoxes::Answer::Yes};
        (duringAPrompt ? harness.boxes.whileShown : canned.beforeBody) = [&] { harness.window.close(); };
        harness.search(u"x"_s);
        QCOMPARE(canned.requests.size(), 1);
        QCOMPARE(harness.boxes.shown.size(), duringAPrompt ? 1 : 0);
    }

    // The site report follows the run site by site, counts what the sites gave once it has ended and starts afresh
    // with each run; a site's name in it stays as it is written, also in the tooltip.
    void reportsWhatEachSiteGave()
    {
        CannedTransfer canned;
        MainWindowHarness harness(&canned);
        harness.settings.setSite(1, u"<b>One</b>"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        auto* report = harness.window.findChild<QLabel*>(u"lblSiteReport"_s);
        QString page = u"<TR><TR>"_s;
        QStringList seen; // The report as each request goes out.
        canned.answer = [&](const CannedTransfer::Request& request) {
            seen << report->text() + u" / "_s + report->accessibleDescription();
            if (request.url.startsWith(u"http://two"_s))
                return CannedTransfer::Answer{{}, TransferError{TransferError::Kind::CouldNotConnect, u"refused"_s}};
            return CannedTransfer::Answer{page, {}};
        };
        const QString list = u"<b>One</b>: 0 hits\nTwo: no answer (refused)"_s;
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 answered, 1 failed"_s);
        QCOMPARE(report->accessibleDescription(), list);
        // As a tooltip is shown: read as rich text when it looks like some.
        const QString tip = report->toolTip();
        QCOMPARE(Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip, list);
        QCOMPARE(report->textFormat(), Qt::PlainText);
        QCOMPARE(report->focusPolicy(), Qt::NoFocus);

        page = u"<TR><TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>"_s;
        harness.boxes.answers = {MessageBoxes::Answer::Cancel};
        harness.search(u"x"_s);
        QCOMPARE(report->text(), u"2 sites: 1 cancelled, 1 failed"_s);
        const QStringList run{u"Asking <b>One</b>… / "_s, u"Asking Two… / <b>One</b>: "_s};
        QCOMPARE(seen, QStringList({run[0], run[1] + u"0 hits"_s, run[0], run[1] + u"cancelled"_s}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
