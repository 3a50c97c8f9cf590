#include <csignal>
#include <functional>
#include <initializer_list>
#include <utility>

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "fake_message_boxes.h"
#include "frm_options.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

// Object name of a box, or "SiteN/Key" of a stored value, to its text.
using Texts = QMap<QString, QString>;

const QStringList columnNames{u"txtName"_s, u"txtAddr"_s, u"txtPath"_s, u"txtUser"_s, u"txtPass"_s};
const QStringList keyNames{u"Name"_s, u"Addr"_s, u"Path"_s, u"User"_s, u"Pass"_s};
const QStringList defaults{u"Quillfen"_s, u"localhost:8765"_s, u"/mp3/"_s, QString(), QString()};
const QStringList blank(5, QString());

QString boxName(const QString& column, int row)
{
    return column + QString::number(row);
}

QStringList allBoxNames()
{
    QStringList names;
    for (int row = 1; row <= SiteStore::siteCount; ++row)
        for (const QString& column : columnNames)
            names.append(boxName(column, row));
    return names;
}

Texts rowTexts(int row, const QStringList& five)
{
    Texts texts;
    for (int i = 0; i < 5; ++i)
        texts.insert(boxName(columnNames.at(i), row), five.at(i));
    return texts;
}

Texts siteRecord(int site, const QStringList& five)
{
    Texts record;
    for (int i = 0; i < 5; ++i)
        record.insert(SiteStore::sectionName(site) + u'/' + keyNames.at(i), five.at(i));
    return record;
}

Texts merged(std::initializer_list<Texts> parts)
{
    Texts all;
    for (const Texts& part : parts)
        all.insert(part);
    return all;
}

// Every box, with those the row does not mention empty.
Texts everyBox(const Texts& sparse)
{
    Texts all;
    for (const QString& name : allBoxNames())
        all.insert(name, sparse.value(name));
    return all;
}

// Stores each whole record the map mentions, the way the program itself stores them.
void seed(TemporarySettings& settings, const Texts& records)
{
    for (int site = 1; site <= SiteStore::siteCount; ++site) {
        const QString section = SiteStore::sectionName(site) + u'/';
        if (!records.contains(section + u"Name"_s))
            continue;
        settings.setSite(site, records.value(section + u"Name"_s), records.value(section + u"Addr"_s),
                         records.value(section + u"Path"_s), records.value(section + u"User"_s),
                         records.value(section + u"Pass"_s));
    }
}

// Every key in the settings file as a fresh reader of it sees them. QSettings serves a file it has seen from a
// cache, so the file is read under a name it has never seen.
Texts onDisk(const TemporarySettings& settings)
{
    static int copies = 0;
    if (!QFileInfo(settings.fileName()).isFile())
        return {};
    const QString copy = settings.folder() + u"/copy"_s + QString::number(++copies) + u".ini"_s;
    if (!QFile::copy(settings.fileName(), copy))
        return {{u"(unreadable)"_s, settings.fileName()}};
    Texts all;
    {
        QSettings reader(copy, QSettings::IniFormat);
        for (const QString& key : reader.allKeys())
            all.insert(key, reader.value(key).toString());
    }
    QFile::remove(copy);
    return all;
}

