#include <csignal>

#include <sys/resource.h>

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "options_dialog.h"
#include "fake_message_boxes.h"
#include "temporary_settings.h"

using namespace Qt::StringLiterals;

// The dialog over a settings file of its own, holding `stored` unless that is empty. Values are written site by site
// as "Name|Addr|Path|User|Pass|Name|...", less the empty ones at the end.
struct Harness
{
    explicit Harness(const QString& stored = {})
    {
        for (int cell = 0; cell < 25 && !stored.isEmpty(); ++cell)
            settings.store.write({{cell / 5 + 1, SiteStore::Key(cell % 5), stored.section(u'|', cell, cell)}});
    }
    QLineEdit* box(const QString& name) const { return dialog.findChild<QLineEdit*>(name); }
    // The boxes' values or, inFile, a fresh reader's, "?" for a missing key. QSettings answers from a cache for a
    // name it has seen, so the file is read under a new one.
    QString values(bool inFile = false) const
    {
        static int copies = 0;
        const QString copy = settings.folder() + u"/%1.ini"_s.arg(++copies);
        QFile::copy(settings.fileName(), copy);
        const QSettings file(copy, QSettings::IniFormat);
        QStringList values;
        for (int cell = 0; cell < 25; ++cell) {
            const QString key = u"Site%1/%2"_s.arg(cell / 5 + 1).arg(u"NameAddrPathUserPass"_s.mid(cell % 5 * 4, 4));
            values += inFile ? file.value(key, u"?"_s).toString() : box(u"txt"_s + key.mid(6) + key[4])->text();
        }
        return values.join(u'|').remove(QRegularExpression(u"\\|+$"_s));
    }
    // A step types a box's new text ("box=text"), clicks a button, or clicks OK while every write fails ("full disk").
    void run(const QString& step)
    {
        if (QLineEdit* edited = box(step.section(u'=', 0, 0)); step.contains(u'=')) {
            edited->clear();
            return QTest::keyClicks(edited, step.section(u'=', 1));
        }
        if (step != u"full disk")
            return dialog.findChild<QPushButton*>(step)->click();
        // A file size limit of 0 fails writes as a full disk would; SIGXFSZ would end the process instead.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        // Nothing is checked while writes fail, as the test log could not be written either.
        if (const rlimit full{0, saved.rlim_max}; setrlimit(RLIMIT_FSIZE, &full) == 0)
            dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY2(boxes.shown.value(0).text.contains(settings.fileName()), "no message naming the file");
    }
    // Runs `interact` while showModal() is up, then closes the dialog even when a check failed. Every showing is
    // laid out alike and starts in the first name, wherever the last one left the focus.
    void showWhile(const auto& interact)
    {
        bool ran = false;
        QTimer::singleShot(0, &dialog, [&] {
            const auto closing = qScopeGuard([&] { dialog.close(); });
            ran = true;
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(dialog.size(), QSize(494, 315));
            for (const QWidget* c : dialog.findChildren<QWidget*>(QRegularExpression(u"^(lbl|cmd)"_s)))
                QVERIFY(
                    c->contentsRect().contains(QRect({}, c->fontMetrics().size(0, c->property("text").toString()))));
            QStringList visited;
            for (int stop = 0; stop < 28; ++stop, QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab))
                visited += QApplication::focusWidget()->objectName().mid(3);
            QCOMPARE(visited.join(u' '),
                     u"Name1 Name2 Name3 Name4 Name5 Addr1 Addr2 Addr3 Addr4 Addr5 Path1 Path2 Path3 Path4 "
                     u"Path5 OK Cancel User1 User2 User3 User4 User5 Pass1 Pass2 Pass3 Pass4 Pass5 Name1"_s);
            interact();
        });
        dialog.showModal();
        QVERIFY2(ran, "showModal() returned without running its event loop");
    }

    TemporarySettings settings;
    FakeMessageBoxes boxes;
    OptionsDialog dialog{settings.store, boxes};
};

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showingsLoadWhatTheLastOkStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QString>("shownNext");
        const QString none = QStringList(25, u"?"_s).join(u'|'), defaults = u"Quillfen|localhost:8765|/mp3/"_s;
        const QString home = u"Home|h|/m/|me|pw"_s, spaced = u" |s|/s/|su|sp"_s, edited = u"N|h|/m/|me|pw||||u"_s;
        const QString typed = defaults + u"||p w!|Two"_s, edits = u"txtName1=N,txtUser2=u,full disk"_s;
        QTest::newRow("first start, Cancel") << QString() << QString() << none << defaults;
        QTest::newRow("first start, OK") << QString() << u"cmdOK"_s << defaults << defaults;
        QTest::newRow("site 1 named one space") << spaced << QString() << spaced << spaced;
        // The next showing finds site 1 unnamed but with values, and shows the defaults instead.
        QTest::newRow("name cleared, OK") << home << u"txtName1=,cmdOK"_s << u"|h|/m/|me|pw"_s << defaults;
        QTest::newRow("OK then Cancel") << QString() << u"txtName2=Two,txtPass1=p w!,cmdOK"_s << typed << typed;
        QTest::newRow("OK on a full disk, then Cancel") << home << edits << home << home;
        QTest::newRow("OK on a full disk, then OK") << home << edits + u",cmdOK"_s << edited << edited;
    }

    void showingsLoadWhatTheLastOkStored()
    {
        QFETCH(QString, stored);
        QFETCH(QString, steps);
        QFETCH(QString, storedAfter);
        QFETCH(QString, shownNext);
        Harness h(stored);
        h.showWhile([&] {
            for (const QString& step : steps.split(u',', Qt::SkipEmptyParts))
                h.run(step);
            // Edits after the last OK are Cancel's to discard, even with Enter or Escape pressed in them. A password
            // shows a "*" per character and takes no input method, which would show it as it is composed.
            for (QLineEdit* box : h.dialog.findChildren<QLineEdit*>()) {
                QTest::keyClicks(box, u"abandoned"_s);
                QTest::keySequence(box, QKeySequence(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));
                const bool secret = box->objectName().startsWith(u"txtPass"_s);
                QCOMPARE(box->displayText(), secret ? QString(box->text().size(), u'*') : box->text());
                QCOMPARE(box->testAttribute(Qt::WA_InputMethodEnabled), !secret);
            }
            QVERIFY(h.dialog.isVisible());
            h.dialog.findChild<QPushButton*>(u"cmdCancel"_s)->click();
            QVERIFY(!h.dialog.isVisible());
        });
        QCOMPARE(h.values(true), storedAfter);
        QCOMPARE(h.boxes.shown.size(), steps.count(u"full disk"_s));
        h.showWhile([&] { QCOMPARE(h.values(), shownNext); });
    }
};

QTEST_MAIN(TestOptionsDialog)

#include "tst_options_dialog.moc"
