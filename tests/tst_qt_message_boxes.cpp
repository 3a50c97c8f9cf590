#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "qt_message_boxes.h"

using namespace Qt::StringLiterals;

namespace {

// Acts on the box once it is open, then makes sure it is closed whatever the checks found.
void whenOpen(const std::function<void(QMessageBox*)>& act)
{
    QTimer::singleShot(0, qApp, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QFAIL("no message box is open");
            return;
        }
        act(box);
        if (box->isVisible())
            box->done(QMessageBox::Cancel);
    });
}

} // namespace

class TestQtMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersThePrompt_data();
    void answersThePrompt();
    void showsPageTextAsPlainText();
    void copiesTheWholeUrlOnCtrlC();
    void showsALongUrlWhole();
};

void TestQtMessageBoxes::answersThePrompt_data()
{
    QTest::addColumn<std::function<void(QMessageBox*)>>("act");
    QTest::addColumn<MessageBoxes::Answer>("answer");

    QTest::newRow("enter takes the default, Yes")
        << std::function<void(QMessageBox*)>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); })
        << MessageBoxes::Answer::Yes;
    QTest::newRow("escape is Cancel") << std::function<void(QMessageBox*)>([](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
    }) << MessageBoxes::Answer::Cancel;
    QTest::newRow("the close box is Cancel")
        << std::function<void(QMessageBox*)>([](QMessageBox* box) { box->close(); }) << MessageBoxes::Answer::Cancel;
    QTest::newRow("No") << std::function<void(QMessageBox*)>([](QMessageBox* box) {
        box->button(QMessageBox::No)->click();
    }) << MessageBoxes::Answer::No;
}

void TestQtMessageBoxes::answersThePrompt()
{
    QFETCH(std::function<void(QMessageBox*)>, act);
    QFETCH(MessageBoxes::Answer, answer);

    QtMessageBoxes boxes;
    bool seen = false;
    whenOpen([&](QMessageBox* box) {
        seen = true;
        QCOMPARE(box->windowTitle(), u"Do you want this MP3?"_s);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QCOMPARE(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Yes));
        QCOMPARE(box->buttons().size(), 3);
        act(box);
    });
    QCOMPARE(boxes.askYesNoCancel(u"101\tTrack\tArtist\tAlbum"_s, u"Do you want this MP3?"_s), answer);
    QVERIFY(seen);
}

void TestQtMessageBoxes::showsPageTextAsPlainText()
{
    const QString text = u"7\t<b>Bold</b>\t<img src=x>\tR&amp;B"_s;
    QtMessageBoxes boxes;
    whenOpen([&](QMessageBox* box) {
        QCOMPARE(box->textFormat(), Qt::PlainText);
        auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), text);
    });
    boxes.askYesNoCancel(text, u"Do you want this MP3?"_s);
}

void TestQtMessageBoxes::copiesTheWholeUrlOnCtrlC()
{
    const QString url = u"ftp://ann:pw@files.example/mp3/Artist/01%20-%20One.mp3"_s;
    QGuiApplication::clipboard()->clear();
    QtMessageBoxes boxes;
    whenOpen([&](QMessageBox* box) {
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        QApplication::setActiveWindow(box);
        QVERIFY(QTest::qWaitForWindowActive(box));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), url);
        auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        QVERIFY(label->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(label->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        box->button(QMessageBox::Ok)->click();
    });
    boxes.showOk(url, u"Please enter this URL in your web browser or FTP client."_s);
}

void TestQtMessageBoxes::showsALongUrlWhole()
{
    QString url = u"ftp://ann:pw@files.example"_s;
    for (int i = 0; i < 12; ++i)
        url += u"/a-rather-long-folder-name-%1"_s.arg(i);
    url += u"/track.mp3"_s;
    QtMessageBoxes boxes;
    whenOpen([&](QMessageBox* box) {
        auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        QCOMPARE(label->text(), url);
        // Wrapped inside the box rather than cut at its edge.
        QVERIFY(label->geometry().right() <= box->contentsRect().right());
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    });
    boxes.showOk(url, u"Please enter this URL in your web browser or FTP client."_s);
}

QTEST_MAIN(TestQtMessageBoxes)
#include "tst_qt_message_boxes.moc"