// What the program reads for every key of every site.
Texts readThroughStore(const TemporarySettings& settings)
{
    const SiteStore::Key keys[] = {SiteStore::Key::Name, SiteStore::Key::Addr, SiteStore::Key::Path,
                                   SiteStore::Key::User, SiteStore::Key::Pass};
    Texts all;
    for (int site = 1; site <= SiteStore::siteCount; ++site)
        for (SiteStore::Key key : keys)
            all.insert(SiteStore::sectionName(site) + u'/' + SiteStore::keyName(key), settings.store.read(site, key));
    return all;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

// Replaces what the box holds with `text`, key by key, as the user would.
void typeInto(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(box, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Makes storing the settings fail until lifted. Permissions do not bind root, which the tests may run as.
class StoreObstacle
{
public:
    enum Kind
    {
        // Every write beyond the file size limit fails, as on a full disk.
        FileSizeLimit,
        // Nothing can be created below a folder that is a plain file.
        FolderIsAFile
    };

    StoreObstacle(Kind kind, const QString& settingsFile)
        : m_kind(kind), m_folder(QFileInfo(settingsFile).absolutePath()), m_folderAside(m_folder + u".aside"_s)
    {
    }
    Q_DISABLE_COPY_MOVE(StoreObstacle)
    ~StoreObstacle() { lift(); }

    bool raise()
    {
        m_raised = true;
        if (m_kind == FileSizeLimit) {
            getrlimit(RLIMIT_FSIZE, &m_savedLimit);
            // Past the limit the kernel would otherwise kill the process rather than fail the write.
            m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = m_savedLimit;
            limit.rlim_cur = 0;
            return setrlimit(RLIMIT_FSIZE, &limit) == 0;
        }
        m_movedFolder = QFileInfo(m_folder).isDir();
        if (m_movedFolder && !QDir().rename(m_folder, m_folderAside))
            return false;
        QFile plain(m_folder);
        return plain.open(QIODevice::WriteOnly);
    }

    bool lift()
    {
        if (!std::exchange(m_raised, false))
            return true;
        if (m_kind == FileSizeLimit) {
            const bool restored = setrlimit(RLIMIT_FSIZE, &m_savedLimit) == 0;
            std::signal(SIGXFSZ, m_savedHandler);
            return restored;
        }
        return QFile::remove(m_folder) && (!m_movedFolder || QDir().rename(m_folderAside, m_folder));
    }

private:
    Kind m_kind;
    QString m_folder;
    QString m_folderAside;
    bool m_raised = false;
    bool m_movedFolder = false;
    rlimit m_savedLimit{};
    void (*m_savedHandler)(int) = SIG_DFL;
};

// The dialog over a settings file of its own, with message boxes that answer themselves.
class OptionsHarness
{
public:
    TemporarySettings settings;
    FakeMessageBoxes boxes;
    frmOptions dialog{settings.store, boxes};

    QLineEdit* box(const QString& name) const { return dialog.findChild<QLineEdit*>(name); }
    QPushButton* button(const QString& name) const { return dialog.findChild<QPushButton*>(name); }

    Texts shown() const
    {
        Texts texts;
        for (const QString& name : allBoxNames())
            texts.insert(name, box(name)->text());
        return texts;
    }

    void type(const Texts& edits) const
    {
        for (auto edit = edits.cbegin(); edit != edits.cend(); ++edit)
            typeInto(box(edit.key()), edit.value());
    }

    // Shows the dialog through showModal() and runs `interact` while it is up. Whatever `interact` did, even
    // when a check in it failed, the dialog is closed afterwards so that showModal() returns.
    void showWhile(const std::function<void()>& interact)
    {
        bool ran = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
            ran = true;
            interact();
            if (dialog.isVisible())
                dialog.close();
        });
        timer.start(0);
        dialog.showModal();
        QVERIFY2(ran, "showModal() returned without running its event loop");
        QVERIFY(!dialog.isVisible());
    }

    // The window manager's close request, as the close box sends it.
    void clickCloseBox() { dialog.windowHandle()->close(); }

    // Keyboard focus needs the dialog to be the active window.
    bool waitUntilActive() { return QTest::qWaitForWindowActive(&dialog); }
};

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showingsLoadWhatTheLastOkStored_data();
    void showingsLoadWhatTheLastOkStored();
    void okStoresTextsExactlyAsTyped_data();
    void okStoresTextsExactlyAsTyped();
    void everyOkStoresAllBoxesAgain();
    void enterInABoxStoresAndClosesNothing_data();
    void enterInABoxStoresAndClosesNothing();
    void escapeLeavesDialogOpen_data();
    void escapeLeavesDialogOpen();
    void tabGoesDownColumnsWithButtonsBeforeUserAndPassword();
    void focusStartsInFirstNameAtEveryShowing_data();
    void focusStartsInFirstNameAtEveryShowing();
    void passwordBoxesShowAStarPerCharacter_data();
    void passwordBoxesShowAStarPerCharacter();
    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void controlsNeitherOverlapNorLeaveTheWindow();
    void failedStoreKeepsEditsAndOldRecords_data();
    void failedStoreKeepsEditsAndOldRecords();
};

