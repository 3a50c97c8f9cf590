#include <QTest>

class TestTlsSites : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(TestTlsSites)
#include "tst_tls_sites.moc"
