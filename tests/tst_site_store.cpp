#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include "temporary_settings.h"

using namespace Qt::StringLiterals;

class TestSiteStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsValuesExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("URL, INI, quote and backslash characters")
            << u"user@host:8080/a?b=c&d=e#f;g [section] , \"double\" 'single' back\\slash \\\\"_s;
        QTest::newRow("leading at sign") << u"@ByteArray(x)"_s;
        QTest::newRow("outer spaces, non-ASCII and line breaks") << u"  Björk Guðmundsdóttir 東京 ☃\nb\tc\r  "_s;
    }

    void keepsValuesExactly()
    {
        QFETCH(QString, value);
        TemporarySettings settings;
        settings.store.write({{3, SiteStore::Key::Pass, value}});
        QCOMPARE(settings.store.read(3, SiteStore::Key::Pass), value);
        // What a later run finds: a copy of the file read by a settings object that has never seen it.
        const QString copy = settings.folder() + u"/copy.conf"_s;
        QVERIFY(QFile::copy(settings.fileName(), copy));
        QCOMPARE(QSettings(copy, QSettings::IniFormat).value(u"Site3/Pass"_s, u"missing"_s).toString(), value);
    }

    void keepsTheFileToItsOwner()
    {
        using enum QFileDevice::Permission;
        // Qt repeats the owner's bits as the current user's.
        constexpr auto ownerOnly = ReadOwner | WriteOwner | ReadUser | WriteUser;
        TemporarySettings settings;
        settings.store.write({{1, SiteStore::Key::Pass, u"secret"_s}});
        QCOMPARE(QFile::permissions(settings.fileName()), ownerOnly);
        QVERIFY(QFile::setPermissions(settings.fileName(), ownerOnly | ReadGroup | ReadOther));
        QCOMPARE(settings.store.read(1, SiteStore::Key::Pass), u"secret"_s);
        QCOMPARE(QFile::permissions(settings.fileName()), ownerOnly);
    }

    void reportsAFileThatCannotBeWritten()
    {
        TemporarySettings settings;
        // A folder where the file should be stops even root from writing it; the missing file reads empty.
        QVERIFY(QDir().mkpath(settings.fileName()));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, settings.store.write({{1, SiteStore::Key::Name, u"x"_s}}));
        QCOMPARE(settings.store.read(1, SiteStore::Key::Name), QString());
    }
};

QTEST_MAIN(TestSiteStore)
#include "tst_site_store.moc"