void TestFrmOptions::showingsLoadWhatTheLastOkStored_data()
{
    QTest::addColumn<Texts>("stored");
    QTest::addColumn<Texts>("expectedShown");
    QTest::addColumn<Texts>("edits");
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<Texts>("editsAfterOk");
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<Texts>("expectedStored");
    QTest::addColumn<Texts>("expectedShownNext");

    const Texts defaultRow = rowTexts(1, defaults);
    const Texts home = siteRecord(1, {u"Home"_s, u"home.example:81"_s, u"/music/"_s, u"me"_s, u"secret"_s});
    const Texts homeRow = rowTexts(1, {u"Home"_s, u"home.example:81"_s, u"/music/"_s, u"me"_s, u"secret"_s});
    const Texts emptySites2To5 =
        merged({siteRecord(2, blank), siteRecord(3, blank), siteRecord(4, blank), siteRecord(5, blank)});
    const Texts defaultsStored = merged({siteRecord(1, defaults), emptySites2To5});

    QTest::newRow("first start, Cancel") << Texts() << defaultRow << Texts() << false << Texts() << false << Texts()
                                         << defaultRow;
    QTest::newRow("first start, close box")
        << Texts() << defaultRow << Texts() << false << Texts() << true << Texts() << defaultRow;
    QTest::newRow("first start, user typed then Cancel")
        << Texts() << defaultRow << Texts{{u"txtUser1"_s, u"typed"_s}, {u"txtPass1"_s, u"typed"_s}} << false << Texts()
        << false << Texts() << defaultRow;
    QTest::newRow("first start, OK") << Texts() << defaultRow << Texts() << true << Texts() << false << defaultsStored
                                     << defaultRow;

    const Texts unnamed = siteRecord(1, {QString(), u"old.example:80"_s, u"/old/"_s, u"olduser"_s, u"oldpass"_s});
    QTest::newRow("unnamed site 1 with details, Cancel")
        << unnamed << defaultRow << Texts() << false << Texts() << false << unnamed << defaultRow;
    QTest::newRow("unnamed site 1 with details, OK")
        << unnamed << defaultRow << Texts() << true << Texts() << false << defaultsStored << defaultRow;

    QTest::newRow("named site 1") << home << homeRow << Texts() << false << Texts() << false << home << homeRow;

    const QStringList spaced{u" "_s, u"space.example:82"_s, u"/sp/"_s, u"su"_s, u"sp"_s};
    QTest::newRow("site 1 named one space") << siteRecord(1, spaced) << rowTexts(1, spaced) << Texts() << false
                                            << Texts() << false << siteRecord(1, spaced) << rowTexts(1, spaced);

    const QStringList two{QString(), u"two.example:2"_s, u"/two/"_s, u"u2"_s, u"p2"_s};
    const QStringList three{u"Three"_s, u"three.example"_s, QString(), QString(), u"p3"_s};
    const QStringList five{u"Five"_s, u"five.example:5"_s, u"/five/"_s, u"u5"_s, u"p5"_s};
    const Texts laterSites = merged({siteRecord(2, two), siteRecord(3, three), siteRecord(5, five)});
    const Texts laterRows = merged({defaultRow, rowTexts(2, two), rowTexts(3, three), rowTexts(5, five)});
    QTest::newRow("sites 2 to 5 never defaulted")
        << laterSites << laterRows << Texts() << false << Texts() << false << laterSites << laterRows;

    const Texts cleared = {{u"txtName1"_s, QString()}};
    const Texts homeUnnamed =
        merged({siteRecord(1, {QString(), u"home.example:81"_s, u"/music/"_s, u"me"_s, u"secret"_s}), emptySites2To5});
    QTest::newRow("name cleared, OK") << home << homeRow << cleared << true << Texts() << false << homeUnnamed
                                      << defaultRow;

    const Texts okEdits = {{u"txtName2"_s, u"Two"_s}, {u"txtAddr2"_s, u"two.example:2"_s}, {u"txtPass1"_s, u"pw"_s}};
    const Texts abandoned = {{u"txtName2"_s, u"Abandoned"_s}, {u"txtAddr1"_s, u"gone.example"_s}};
    const Texts okStored = merged({siteRecord(1, {u"Quillfen"_s, u"localhost:8765"_s, u"/mp3/"_s, QString(), u"pw"_s}),
                                   siteRecord(2, {u"Two"_s, u"two.example:2"_s, QString(), QString(), QString()}),
                                   siteRecord(3, blank), siteRecord(4, blank), siteRecord(5, blank)});
    const Texts okShown = merged({defaultRow, okEdits});
    QTest::newRow("OK then Cancel") << Texts() << defaultRow << okEdits << true << abandoned << false << okStored
                                    << okShown;
    QTest::newRow("OK then close box") << Texts() << defaultRow << okEdits << true << abandoned << true << okStored
                                       << okShown;
}

