#include <QClipboard>

#include "qt_message_boxes.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

class TestQtMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Key 0 stands for the close box.
    void answersThePrompt_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<MessageBoxes::Answer>("answer");
        QTest::newRow("Return is the default, Yes") << int(Qt::Key_Return) << MessageBoxes::Answer::Yes;
        QTest::newRow("Escape is Cancel") << int(Qt::Key_Escape) << MessageBoxes::Answer::Cancel;
        QTest::newRow("the close box is Cancel") << 0 << MessageBoxes::Answer::Cancel;
    }

    // Ctrl+C copies the whole text, which outside Windows a message box does not do by itself; for the box with an
    // FTP URL, the URL is what the user came for.
    void answersThePrompt()
    {
        QFETCH(int, key);
        QFETCH(MessageBoxes::Answer, answer);
        const QString url = u"ftp://ann:pw@files.example"_s + u"/a-rather-long-folder-name"_s.repeated(12);
        QGuiApplication::clipboard()->clear();
        const auto press = [&](QWidget* box) {
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            if (key)
                QTest::keyClick(box, Qt::Key(key));
            QVERIFY(!key || box->isHidden());
        };
        QVERIFY(whileModal([&] { QCOMPARE(QtMessageBoxes().askYesNoCancel(url, u"Prompt"_s), answer); }, press));
        QCOMPARE(QGuiApplication::clipboard()->text(), url);
    }
};

QTEST_MAIN(TestQtMessageBoxes)
#include "tst_qt_message_boxes.moc"
