#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