void TestFrmOptions::showingsLoadWhatTheLastOkStored()
{
    QFETCH(Texts, stored);
    QFETCH(Texts, expectedShown);
    QFETCH(Texts, edits);
    QFETCH(bool, pressOk);
    QFETCH(Texts, editsAfterOk);
    QFETCH(bool, closeBox);
    QFETCH(Texts, expectedStored);
    QFETCH(Texts, expectedShownNext);

    OptionsHarness harness;
    seed(harness.settings, stored);
    const QByteArray bytesBefore = fileBytes(harness.settings.fileName());

    harness.showWhile([&] {
        QCOMPARE(harness.shown(), everyBox(expectedShown));
        harness.type(edits);
        if (pressOk) {
            harness.button(u"cmdOK"_s)->click();
            QVERIFY(harness.dialog.isVisible());
            QCOMPARE(harness.shown(), everyBox(merged({expectedShown, edits})));
        }
        harness.type(editsAfterOk);
        if (closeBox)
            harness.clickCloseBox();
        else
            harness.button(u"cmdCancel"_s)->click();
        QVERIFY(!harness.dialog.isVisible());
    });
    if (QTest::currentTestFailed())
        return;

    if (!pressOk)
        QCOMPARE(fileBytes(harness.settings.fileName()), bytesBefore);
    QCOMPARE(onDisk(harness.settings), expectedStored);
    QVERIFY(harness.boxes.shown.isEmpty());

    harness.showWhile([&] { QCOMPARE(harness.shown(), everyBox(expectedShownNext)); });
}

void TestFrmOptions::okStoresTextsExactlyAsTyped_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("leading and trailing spaces") << u"  padded  "_s;
    QTest::newRow("separators") << u"a=b; c,d #e [f]"_s;
    QTest::newRow("comma") << u"one,two"_s;
    QTest::newRow("quotes and backslashes") << u"\"q\" \\back\\ 'x'"_s;
    QTest::newRow("leading at sign") << u"@Variant(x) 50%"_s;
    QTest::newRow("non-ASCII") << u"Ünïcödé ♫ 音楽"_s;
    QTest::newRow("looks like a number") << u"0042"_s;
    QTest::newRow("looks like a boolean") << u"true"_s;
}

