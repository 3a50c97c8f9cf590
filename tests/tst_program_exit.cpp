#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "loopback_site.h"
#include "window_harness.h"

using End = std::function<void(MainWindowHarness&)>;

// These run the application's own event loop, as the program does, so that what ends the program ends exec().
class TestProgramExit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsDuringAWaitWithStatusZero_data()
    {
        QTest::addColumn<End>("end");
        QTest::newRow("Exit button") << End([](MainWindowHarness& h) { h.button("cmdExit")->click(); });
        QTest::newRow("close box") << End([](MainWindowHarness& h) { h.window.close(); });
    }

    void endsDuringAWaitWithStatusZero()
    {
        QFETCH(End, end);
        LoopbackSite silent;
        silent.hold();
        // The window goes first, so no connection of its transfer keeps the site waiting at its end.
        MainWindowHarness harness;
        harness.settings.setSite(1, QStringLiteral("Silent"), silent.address());
        harness.settings.setSite(2, QStringLiteral("Next"), silent.address());
        harness.window.show();
        // The second timer fires inside the wait for site 1 that the first one's search begins.
        QTimer::singleShot(0, &harness.window, [&] { harness.search(QStringLiteral("x")); });
        QTimer::singleShot(0, &harness.window, [&] { end(harness); });

        QCOMPARE(QCoreApplication::exec(), 0);
        // The next site was never asked; both records lead to the same site.
        QVERIFY(silent.requestCount() <= 1);
        QVERIFY(!harness.realTransfer.isRunning());
        QVERIFY(harness.boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestProgramExit)
#include "tst_program_exit.moc"
