#include <QDir>

#include "options_dialog.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

// Qt repeats the owner's bits as the current user's.
constexpr auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

// The 25 values site by site, as the boxes show them or, given a store, as it holds them.
static QStringList values(const QDialog& dialog, const SiteStore* store = nullptr)
{
    QStringList found;
    for (int cell = 0; cell < 25; ++cell) {
        const auto [site, key] = std::pair(cell / 5 + 1, SiteStore::Key(cell % 5));
        const QString box = u"txt"_s + SiteStore::keyName(key) + QString::number(site);
        found += store ? store->read(site, key) : dialog.findChild<QLineEdit*>(box)->text();
    }
    return found;
}

class TestOptionsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void okStoresEveryBoxAndClosingStoresNothing_data()
    {
        QTest::addColumn<QStringList>("site1");
        QTest::addColumn<QStringList>("row1");
        QTest::addColumn<bool>("byCloseBox");
        const QStringList defaults{u"Quillfen"_s, u"localhost:8765"_s, u"/mp3/"_s, {}, {}};
        const QStringList longer{u"Long"_s, QString(40000, u'a'), u"/l/"_s, u"lu"_s, QString(40000, u'p')};
        // Without a name the record counts as empty, user name and password included.
        QTest::newRow("site 1 unnamed, Cancel") << u"|h|/m/|me|pw"_s.split(u'|') << defaults << false;
        QTest::newRow("values over a box's default 32767 characters, close box") << longer << longer << true;
    }

    void okStoresEveryBoxAndClosingStoresNothing()
    {
        QFETCH(QStringList, site1);
        QFETCH(QStringList, row1);
        QFETCH(bool, byCloseBox);
        TemporarySettings settings;
        settings.setSite(1, site1[0], site1[1], site1[2], site1[3], site1[4]);
        settings.setSite(3, u"Three"_s, u"t"_s, u"/t/"_s, u"tu"_s, u"tp"_s);
        FakeMessageBoxes boxes;
        OptionsDialog dialog(settings.store, boxes);
        QStringList stored;
        const auto okThenClose = [&](QWidget*) {
            // Rows 2 to 5 show what is stored, never a default.
            const QStringList rest = QStringList(5, {}) + u"Three t /t/ tu tp"_s.split(u' ') + QStringList(10, {});
            QCOMPARE(values(dialog), row1 + rest);
            // A change in every box shows up any box that OK leaves out.
            for (QLineEdit* edited : dialog.findChildren<QLineEdit*>())
                QTest::keyClick(edited, '+');
            dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();
            QCOMPARE(stored = values(dialog, &settings.store), values(dialog));
            // Enter would store and Escape close, were either to press a button.
            for (QLineEdit* edited : dialog.findChildren<QLineEdit*>()) {
                QTest::keyClicks(edited, u"abandoned"_s);
                QTest::keySequence(edited, QKeySequence(Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape));
                const bool secret = edited->objectName().startsWith(u"txtPass"_s);
                QCOMPARE(edited->displayText(), secret ? QString(edited->text().size(), u'*') : edited->text());
            }
            QVERIFY(dialog.isVisible());
            byCloseBox ? void(dialog.close()) : dialog.findChild<QPushButton*>(u"cmdCancel"_s)->click();
            QVERIFY(!dialog.isVisible());
        };
        QVERIFY(whileModal([&] { dialog.showModal(); }, okThenClose));
        QCOMPARE(values(dialog, &settings.store), stored);
        // The file holds passwords, so it is made for its owner alone.
        QCOMPARE(QFile::permissions(settings.fileName()), ownerOnly);
        // The next showing loads afresh, without the abandoned edits.
        QVERIFY(whileModal([&] { dialog.showModal(); }, [&](QWidget*) { QCOMPARE(values(dialog), stored); }));
    }

    void failedOkSaysSoAndKeepsTheEdits_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("full disk") << false;
        // Reading may follow the link; writing through it would rewrite the target, dropping the lines the settings
        // format cannot parse, and narrow the target's mode.
        QTest::newRow("settings file is a symbolic link") << true;
    }

    void failedOkSaysSoAndKeepsTheEdits()
    {
        QFETCH(bool, linked);
        TemporarySettings settings;
        const QByteArray text = "[Site1]\nName=Linked\nnot a setting\n";
        const auto mode = ownerOnly | QFile::ReadOther;
        QFile target(settings.folder() + u"/shared.conf"_s);
        QVERIFY(target.open(QIODevice::WriteOnly) && target.write(text) > 0 && target.setPermissions(mode));
        target.close();
        QVERIFY(QDir().mkpath(settings.folder() + u"/Tunedrop"_s) && target.link(settings.fileName()));
        BrokenSettings broken;
        FakeMessageBoxes boxes;
        OptionsDialog dialog(linked ? settings.store : broken.store, boxes);
        const auto editThenOk = [&](QWidget*) {
            auto* name = dialog.findChild<QLineEdit*>(u"txtName1"_s);
            QCOMPARE(name->text(), linked ? u"Linked"_s : QString());
            name->setText(u"Edited"_s);
            dialog.findChild<QPushButton*>(u"cmdOK"_s)->click();
            QVERIFY(dialog.isVisible());
            QCOMPARE(name->text(), u"Edited"_s);
            QVERIFY(boxes.shown.size() == 1 && boxes.shown[0].contains(u"could not be saved"_s));
            QVERIFY(boxes.shown[0].contains(linked ? settings.fileName() : u"disk full"_s));
        };
        QVERIFY(whileModal([&] { dialog.showModal(); }, editThenOk));
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), text);
        QCOMPARE(target.permissions(), mode);
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_options_dialog.moc"