void TestFrmOptions::okStoresTextsExactlyAsTyped()
{
    QFETCH(QString, text);

    OptionsHarness harness;
    Texts typed;
    Texts expected;
    for (int row = 1; row <= SiteStore::siteCount; ++row) {
        for (int column = 0; column < 5; ++column) {
            // Each box gets its own text, so a value stored under the wrong key shows.
            const QString own = text + QString::number(row * 10 + column);
            typed.insert(boxName(columnNames.at(column), row), own);
            expected.insert(SiteStore::sectionName(row) + u'/' + keyNames.at(column), own);
        }
    }

    harness.showWhile([&] {
        harness.type(typed);
        QCOMPARE(harness.shown(), typed);
        harness.button(u"cmdOK"_s)->click();
        QCOMPARE(harness.shown(), typed);
        QCOMPARE(readThroughStore(harness.settings), expected);
    });
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(onDisk(harness.settings), expected);
    harness.showWhile([&] { QCOMPARE(harness.shown(), typed); });
}

void TestFrmOptions::everyOkStoresAllBoxesAgain()
{
    OptionsHarness harness;
    const Texts typed = {{u"txtName3"_s, u"Three"_s}, {u"txtUser3"_s, u"u3"_s}};
    const Texts expected = merged({siteRecord(1, defaults), siteRecord(2, blank),
                                   siteRecord(3, {u"Three"_s, QString(), QString(), u"u3"_s, QString()}),
                                   siteRecord(4, blank), siteRecord(5, blank)});

    harness.showWhile([&] {
        harness.type(typed);
        harness.button(u"cmdOK"_s)->click();
        QCOMPARE(onDisk(harness.settings), expected);

        // Someone else stores other values while the dialog is open; the next OK stores the boxes once more.
        for (int site = 1; site <= SiteStore::siteCount; ++site)
            harness.settings.setSite(site, u"Other"_s, u"other.example"_s, u"/other/"_s, u"ou"_s, u"op"_s);
        harness.button(u"cmdOK"_s)->click();
        QCOMPARE(onDisk(harness.settings), expected);
        QCOMPARE(readThroughStore(harness.settings), expected);
        QVERIFY(harness.boxes.shown.isEmpty());
    });
}

void TestFrmOptions::enterInABoxStoresAndClosesNothing_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<Qt::Key>("key");

    for (const QString& name : allBoxNames()) {
        QTest::addRow("%s, Return", qPrintable(name)) << name << Qt::Key_Return;
        QTest::addRow("%s, Enter", qPrintable(name)) << name << Qt::Key_Enter;
    }
}

void TestFrmOptions::enterInABoxStoresAndClosesNothing()
{
    QFETCH(QString, box);
    QFETCH(Qt::Key, key);

    OptionsHarness harness;
    harness.showWhile([&] {
        QVERIFY(harness.waitUntilActive());
        // A button that had focus once must not have become the one Enter presses.
        harness.button(u"cmdOK"_s)->setFocus();
        harness.button(u"cmdCancel"_s)->setFocus();
        typeInto(harness.box(box), u"typed"_s);
        QCOMPARE(QApplication::focusWidget(), harness.box(box));
        QTest::keyClick(harness.box(box), key);
        QVERIFY(harness.dialog.isVisible());
        QCOMPARE(harness.box(box)->text(), u"typed"_s);
        QVERIFY(!harness.button(u"cmdOK"_s)->isDefault());
        QVERIFY(!harness.button(u"cmdCancel"_s)->isDefault());
    });
    if (QTest::currentTestFailed())
        return;

    QVERIFY(!QFileInfo::exists(harness.settings.fileName()));
    QVERIFY(harness.boxes.shown.isEmpty());
}

void TestFrmOptions::escapeLeavesDialogOpen_data()
{
    QTest::addColumn<QString>("focus");

    QTest::newRow("first name") << u"txtName1"_s;
    QTest::newRow("last password") << u"txtPass5"_s;
    QTest::newRow("OK") << u"cmdOK"_s;
    QTest::newRow("Cancel") << u"cmdCancel"_s;
}

