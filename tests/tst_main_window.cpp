#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "canned_transfer.h"
#include "loopback_site.h"
#include "results_pane.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        m_harness = std::make_unique<MainWindowHarness>();
        m_site = std::make_unique<LoopbackSite>();
        m_harness->settings.setSite(1, u"One"_s, m_site->address());
    }

    void keysMoveFocusInOrderAndReturnSearchesOnce()
    {
        auto* pane = m_harness->window.findChild<ResultsPane*>(u"rtbResults"_s);
        pane->setText(u"<b>earlier</b>\r\n"_s);
        m_harness->window.show();
        QApplication::setActiveWindow(&m_harness->window);
        QVERIFY(QTest::qWaitForWindowActive(&m_harness->window));
        QStringList order;
        for (int i = 0; i < 6; ++i, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
            order << QApplication::focusWidget()->objectName();
        QCOMPARE(order, u"txtQuery cmdSearch rtbResults cmdExit cmdOptions txtQuery"_s.split(u' '));
        // An empty keyword box sends nothing and leaves the pane, which shows its text as it is, markup included.
        QTest::keyClick(m_harness->keywordBox(), Qt::Key_Return);
        QCOMPARE(m_harness->pane(), u"<b>earlier</b>\r\n"_s);
        QCOMPARE(pane->toPlainText(), u"<b>earlier</b>\n"_s);
        QTest::keyClicks(m_harness->keywordBox(), u"blue"_s);
        QTest::keyClick(m_harness->keywordBox(), Qt::Key_Return);
        QCOMPARE(m_site->requestCount(), size_t(1));
        QCOMPARE(m_site->requests().at(0).body, "album=blue&Sort=ID");
    }

    // Search is refused and Options is taken while a run waits; after the run Search works, and Exit ends the next.
    void answersTheButtonsDuringAWait()
    {
        LoopbackSite newSecond;
        // Site 2 starts where nothing listens; Options moves it to a live site during the first wait.
        m_harness->settings.setSite(2, u"Second"_s, LoopbackSite().address());
        m_harness->window.show();
        duringTheWait([&] {
            m_harness->search(u"refused"_s);
            QTimer::singleShot(0, &m_harness->window, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                dialog->findChild<QLineEdit*>(u"txtAddr2"_s)->setText(newSecond.address());
                dialog->findChild<QPushButton*>(u"cmdOK"_s)->click();
                dialog->findChild<QPushButton*>(u"cmdCancel"_s)->click();
            });
            QTest::mouseClick(m_harness->button("cmdOptions"), Qt::LeftButton);
            m_site->release();
        });

        duringTheWait([&] { QTest::mouseClick(m_harness->button("cmdExit"), Qt::LeftButton); });
        // Both runs asked site 1, only the first went on to site 2, and the refused Search asked nothing.
        QCOMPARE(m_site->requestCount(), size_t(2));
        QCOMPARE(newSecond.requestCount(), size_t(1));
        QVERIFY(!m_harness->window.isVisible());
        QVERIFY(!m_harness->realTransfer.isRunning());
        QVERIFY(m_harness->boxes.shown.isEmpty());
    }

    void showsAnUnexpectedFailureAndAsksToEnd()
    {
        // A store that fails at every read: a failure the program does not expect.
        struct : SettingsBacking
        {
            using Text = const QString&;
            QString read(Text, Text, Text) const override { throw std::runtime_error("settings unreadable"); }
            void write(Text, const QList<SettingsEntry>&) override {}
        } failing;
        SiteStore store(failing);
        MainWindow window(store, m_harness->realTransfer, m_harness->events, m_harness->boxes);
        QSignalSpy ending(&window, &MainWindow::unexpectedFailure);
        window.findChild<QLineEdit*>(u"txtQuery"_s)->setText(u"x"_s);
        // Nothing more runs once the program is ending.
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(window.findChild<QPushButton*>(u"cmdSearch"_s), Qt::LeftButton);
        QCOMPARE(ending.size(), 1);
        QCOMPARE(m_harness->boxes.shown.size(), 1);
        QVERIFY(m_harness->boxes.okBoxes().at(0).text.contains(u"settings unreadable"_s));
    }

    // Once the window is closed, nothing the run was waiting on goes on: no prompt, no further request.
    void closingEndsTheRunWherever_data()
    {
        QTest::addColumn<bool>("duringAPrompt");
        QTest::newRow("while a prompt is up, then Yes") << true;
        QTest::newRow("between two pieces of a page") << false;
    }

    void closingEndsTheRunWherever()
    {
        QFETCH(bool, duringAPrompt);
        CannedTransfer canned;
        const QString row = u"<TR><TD>ID=1\"><TD>000000>a<BR><TD>000000>b<BR><TD>000000>c<BR>"_s;
        canned.answer = [&](const auto&) {
            return CannedTransfer::Answer{u"<TR>"_s + row + u"<TR><TR>"_s + row + QString(2000, u' '), {}};
        };
        MainWindowHarness harness(&canned);
        harness.settings.setSite(1, u"One"_s, u"one"_s);
        harness.settings.setSite(2, u"Two"_s, u"two"_s);
        harness.boxes.answers = {MessageBoxes::Answer::Yes};
        int pieces = 0;
        if (duringAPrompt)
            harness.boxes.whileShown = [&](const auto&) { harness.window.close(); };
        else
            canned.beforeChunk = [&] {
                if (++pieces == 2)
                    harness.window.close();
            };

        harness.search(u"x"_s);

        QCOMPARE(canned.requests.size(), 1);
        QCOMPARE(harness.boxes.promptTexts().size(), duringAPrompt ? 1 : 0);
        QVERIFY(harness.boxes.okBoxes().isEmpty());
    }

private:
    // Searches with site 1 silent; `action` runs inside the wait on the third timer tick after site 1 was asked,
    // so the wait is seen to keep timers firing.
    void duringTheWait(const std::function<void()>& action)
    {
        m_site->hold();
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            if (m_site->requestCount() > 0 && ++ticks == 3)
                action();
        });
        timer.start(5);
        m_harness->search(u"x"_s);
    }

    // The site outlives the window, whose transfer may still hold a connection to it.
    std::unique_ptr<LoopbackSite> m_site;
    std::unique_ptr<MainWindowHarness> m_harness;
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
