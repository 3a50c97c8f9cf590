#include <memory>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "loopback_site.h"
#include "results_pane.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

// A store that fails at every read, to reach the handling of failures that the program does not expect.
class FailingBacking final : public SettingsBacking
{
public:
    QString read(const QString&, const QString&, const QString&) const override
    {
        throw std::runtime_error("settings unreadable");
    }
    void write(const QString&, const QList<SettingsEntry>&) override
    {
        throw std::runtime_error("settings unwritable");
    }
};

// Runs `action` once the site has received `count` requests, from inside the run's wait.
void whenRequested(QTimer& timer, const LoopbackSite& site, size_t count, std::function<void()> action)
{
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, &site, count, action] {
        if (site.requestCount() < count)
            return;
        timer.stop();
        action();
    });
    timer.start(5);
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { m_harness = std::make_unique<MainWindowHarness>(); }
    void cleanup() { m_harness.reset(); }

    void placesEveryControlWithItsCaptionWhole_data();
    void placesEveryControlWithItsCaptionWhole();
    void movesFocusInTheLaidOutOrder();
    void enterPressesSearchOnce_data();
    void enterPressesSearchOnce();
    void paneGivesBackExactlyWhatWasWritten_data();
    void paneGivesBackExactlyWhatWasWritten();
    void emptyKeywordBoxSendsNothing();
    void refusesASecondSearchDuringARun();
    void staysAliveWhileASiteIsSilentAndExitEndsTheRun();
    void optionsStoredDuringAWaitReachTheNextSite();
    void showsAnUnexpectedFailureAndAsksToEnd();

private:
    std::unique_ptr<MainWindowHarness> m_harness;
};

void TestFrmMain::placesEveryControlWithItsCaptionWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    QTest::newRow("heading") << u"lblHeading"_s << QRect(8, 8, 257, 41)
                             << u"Please enter Artist, Track, and/or Album separated by a space. Partial names are ok "
                                "but, do not use any wildcard characters."_s;
    QTest::newRow("keyword label") << u"lblQuery"_s << QRect(8, 56, 49, 17) << u"Keywords"_s;
    QTest::newRow("keyword box") << u"txtQuery"_s << QRect(64, 56, 129, 19) << QString();
    QTest::newRow("results pane") << u"rtbResults"_s << QRect(8, 80, 465, 217) << QString();
    QTest::newRow("options") << u"cmdOptions"_s << QRect(192, 312, 89, 25) << u"Options"_s;
    QTest::newRow("search") << u"cmdSearch"_s << QRect(288, 312, 89, 25) << u"Search"_s;
    QTest::newRow("exit") << u"cmdExit"_s << QRect(384, 312, 89, 25) << u"Exit"_s;
}

void TestFrmMain::placesEveryControlWithItsCaptionWhole()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);

    QCOMPARE(m_harness->window.size(), QSize(480, 346));
    QCOMPARE(m_harness->window.windowTitle(), u"Quillfen's MP3 Server Client"_s);
    auto* widget = m_harness->window.findChild<QWidget*>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    if (caption.isEmpty())
        return;

    const QFontMetrics metrics(widget->font());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
        const QRect needed = metrics.boundingRect(QRect(QPoint(), geometry.size()), Qt::TextWordWrap, caption);
        QVERIFY2(needed.width() <= geometry.width() && needed.height() <= geometry.height(),
                 qPrintable(u"needs %1x%2"_s.arg(needed.width()).arg(needed.height())));
    } else {
        auto* button = qobject_cast<QPushButton*>(widget);
        QCOMPARE(button->text(), caption);
        // Room for the button's frame on both sides.
        QVERIFY(metrics.horizontalAdvance(caption) + 12 <= geometry.width());
        QVERIFY(metrics.height() + 6 <= geometry.height());
    }
}

void TestFrmMain::movesFocusInTheLaidOutOrder()
{
    m_harness->window.show();
    QApplication::setActiveWindow(&m_harness->window);
    QVERIFY(QTest::qWaitForWindowActive(&m_harness->window));
    QCOMPARE(QApplication::focusWidget(), m_harness->keywordBox());

    const QStringList order{u"cmdSearch"_s, u"rtbResults"_s, u"cmdExit"_s, u"cmdOptions"_s, u"txtQuery"_s};
    for (const QString& next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
}

void TestFrmMain::enterPressesSearchOnce_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("return") << Qt::Key_Return;
    QTest::newRow("enter on the keypad") << Qt::Key_Enter;
}

void TestFrmMain::enterPressesSearchOnce()
{
    QFETCH(Qt::Key, key);
    LoopbackSite site;
    site.answerWith("no hits");
    m_harness->settings.setSite(1, u"One"_s, site.address());
    m_harness->window.show();
    QApplication::setActiveWindow(&m_harness->window);
    QVERIFY(QTest::qWaitForWindowActive(&m_harness->window));

    QTest::keyClicks(m_harness->keywordBox(), u"blue"_s);
    QTest::keyClick(m_harness->keywordBox(), key);

    QCOMPARE(site.requestCount(), size_t(1));
    QCOMPARE(site.requests().at(0).body, "album=blue&Sort=ID");
}

