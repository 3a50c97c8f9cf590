#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include "qt_message_boxes.h"

using namespace Qt::StringLiterals;

using Act = std::function<void(QMessageBox*)>;
const QString title = u"Do you want this MP3?"_s;

// Runs `show`; once its box is open, acts on it, checks what every box must show and closes it whatever they found.
static void check(const QString& text, const std::function<void()>& show, const Act& act)
{
    bool opened = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY2((opened = box), "no message box is open");
        const auto closing = qScopeGuard([box] { box->hide(); });
        act(box);
        QCOMPARE(box->windowTitle(), title);
        QCOMPARE(box->icon(), QMessageBox::NoIcon);
        auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s);
        QVERIFY(label->textInteractionFlags().testFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard));
        // Selecting everything gives back what the user reads, so markup taken as such would show here.
        label->setSelection(0, int(text.size()));
        QCOMPARE(label->selectedText(), text);
        // Wrapped inside the box rather than cut at its edge.
        QVERIFY(label->geometry().right() <= box->contentsRect().right());
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    });
    show();
    QVERIFY(opened);
}

class TestQtMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersThePrompt_data()
    {
        using enum MessageBoxes::Answer;
        QTest::addColumn<Act>("act");
        QTest::addColumn<MessageBoxes::Answer>("answer");
        QTest::newRow("Return is the default, Yes") << Act([](auto* b) { QTest::keyClick(b, Qt::Key_Return); }) << Yes;
        QTest::newRow("Escape is Cancel") << Act([](auto* b) { QTest::keyClick(b, Qt::Key_Escape); }) << Cancel;
        QTest::newRow("the close box is Cancel") << Act([](auto* b) { b->close(); }) << Cancel;
        QTest::newRow("No") << Act([](auto* b) { b->button(QMessageBox::No)->click(); }) << No;
    }

    void answersThePrompt()
    {
        QFETCH(Act, act);
        QFETCH(MessageBoxes::Answer, answer);
        const QString text = u"7\t<b>Bold</b>\t<img src=x>\tR&amp;B"_s;
        check(
            text, [&] { QCOMPARE(QtMessageBoxes().askYesNoCancel(text, title), answer); }, act);
    }

    void okBoxCopiesALongUrlWhole()
    {
        const QString url = u"ftp://ann:pw@files.example"_s + u"/a-rather-long-folder-name"_s.repeated(12);
        QGuiApplication::clipboard()->clear();
        check(
            url, [&] { QtMessageBoxes().showOk(url, title); },
            [&](QMessageBox* box) {
                QVERIFY(QTest::qWaitForWindowActive(box));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
                QCOMPARE(QGuiApplication::clipboard()->text(), url);
            });
    }
};

QTEST_MAIN(TestQtMessageBoxes)
#include "tst_qt_message_boxes.moc"
