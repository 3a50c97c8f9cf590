#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "qt_transfer_component.h"
#include "run_harness.h"

using namespace Qt::StringLiterals;

class TestHostileSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatArrives_data()
    {
        QTest::addColumn<QByteArray>("how");
        // What the site sends, as Latin-1 bytes.
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<QString>("report");
        QTest::newRow("endless body") << "endless"_ba << QString() << QStringList()
                                      << u"Hostile: the answer was too long (over 1 MiB)"_s;
        // Qt names the failure of these two differently from run to run, so only the start of the report is fixed.
        QTest::newRow("connection cut mid-body") << "cut"_ba << u"<HTML>half"_s << QStringList() << u"Hostile: "_s;
        QTest::newRow("redirect loop") << "loop"_ba << QString() << QStringList() << u"Hostile: "_s;
        QTest::newRow("control characters and markup in a hit")
            << "whole"_ba
            << u"<TR><TR><TD>ID=\x01\"><TD>000000><script>\x1b[2J<BR><TD>000000>&lt;<BR><TD>000000>\x7f<BR>"_s
            << QStringList{u"\x01\t<script>\x1b[2J\t&lt;\t\x7f"_s} << u"Hostile: 1 hit"_s;
    }

    void readsWhatArrives()
    {
        QFETCH(QByteArray, how);
        QFETCH(QString, page);
        QFETCH(QStringList, prompts);
        QFETCH(QString, report);
        LoopbackSite hostile, next;
        next.answerWith("<TR><TR>");
        QtTransferComponent transfer(std::chrono::seconds(60), qsizetype(1) << 20);
        RunHarness harness(transfer);
        harness.settings.setSite(1, u"Hostile"_s, hostile.address());
        harness.settings.setSite(2, u"Next"_s, next.address());
        hostile.setHandler([how, body = page.toLatin1().toStdString()](const auto&, auto& response) {
            if (how == "endless") // Capped far past the limit so that a client that never stops cannot hang the test.
                return response.set_chunked_content_provider(
                    "text/html", [part = std::string(64 * 1024, 'x')](size_t sent, auto& sink) {
                        return sent < (size_t(256) << 20) && sink.write(part.data(), part.size());
                    });
            if (how == "cut") // Promises more than it sends, then cuts the connection.
                return response.set_content_provider(
                    body.size() * 2, "text/html",
                    [=](size_t sent, size_t, auto& sink) { return sent == 0 && sink.write(body.data(), body.size()); });
            how == "loop" ? response.set_redirect("/mp3/search.asp", 307) : response.set_content(body, "text/html");
        });

        const QList<SiteReport> reports = harness.search(u"x"_s);

        // Only the endless body is a reported failure, which ends the run at the site; the rest are pages.
        QCOMPARE(reports.size(), how == "endless" ? 1 : 2);
        QVERIFY2(reports.first().summary().startsWith(report), qPrintable(reports.first().summary()));
        QVERIFY(how == "endless" || reports.last().summary() == u"Next: 0 hits"_s);
        QCOMPARE(harness.listener.shown, prompts);
        QCOMPARE(harness.listener.early, QStringList());
        // The run is not left stuck: the next search reads the next answer.
        hostile.answerWith("<TR><TR>");
        QCOMPARE(harness.summaries(u"x"_s), QStringList({u"Hostile: 0 hits"_s, u"Next: 0 hits"_s}));
    }

    void survivesABrokenSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::newRow("binary junk") << QByteArray("\x00\xFF\xFE[[[\x01=\n=\n\x80", 13) << QString();
        QTest::newRow("unclosed section and quote") << "[Site1\n[Site1]\nName=\"open"_ba << u"open"_s;
        QTest::newRow("100 KB value") << "[Site1]\nName=" + QByteArray(100 * 1024, 'n') << QString(100 * 1024, u'n');
    }

    void survivesABrokenSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        TemporarySettings settings;
        QFile file(settings.fileName());
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly) &&
                file.write(content) == content.size() && file.flush());

        QCOMPARE(settings.store.read(1, SiteStore::Key::Name), name);
        settings.store.write({{2, SiteStore::Key::Pass, QString(100 * 1024, u'p')}});
        QCOMPARE(settings.store.read(2, SiteStore::Key::Pass).size(), 100 * 1024);
        QCOMPARE(QFileInfo(file).permissions(),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
};

QTEST_MAIN(TestHostileSites)
#include "tst_hostile_sites.moc"