void TestFrmOptions::escapeLeavesDialogOpen()
{
    QFETCH(QString, focus);

    OptionsHarness harness;
    harness.showWhile([&] {
        QVERIFY(harness.waitUntilActive());
        auto* widget = harness.dialog.findChild<QWidget*>(focus);
        widget->setFocus();
        QCOMPARE(QApplication::focusWidget(), widget);
        QTest::keyClick(widget, Qt::Key_Escape);
        QVERIFY(harness.dialog.isVisible());
        QCOMPARE(harness.shown(), everyBox(rowTexts(1, defaults)));
    });
    if (QTest::currentTestFailed())
        return;

    QVERIFY(!QFileInfo::exists(harness.settings.fileName()));
}

void TestFrmOptions::tabGoesDownColumnsWithButtonsBeforeUserAndPassword()
{
    QStringList expected;
    for (const QString& column : {u"txtName"_s, u"txtAddr"_s, u"txtPath"_s})
        for (int row = 1; row <= SiteStore::siteCount; ++row)
            expected.append(boxName(column, row));
    expected << u"cmdOK"_s << u"cmdCancel"_s;
    for (const QString& column : {u"txtUser"_s, u"txtPass"_s})
        for (int row = 1; row <= SiteStore::siteCount; ++row)
            expected.append(boxName(column, row));

    OptionsHarness harness;
    harness.showWhile([&] {
        QVERIFY(harness.waitUntilActive());
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(visited, expected + QStringList{expected.first()});

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), expected.last());
    });
}

void TestFrmOptions::focusStartsInFirstNameAtEveryShowing_data()
{
    QTest::addColumn<QString>("leftIn");
    QTest::addColumn<bool>("closeBox");

    QTest::newRow("left in a password box, close box") << u"txtPass3"_s << true;
    QTest::newRow("left on Cancel, Cancel") << u"cmdCancel"_s << false;
    QTest::newRow("left on OK, Cancel") << u"cmdOK"_s << false;
}

void TestFrmOptions::focusStartsInFirstNameAtEveryShowing()
{
    QFETCH(QString, leftIn);
    QFETCH(bool, closeBox);

    OptionsHarness harness;
    for (int showing = 1; showing <= 2; ++showing) {
        harness.showWhile([&] {
            QVERIFY(harness.waitUntilActive());
            QCOMPARE(QApplication::focusWidget(), harness.box(u"txtName1"_s));
            auto* widget = harness.dialog.findChild<QWidget*>(leftIn);
            if (auto* button = qobject_cast<QPushButton*>(widget))
                QTest::mouseClick(button, Qt::LeftButton);
            else
                widget->setFocus();
            if (!harness.dialog.isVisible())
                return;
            QCOMPARE(QApplication::focusWidget(), widget);
            if (closeBox)
                harness.clickCloseBox();
            else
                QTest::mouseClick(harness.button(u"cmdCancel"_s), Qt::LeftButton);
        });
        if (QTest::currentTestFailed())
            return;
    }
}

void TestFrmOptions::passwordBoxesShowAStarPerCharacter_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("masked");

    for (int row = 1; row <= SiteStore::siteCount; ++row) {
        QTest::addRow("password %d", row) << boxName(u"txtPass"_s, row) << true;
        QTest::addRow("user name %d", row) << boxName(u"txtUser"_s, row) << false;
    }
}