void TestFrmMain::paneGivesBackExactlyWhatWasWritten_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("lines ended by CR LF") << u"ID\tTrack\tArtist\tAlbum\r\n101\tA\tB\tC\r\n"_s;
    QTest::newRow("non-breaking spaces") << u"a\u00A0b\u00A0\r\n"_s;
    QTest::newRow("a lone CR and LF") << u"a\rb\nc"_s;
    QTest::newRow("markup stays text") << u"<b>bold</b> &amp; <img src=x>"_s;
}

void TestFrmMain::paneGivesBackExactlyWhatWasWritten()
{
    QFETCH(QString, text);
    auto* pane = m_harness->window.findChild<ResultsPane*>(u"rtbResults"_s);
    pane->setText(text);
    QCOMPARE(pane->text(), text);
    if (text.contains(u'<'))
        QCOMPARE(pane->toPlainText(), text);
}

void TestFrmMain::emptyKeywordBoxSendsNothing()
{
    LoopbackSite site;
    site.answerWith("page");
    m_harness->settings.setSite(1, u"One"_s, site.address());
    m_harness->window.findChild<ResultsPane*>(u"rtbResults"_s)->setText(u"earlier list\r\n"_s);

    m_harness->search(QString());

    QCOMPARE(site.requestCount(), size_t(0));
    QCOMPARE(m_harness->pane(), u"earlier list\r\n"_s);
    QVERIFY(m_harness->boxes.shown.isEmpty());
    QCOMPARE(m_harness->window.site(), qint16(0));
}

void TestFrmMain::refusesASecondSearchDuringARun()
{
    LoopbackSite site;
    site.answerWith("page");
    site.hold();
    m_harness->settings.setSite(1, u"One"_s, site.address());

    QTimer timer;
    whenRequested(timer, site, 1, [&] {
        m_harness->search(u"second"_s);
        site.release();
    });
    m_harness->search(u"first"_s);

    QCOMPARE(site.requestCount(), size_t(1));
    QCOMPARE(site.requests().at(0).body, "album=first&Sort=ID");
    QCOMPARE(m_harness->window.page(), u"page"_s);

    // Once the run is over, Search works again.
    m_harness->search(u"third"_s);
    QCOMPARE(site.requestCount(), size_t(2));
}

void TestFrmMain::staysAliveWhileASiteIsSilentAndExitEndsTheRun()
{
    LoopbackSite silent;
    silent.hold();
    LoopbackSite second;
    second.answerWith("<TR><TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>");
    m_harness->settings.setSite(1, u"Silent"_s, silent.address());
    m_harness->settings.setSite(2, u"Second"_s, second.address());
    m_harness->window.show();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        if (silent.requestCount() == 0 || ++ticks < 3)
            return;
        ticker.stop();
        QTest::mouseClick(m_harness->button("cmdExit"), Qt::LeftButton);
    });
    ticker.start(5);

    m_harness->search(u"x"_s);

    QCOMPARE(ticks, 3);
    QVERIFY(!m_harness->window.isVisible());
    QVERIFY(!m_harness->transfer.StillExecuting());
    QCOMPARE(second.requestCount(), size_t(0));
    QVERIFY(m_harness->boxes.shown.isEmpty());
    QCOMPARE(m_harness->pane(), u"Searching......"_s);
    // While waiting the run slept in the event dispatcher instead of polling.
    QVERIFY(m_harness->events.waits < 1000);
}

void TestFrmMain::optionsStoredDuringAWaitReachTheNextSite()
{
    LoopbackSite slow;
    slow.answerWith("slow page");
    slow.hold();
    LoopbackSite oldSecond;
    LoopbackSite newSecond;
    oldSecond.answerWith("old");
    newSecond.answerWith("new");
    m_harness->settings.setSite(1, u"Slow"_s, slow.address());
    m_harness->settings.setSite(2, u"Second"_s, oldSecond.address());

    QTimer timer;
    whenRequested(timer, slow, 1, [&] {
        QTimer::singleShot(0, &m_harness->window, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), u"frmOptions"_s);
            dialog->findChild<QLineEdit*>(u"txtAddr2"_s)->setText(newSecond.address());
            dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
            dialog->findChild<QPushButton*>(u"cmdCancel"_s)->click();
        });
        QTest::mouseClick(m_harness->button("cmdOptions"), Qt::LeftButton);
        slow.release();
    });
    m_harness->search(u"x"_s);

    QCOMPARE(oldSecond.requestCount(), size_t(0));
    QCOMPARE(newSecond.requestCount(), size_t(1));
    QCOMPARE(m_harness->window.page(), u"new"_s);
}

void TestFrmMain::showsAnUnexpectedFailureAndAsksToEnd()
{
    FailingBacking failing;
    SiteStore store(failing);
    FakeMessageBoxes boxes;
    frmMain window(store, m_harness->transfer, m_harness->events, boxes);
    QSignalSpy ending(&window, &frmMain::unexpectedFailure);

    window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(u"x"_s);
    QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSearch"_s), Qt::LeftButton);

    QCOMPARE(ending.size(), 1);
    QCOMPARE(boxes.okBoxes().size(), 1);
    QVERIFY(boxes.okBoxes().at(0).text.contains(u"settings unreadable"_s));
    // Nothing more runs once the program is ending.
    QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSearch"_s), Qt::LeftButton);
    QCOMPARE(boxes.shown.size(), 1);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frm_main.moc"
