#include <csignal>

#include <sys/resource.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "frm_options.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList fields{u"Name"_s, u"Addr"_s, u"Path"_s, u"User"_s, u"Pass"_s};

// All 25 values of the boxes or keys, site by site as "Name|Addr|Path|User|Pass|Name|...": the first sites' values
// followed by empty ones.
QString sites(const QString& first)
{
    return first + QString(24 - first.count(u'|'), u'|');
}

const QString defaults = sites(u"Quillfen|localhost:8765|/mp3/||"_s);

// The 25 values value(site, field) gives, joined the same way.
QString each(const auto& value)
{
    QStringList values;
    for (int cell = 0; cell < 25; ++cell)
        values += value(QString::number(cell / 5 + 1), cell % 5);
    return values.join(u'|');
}

// The dialog over a settings file of its own, holding `stored` unless that is empty.
struct Harness
{
    explicit Harness(const QString& stored = {})
    {
        for (int cell = 0; cell < 25 && !stored.isEmpty(); ++cell)
            settings.store.write({{cell / 5 + 1, SiteStore::Key(cell % 5), stored.section(u'|', cell, cell)}});
    }
    QLineEdit* box(const QString& name) const { return dialog.findChild<QLineEdit*>(name); }
    void click(const QString& name) const { dialog.findChild<QPushButton*>(name)->click(); }
    QString shown() const
    {
        return each([&](const QString& site, int field) { return box(u"txt"_s + fields.at(field) + site)->text(); });
    }
    // The file as a fresh reader finds it, "?" for a missing key; QSettings answers from a cache for a name it has
    // seen, so the file is read under a new one.
    QString stored() const
    {
        static int copies = 0;
        const QString copy = settings.folder() + u"/%1.ini"_s.arg(++copies);
        QFile::copy(settings.fileName(), copy);
        const QSettings file(copy, QSettings::IniFormat);
        return each([&](const QString& site, int field) {
            return file.value(u"Site"_s + site + u'/' + fields.at(field), u"?"_s).toString();
        });
    }
    // Runs `interact` while showModal() is up, then closes the dialog even when a check in `interact` failed.
    void showWhile(const auto& interact)
    {
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            ran = true;
            interact();
            dialog.close();
        });
        dialog.showModal();
        QVERIFY2(ran, "showModal() returned without running its event loop");
    }

    TemporarySettings settings;
    FakeMessageBoxes boxes;
    frmOptions dialog{settings.store, boxes};
};

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showingsLoadWhatTheLastOkStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QString>("shownNext");

        const QString unnamed = sites(u"|old.example|/old/|ou|op"_s), spaced = sites(u" |sp.example|/sp/|su|sp"_s);
        const QString okStored = sites(u"Quillfen|localhost:8765|/mp3/||p w!|Two"_s);
        QTest::newRow("first start, Cancel")
            << QString() << QStringList() << QStringList(25, u"?"_s).join(u'|') << defaults;
        QTest::newRow("first start, OK") << QString() << QStringList{u"cmdOK"_s} << defaults << defaults;
        QTest::newRow("unnamed site 1") << unnamed << QStringList() << unnamed << defaults;
        QTest::newRow("site 1 named one space") << spaced << QStringList() << spaced << spaced;
        QTest::newRow("name cleared, OK")
            << sites(u"Home|home.example:81|/music/|me|secret"_s) << QStringList{u"txtName1="_s, u"cmdOK"_s}
            << sites(u"|home.example:81|/music/|me|secret"_s) << defaults;
        QTest::newRow("OK then Cancel") << QString() << QStringList{u"txtName2=Two"_s, u"txtPass1=p w!"_s, u"cmdOK"_s}
                                        << okStored << okStored;
    }

    void showingsLoadWhatTheLastOkStored()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, steps);
        QFETCH(QString, storedAfter);
        QFETCH(QString, shownNext);

        Harness h(stored);
        h.showWhile([&] {
            // A step fills a box ("box=text") or clicks a button.
            for (const QString& step : steps)
                step.contains(u'=') ? h.box(step.section(u'=', 0, 0))->setText(step.section(u'=', 1)) : h.click(step);
            // Edits after the last OK are Cancel's to discard, even with Enter or Escape pressed in them.
            for (const QString& name : {u"txtName2"_s, u"txtPass1"_s}) {
                QTest::keyClicks(h.box(name), u"abandoned"_s);
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                    QTest::keyClick(h.box(name), key);
                QVERIFY(h.dialog.isVisible());
            }
            h.click(u"cmdCancel"_s);
            QVERIFY(!h.dialog.isVisible());
        });
        QCOMPARE(h.stored(), storedAfter);
        QVERIFY(h.boxes.shown.isEmpty());
        h.showWhile([&] { QCOMPARE(h.shown(), shownNext); });
    }

    void tabVisitsEveryStopOnceFromFirstName()
    {
        Harness h;
        // Twice, as every showing starts in the first name wherever the last one left the focus.
        for (int showing = 0; showing < 2; ++showing) {
            h.showWhile([&] {
                QVERIFY(QTest::qWaitForWindowActive(&h.dialog));
                QStringList visited{QApplication::focusWidget()->objectName()};
                for (int stop = 0; stop < 28; ++stop) {
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    visited += QApplication::focusWidget()->objectName();
                }
                QCOMPARE(
                    visited,
                    u"txtName1 txtName2 txtName3 txtName4 txtName5 txtAddr1 txtAddr2 txtAddr3 txtAddr4 txtAddr5 "
                    u"txtPath1 txtPath2 txtPath3 txtPath4 txtPath5 cmdOK cmdCancel txtUser1 txtUser2 txtUser3 "
                    u"txtUser4 txtUser5 txtPass1 txtPass2 txtPass3 txtPass4 txtPass5 txtName1 txtName2"_s.split(u' '));
            });
        }
    }

    void passwordBoxesShowAStarPerCharacter()
    {
        Harness h;
        h.showWhile([&] {
            for (int site = 1; site <= 5; ++site) {
                QLineEdit* box = h.box(u"txtPass%1"_s.arg(site));
                QTest::keyClicks(box, u"p w!"_s);
                QCOMPARE(box->displayText(), u"****"_s);
                QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
            }
            h.click(u"cmdOK"_s);
            QCOMPARE(h.stored(), sites(u"Quillfen|localhost:8765|/mp3/||p w!|||||p w!|||||p w!|||||p w!|||||p w!"_s));
        });
    }

    void captionsFitTheirControls()
    {
        Harness h;
        h.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.dialog));
        QCOMPARE(h.dialog.size(), QSize(494, 315));
        for (const QString& pair :
             {u"lblSiteName=Site Name"_s, u"lblAddr=Site Address"_s, u"lblPath=Path to MP3 Server"_s,
              u"lblUserName=UserName"_s, u"lblPassword=Password"_s, u"cmdOK=OK"_s, u"cmdCancel=Cancel"_s}) {
            const auto* control = h.dialog.findChild<QWidget*>(pair.section(u'=', 0, 0));
            const QSize needed = control->fontMetrics().size(0, pair.section(u'=', 1));
            QCOMPARE(control->property("text").toString(), pair.section(u'=', 1));
            QVERIFY2(control->contentsRect().contains(QRect(QPoint(), needed)), qPrintable(pair));
        }
    }

    void failedStoreKeepsEditsAndOldValues()
    {
        const QString oldValues = each([](auto site, int field) { return u"old txt"_s + fields[field] + site; });
        const QString newValues = each([](auto site, int field) { return u"new txt"_s + fields[field] + site; });
        Harness h(oldValues);
        // A file size limit of 0 fails every write as a full disk would; SIGXFSZ would end the process instead.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit full{0, saved.rlim_max};
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        h.showWhile([&] {
            for (QLineEdit* box : h.dialog.findChildren<QLineEdit*>())
                box->setText(u"new "_s + box->objectName());
            // Nothing is checked while writes fail, as the test log could not be written either.
            if (setrlimit(RLIMIT_FSIZE, &full) == 0)
                h.click(u"cmdOK"_s);
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, handler);

            QVERIFY2(h.boxes.shown.value(0).text.contains(h.settings.fileName()), "no message naming the file");
            QVERIFY(h.dialog.isVisible());
            QCOMPARE(h.shown(), newValues);
            QCOMPARE(
                each([&](auto site, int field) { return h.settings.store.read(site.toInt(), SiteStore::Key(field)); }),
                oldValues);
            QCOMPARE(h.stored(), oldValues);
            h.click(u"cmdOK"_s);
            QCOMPARE(h.boxes.shown.size(), 1);
            QCOMPARE(h.stored(), newValues);
        });
    }
};

QTEST_MAIN(TestFrmOptions)

#include "tst_frm_options.moc"
