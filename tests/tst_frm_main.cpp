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
    void write(const QString&, const QList<SettingsEntry>&) override {}
};

// Runs `action` from inside the run's wait, once the site has received its first request.
void onceRequested(QTimer& timer, const LoopbackSite& site, std::function<void()> action)
{
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer, &site, action] {
        if (site.requestCount() > 0) {
            timer.stop();
            action();
        }
    });
    timer.start(5);
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        m_harness = std::make_unique<MainWindowHarness>();
        m_site = std::make_unique<LoopbackSite>();
        m_site->answerWith("page");
        m_harness->settings.setSite(1, u"One"_s, m_site->address());
    }
    void cleanup() { m_harness.reset(); }

    void placesEveryControlWithItsCaptionWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("heading") << u"lblHeading"_s << QRect(8, 8, 257, 41);
        QTest::newRow("keyword label") << u"lblQuery"_s << QRect(8, 56, 49, 17);
        QTest::newRow("keyword box") << u"txtQuery"_s << QRect(64, 56, 129, 19);
        QTest::newRow("results pane") << u"rtbResults"_s << QRect(8, 80, 465, 217);
        QTest::newRow("options") << u"cmdOptions"_s << QRect(192, 312, 89, 25);
        QTest::newRow("search") << u"cmdSearch"_s << QRect(288, 312, 89, 25);
        QTest::newRow("exit") << u"cmdExit"_s << QRect(384, 312, 89, 25);
    }

    void placesEveryControlWithItsCaptionWhole()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QCOMPARE(m_harness->window.size(), QSize(480, 346));
        auto* widget = m_harness->window.findChild<QWidget*>(name);
        QCOMPARE(widget->geometry(), geometry);
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            const QRect needed = metrics.boundingRect(QRect({}, geometry.size()), Qt::TextWordWrap, label->text());
            QVERIFY(needed.width() <= geometry.width() && needed.height() <= geometry.height());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // Room for the button's frame on both sides.
            QVERIFY(metrics.horizontalAdvance(button->text()) + 12 <= geometry.width());
            QVERIFY(metrics.height() + 6 <= geometry.height());
        }
    }

    void keysMoveFocusInOrderAndEnterSearchesOnce()
    {
        m_harness->window.show();
        QApplication::setActiveWindow(&m_harness->window);
        QVERIFY(QTest::qWaitForWindowActive(&m_harness->window));
        QCOMPARE(QApplication::focusWidget(), m_harness->keywordBox());
        for (const QString& next : {u"cmdSearch"_s, u"rtbResults"_s, u"cmdExit"_s, u"cmdOptions"_s, u"txtQuery"_s}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        QTest::keyClicks(m_harness->keywordBox(), u"blue"_s);
        QTest::keyClick(m_harness->keywordBox(), Qt::Key_Return);
        QCOMPARE(m_site->requestCount(), size_t(1));
        QCOMPARE(m_site->requests().at(0).body, "album=blue&Sort=ID");
    }

    void emptyKeywordBoxSendsNothing()
    {
        auto* pane = m_harness->window.findChild<ResultsPane*>(u"rtbResults"_s);
        pane->setText(u"<b>earlier</b>\r\n"_s);
        m_harness->search(QString());
        QCOMPARE(m_site->requestCount(), size_t(0));
        QCOMPARE(m_harness->pane(), u"<b>earlier</b>\r\n"_s);
        // Page text is shown as text, never as markup.
        QCOMPARE(pane->toPlainText(), u"<b>earlier</b>\n"_s);
    }

    void refusesASecondSearchDuringARun()
    {
        m_site->hold();
        QTimer timer;
        onceRequested(timer, *m_site, [&] {
            m_harness->search(u"second"_s);
            m_site->release();
        });
        m_harness->search(u"first"_s);
        QCOMPARE(m_site->requestCount(), size_t(1));
        // Once the run is over, Search works again.
        m_harness->search(u"third"_s);
        QCOMPARE(m_site->requests().back().body, "album=third&Sort=ID");
    }

    void staysAliveWhileASiteIsSilentAndExitEndsTheRun()
    {
        m_site->hold();
        LoopbackSite second;
        m_harness->settings.setSite(2, u"Second"_s, second.address());
        m_harness->window.show();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
            if (m_site->requestCount() > 0 && ++ticks == 3)
                QTest::mouseClick(m_harness->button("cmdExit"), Qt::LeftButton);
        });
        ticker.start(5);

        m_harness->search(u"x"_s);

        QCOMPARE(ticks, 3);
        QVERIFY(!m_harness->window.isVisible());
        QVERIFY(!m_harness->transfer.StillExecuting());
        QCOMPARE(second.requestCount(), size_t(0));
        QVERIFY(m_harness->boxes.shown.isEmpty());
    }

    void optionsStoredDuringAWaitReachTheNextSite()
    {
        m_site->hold();
        LoopbackSite oldSecond;
        LoopbackSite newSecond;
        newSecond.answerWith("new");
        m_harness->settings.setSite(2, u"Second"_s, oldSecond.address());
        QTimer timer;
        onceRequested(timer, *m_site, [&] {
            QTimer::singleShot(0, &m_harness->window, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                dialog->findChild<QLineEdit*>(u"txtAddr2"_s)->setText(newSecond.address());
                dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
                dialog->findChild<QPushButton*>(u"cmdCancel"_s)->click();
            });
            QTest::mouseClick(m_harness->button("cmdOptions"), Qt::LeftButton);
            m_site->release();
        });

        m_harness->search(u"x"_s);

        QCOMPARE(oldSecond.requestCount(), size_t(0));
        QCOMPARE(m_harness->window.page(), u"new"_s);
    }

    void showsAnUnexpectedFailureAndAsksToEnd()
    {
        FailingBacking failing;
        SiteStore store(failing);
        FakeMessageBoxes boxes;
        frmMain window(store, m_harness->transfer, m_harness->events, boxes);
        QSignalSpy ending(&window, &frmMain::unexpectedFailure);
        window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(u"x"_s);
        auto* search = window.findChild<QPushButton*>(u"cmdSearch"_s);

        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(ending.size(), 1);
        QVERIFY(boxes.okBoxes().at(0).text.contains(u"settings unreadable"_s));
        // Nothing more runs once the program is ending.
        QTest::mouseClick(search, Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 1);
    }

private:
    std::unique_ptr<MainWindowHarness> m_harness;
    std::unique_ptr<LoopbackSite> m_site;
};

QTEST_MAIN(TestFrmMain)
#include "tst_frm_main.moc"
