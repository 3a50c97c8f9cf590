#include <QSignalSpy>

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
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
