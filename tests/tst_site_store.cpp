#include <QDir>
#include <QFile>
#include <QTest>

#include "temporary_settings.h"

using namespace Qt::StringLiterals;
using enum QFileDevice::Permission;

class TestSiteStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A file edited by hand: reading narrows it to its owner, since it holds passwords, and reads an unquoted comma,
    // which the settings format takes for a list, as the text it is.
    void readsAHandEditedFile()
    {
        TemporarySettings settings;
        QFile file(settings.fileName());
        QVERIFY(QDir().mkpath(settings.folder() + u"/Tunedrop"_s) && file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("[Site1]\nPass=a,b\n") > 0 && file.setPermissions(ReadOwner | WriteOwner | ReadOther));
        file.close();
        QCOMPARE(settings.store.read(1, SiteStore::Key::Pass), u"a,b"_s);
        // Qt repeats the owner's bits as the current user's.
        QCOMPARE(file.permissions(), ReadOwner | WriteOwner | ReadUser | WriteUser);
    }
};

QTEST_MAIN(TestSiteStore)
#include "tst_site_store.moc"
