#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

// These run the application's own event loop, as the program does, so that what ends the program ends exec().
class TestProgramExit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsDuringAWaitWithStatusZero_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Exit button") << false;
        QTest::newRow("close box") << true;
    }

    // While a run waits, timers keep firing, Search is refused and Options opens; Exit or the close box then ends
    // the run and the program.
    void endsDuringAWaitWithStatusZero()
    {
        QFETCH(bool, byCloseBox);
        LoopbackSite silent;
        silent.hold();
        // The window goes first, so no connection of its transfer keeps the site waiting at its end.
        MainWindowHarness harness;
        harness.settings.setSite(1, u"Silent"_s, silent.address());
        harness.settings.setSite(2, u"Next"_s, silent.address());
        harness.window.show();
        bool optionsOpened = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (silent.requestCount() == 0)
                return;
            timer.stop();
            harness.search(u"refused"_s);
            optionsOpened = whileModal([&] { harness.button("cmdOptions")->click(); }, [](QWidget*) {});
            byCloseBox ? void(harness.window.close()) : harness.button("cmdExit")->click();
        });
        timer.start(5);
        QTimer::singleShot(0, &harness.window, [&] { harness.search(u"x"_s); });

        QCOMPARE(QCoreApplication::exec(), 0);
        // Neither the refused Search nor the next site asked again; both records lead to the same site.
        QCOMPARE(silent.requestCount(), size_t(1));
        QVERIFY(optionsOpened && !harness.realTransfer.isRunning() && harness.boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestProgramExit)
#include "tst_program_exit.moc"