void TestFrmOptions::passwordBoxesShowAStarPerCharacter()
{
    QFETCH(QString, box);
    QFETCH(bool, masked);

    const QString typed = u"s3cr3t pw!"_s;
    const int row = box.right(1).toInt();
    const QString key = SiteStore::sectionName(row) + (masked ? u"/Pass"_s : u"/User"_s);

    OptionsHarness harness;
    harness.showWhile([&] {
        QLineEdit* edit = harness.box(box);
        typeInto(edit, typed);
        harness.box(u"txtName1"_s)->setFocus();
        QCOMPARE(edit->text(), typed);
        QCOMPARE(edit->displayText(), masked ? QString(typed.size(), u'*') : typed);
        QCOMPARE(edit->echoMode(), masked ? QLineEdit::Password : QLineEdit::Normal);
        if (masked) {
            QVERIFY(!edit->testAttribute(Qt::WA_InputMethodEnabled));
            QCOMPARE(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int(u'*'));

            // What is drawn is what a plain box holding the stars draws.
            const QImage maskedImage = edit->grab().toImage();
            edit->setEchoMode(QLineEdit::Normal);
            edit->setText(QString(typed.size(), u'*'));
            const QImage starsImage = edit->grab().toImage();
            edit->setEchoMode(QLineEdit::Password);
            edit->setText(typed);
            QCOMPARE(maskedImage, starsImage);
        }
        harness.button(u"cmdOK"_s)->click();
        QCOMPARE(onDisk(harness.settings).value(key), typed);
    });
}

void TestFrmOptions::captionsFitTheirControls_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");

    QTest::newRow("site name heading") << u"lblSiteName"_s << u"Site Name"_s;
    QTest::newRow("address heading") << u"lblAddr"_s << u"Site Address"_s;
    QTest::newRow("path heading") << u"lblPath"_s << u"Path to MP3 Server"_s;
    QTest::newRow("user name heading") << u"lblUserName"_s << u"UserName"_s;
    QTest::newRow("password heading") << u"lblPassword"_s << u"Password"_s;
    QTest::newRow("OK") << u"cmdOK"_s << u"OK"_s;
    QTest::newRow("Cancel") << u"cmdCancel"_s << u"Cancel"_s;
}

void TestFrmOptions::captionsFitTheirControls()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);

    OptionsHarness harness;
    harness.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&harness.dialog));
    auto* widget = harness.dialog.findChild<QWidget*>(control);
    QCOMPARE(widget->logicalDpiX(), 96);
    QCOMPARE(widget->logicalDpiY(), 96);

    QRect room;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), caption);
        room = label->contentsRect();
    } else {
        auto* button = qobject_cast<QPushButton*>(widget);
        QCOMPARE(button->text(), caption);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    const QFontMetrics metrics = widget->fontMetrics();
    QVERIFY2(metrics.horizontalAdvance(caption) <= room.width(),
             qPrintable(u"%1 px wide in %2 px"_s.arg(metrics.horizontalAdvance(caption)).arg(room.width())));
    QVERIFY2(metrics.height() <= room.height(),
             qPrintable(u"%1 px high in %2 px"_s.arg(metrics.height()).arg(room.height())));
}

void TestFrmOptions::controlsSitAtTheirPlaces_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("first name") << u"txtName1"_s << QRect(8, 32, 81, 19);
    QTest::newRow("last name") << u"txtName5"_s << QRect(8, 128, 81, 19);
    QTest::newRow("first address") << u"txtAddr1"_s << QRect(96, 32, 113, 19);
    QTest::newRow("third path") << u"txtPath3"_s << QRect(216, 80, 97, 19);
    QTest::newRow("second user") << u"txtUser2"_s << QRect(320, 56, 73, 19);
    QTest::newRow("last password") << u"txtPass5"_s << QRect(400, 128, 81, 19);
    QTest::newRow("path heading") << u"lblPath"_s << QRect(216, 8, 97, 17);
    QTest::newRow("OK") << u"cmdOK"_s << QRect(304, 280, 89, 25);
    QTest::newRow("Cancel") << u"cmdCancel"_s << QRect(400, 280, 89, 25);
}

void TestFrmOptions::controlsSitAtTheirPlaces()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);

    OptionsHarness harness;
    harness.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&harness.dialog));
    QCOMPARE(harness.dialog.size(), QSize(494, 315));
    QCOMPARE(harness.dialog.findChild<QWidget*>(control)->geometry(), geometry);
}

