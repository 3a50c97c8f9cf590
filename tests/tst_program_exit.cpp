#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

// These run the application's own event loop, as the program does, so that what ends the program ends exec().
class TestProgramExit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsDuringAWaitWithStatusZero_data();
    void endsDuringAWaitWithStatusZero();
};

void TestProgramExit::endsDuringAWaitWithStatusZero_data()
{
    QTest::addColumn<bool>("byCloseBox");
    QTest::newRow("Exit button") << false;
    QTest::newRow("close box") << true;
}

void TestProgramExit::endsDuringAWaitWithStatusZero()
{
    QFETCH(bool, byCloseBox);

    MainWindowHarness harness;
    LoopbackSite silent;
    silent.hold();
    LoopbackSite second;
    second.answerWith("never asked");
    harness.settings.setSite(1, u"Silent"_s, silent.address());
    harness.settings.setSite(2, u"Second"_s, second.address());
    harness.window.show();

    QTimer::singleShot(0, &harness.window, [&] { harness.search(u"x"_s); });
    QTimer ender;
    QObject::connect(&ender, &QTimer::timeout, &ender, [&] {
        if (silent.requestCount() == 0)
            return;
        ender.stop();
        if (byCloseBox)
            harness.window.close();
        else
            QTest::mouseClick(harness.button("cmdExit"), Qt::LeftButton);
    });
    ender.start(5);

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!harness.transfer.StillExecuting());
    QCOMPARE(second.requestCount(), size_t(0));
    QVERIFY(harness.boxes.shown.isEmpty());
}

QTEST_MAIN(TestProgramExit)
#include "tst_program_exit.moc"
