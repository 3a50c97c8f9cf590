#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QFileDevice::Permissions modeOf(const QString& path)
{
    return QFile(path).permissions() &
           (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
            QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther);
}

} // namespace

class TestSiteStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsValuesExactly_data();
    void keepsValuesExactly();
    void readsMissingValuesAsEmpty();
    void keepsTheFileToItsOwner();
    void narrowsAFileFoundWithWiderPermissions();
    void reportsAFileThatCannotBeWritten();
};

void TestSiteStore::keepsValuesExactly_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("leading and trailing spaces") << u"  spaced out  "_s;
    QTest::newRow("one space") << u" "_s;
    QTest::newRow("URL characters") << u"user@host:8080/a?b=c&d=e#f"_s;
    QTest::newRow("INI characters") << u"a=b;c#d [section] , more"_s;
    QTest::newRow("quotes and backslashes") << u"\"double\" 'single' back\\slash \\\\"_s;
    QTest::newRow("leading at sign") << u"@ByteArray(x)"_s;
    QTest::newRow("non-ASCII") << u"Björk Guðmundsdóttir 東京 ☃"_s;
    QTest::newRow("looks like a number") << u"0012"_s;
    QTest::newRow("line break and tab") << u"a\nb\tc\r"_s;
}

void TestSiteStore::keepsValuesExactly()
{
    QFETCH(QString, value);
    TemporarySettings settings;
    settings.store.write({{3, SiteStore::Key::Pass, value}, {3, SiteStore::Key::Name, u"named"_s}});

    QCOMPARE(settings.store.read(3, SiteStore::Key::Pass), value);
    // What a later run finds: a copy of the file read by a settings object that has never seen it.
    const QString copy = settings.folder() + u"/copy.conf"_s;
    QVERIFY(QFile::copy(settings.fileName(), copy));
    QCOMPARE(QSettings(copy, QSettings::IniFormat).value(u"Site3/Pass"_s).toString(), value);
}

void TestSiteStore::readsMissingValuesAsEmpty()
{
    TemporarySettings settings;
    QCOMPARE(settings.store.read(1, SiteStore::Key::Addr), QString());
    settings.store.write({{1, SiteStore::Key::Name, u"One"_s}});
    QCOMPARE(settings.store.read(1, SiteStore::Key::Addr), QString());
    QCOMPARE(settings.store.read(2, SiteStore::Key::Name), QString());
    QCOMPARE(settings.backing.read(u"Elsewhere"_s, u"Site1"_s, u"Name"_s), QString());
    QCOMPARE(searchedSiteCount(settings.store), 1);
}

void TestSiteStore::keepsTheFileToItsOwner()
{
    TemporarySettings settings;
    settings.store.write({{1, SiteStore::Key::Pass, u"secret"_s}});
    QCOMPARE(modeOf(settings.fileName()), ownerOnly);
    settings.store.write({{1, SiteStore::Key::Pass, u"another"_s}});
    QCOMPARE(modeOf(settings.fileName()), ownerOnly);
}

void TestSiteStore::narrowsAFileFoundWithWiderPermissions()
{
    TemporarySettings settings;
    const QString path = settings.fileName();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Site1]\nName=Found\nPass=secret\n");
    file.close();
    QVERIFY(file.setPermissions(ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));

    QCOMPARE(settings.store.read(1, SiteStore::Key::Name), u"Found"_s);
    QCOMPARE(modeOf(path), ownerOnly);
}

void TestSiteStore::reportsAFileThatCannotBeWritten()
{
    TemporarySettings settings;
    // A folder where the file should be stops even root from writing it.
    QVERIFY(QDir().mkpath(settings.fileName()));

    QVERIFY_THROWS_EXCEPTION(std::runtime_error, settings.store.write({{1, SiteStore::Key::Name, u"x"_s}}));
    QCOMPARE(settings.store.read(1, SiteStore::Key::Name), QString());
}

QTEST_MAIN(TestSiteStore)
#include "tst_site_store.moc"