void TestFrmOptions::controlsNeitherOverlapNorLeaveTheWindow()
{
    OptionsHarness harness;
    harness.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&harness.dialog));
    const QList<QWidget*> controls = harness.dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QCOMPARE(controls.size(), 25 + 5 + 2);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QVERIFY2(harness.dialog.rect().contains(controls.at(i)->geometry()), qPrintable(controls.at(i)->objectName()));
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            QVERIFY2(!controls.at(i)->geometry().intersects(controls.at(j)->geometry()),
                     qPrintable(controls.at(i)->objectName() + u" and "_s + controls.at(j)->objectName()));
    }
}

void TestFrmOptions::failedStoreKeepsEditsAndOldRecords_data()
{
    QTest::addColumn<StoreObstacle::Kind>("obstacle");
    QTest::addColumn<Texts>("stored");

    const Texts records =
        merged({siteRecord(1, {u"Home"_s, u"home.example:81"_s, u"/music/"_s, u"me"_s, u"secret"_s}),
                siteRecord(2, {u"Two"_s, u"two.example"_s, u"/two/"_s, QString(), QString()}), siteRecord(3, blank),
                siteRecord(4, blank), siteRecord(5, {u"Five"_s, u"five.example"_s, u"/5/"_s, u"u5"_s, u"p5"_s})});
    QTest::newRow("file full, records stored before") << StoreObstacle::FileSizeLimit << records;
    QTest::newRow("file full, nothing stored before") << StoreObstacle::FileSizeLimit << Texts();
    QTest::newRow("folder is a file, records stored before") << StoreObstacle::FolderIsAFile << records;
    QTest::newRow("folder is a file, nothing stored before") << StoreObstacle::FolderIsAFile << Texts();
}

void TestFrmOptions::failedStoreKeepsEditsAndOldRecords()
{
    QFETCH(StoreObstacle::Kind, obstacle);
    QFETCH(Texts, stored);

    OptionsHarness harness;
    seed(harness.settings, stored);
    Texts typed;
    Texts newRecords;
    for (int row = 1; row <= SiteStore::siteCount; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QString text = u"new"_s + QString::number(row * 10 + column);
            typed.insert(boxName(columnNames.at(column), row), text);
            newRecords.insert(SiteStore::sectionName(row) + u'/' + keyNames.at(column), text);
        }
    }
    Texts oldRecords;
    Texts nothingReadable;
    for (auto key = newRecords.keyBegin(); key != newRecords.keyEnd(); ++key) {
        oldRecords.insert(*key, stored.value(*key));
        nothingReadable.insert(*key, QString());
    }
    // Only a full disk leaves the file itself readable while storing fails.
    const Texts readableWhileBlocked = obstacle == StoreObstacle::FileSizeLimit ? oldRecords : nothingReadable;

    StoreObstacle blocker(obstacle, harness.settings.fileName());
    harness.showWhile([&] {
        harness.type(typed);

        // Nothing is checked while blocked, since a full disk also swallows the test log.
        Texts readWhileBlocked;
        if (blocker.raise()) {
            harness.button(u"cmdOK"_s)->click();
            readWhileBlocked = readThroughStore(harness.settings);
        }
        QVERIFY(blocker.lift());

        QCOMPARE(harness.boxes.okBoxes().size(), 1);
        const FakeMessageBoxes::Shown box = harness.boxes.okBoxes().first();
        QVERIFY2(box.text.contains(harness.settings.fileName()), qPrintable(box.text));
        QVERIFY(harness.dialog.isVisible());
        QCOMPARE(harness.shown(), typed);
        QCOMPARE(readWhileBlocked, readableWhileBlocked);
        QCOMPARE(readThroughStore(harness.settings), oldRecords);
        QCOMPARE(onDisk(harness.settings), stored);

        harness.button(u"cmdOK"_s)->click();
        QCOMPARE(harness.boxes.shown.size(), 1);
        QCOMPARE(onDisk(harness.settings), newRecords);
        QCOMPARE(readThroughStore(harness.settings), newRecords);
        QCOMPARE(harness.shown(), typed);
    });
}

QTEST_MAIN(TestFrmOptions)

#include "tst_frm_options.moc"
