#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <httplib.h>

#include "loopback_site.h"
#include "window_harness.h"

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype testLimit = qsizetype(1) << 20;

// Streams `part` again and again until the client goes away (or far past any limit).
httplib::ContentProviderWithoutLength endless(std::string part)
{
    return [part, sent = size_t(0)](size_t, httplib::DataSink& sink) mutable {
        sent += part.size();
        return sent < (size_t(256) << 20) && sink.write(part.data(), part.size());
    };
}

} // namespace

class TestHostileSites : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_harness.reset(); }

    void stopsReadingAnEndlessBody();
    void readsWhatArrivedFromABrokenSite_data();
    void readsWhatArrivedFromABrokenSite();
    void survivesABrokenSettingsFile_data();
    void survivesABrokenSettingsFile();

private:
    std::unique_ptr<MainWindowHarness> m_harness;
    std::unique_ptr<LoopbackSite> m_site;
};

void TestHostileSites::init()
{
    m_harness = std::make_unique<MainWindowHarness>(std::chrono::seconds(60), testLimit);
    m_site = std::make_unique<LoopbackSite>();
    m_harness->settings.setSite(1, u"Hostile"_s, m_site->address());
}

void TestHostileSites::stopsReadingAnEndlessBody()
{
    m_site->setHandler([](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/html", endless(std::string(64 * 1024, 'x')));
    });

    m_harness->search(u"x"_s);

    // A reported failure: the run ends at the site, and the next Search still works.
    QCOMPARE(m_harness->window.site(), qint16(1));
    QCOMPARE(m_harness->window.page(), QString());
    m_site->answerWith("small");
    m_harness->search(u"x"_s);
    QCOMPARE(m_harness->window.page(), u"small"_s);
}

void TestHostileSites::readsWhatArrivedFromABrokenSite_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("page");
    QTest::newRow("connection reset mid-body") << QByteArray("reset") << u"<HTML>half"_s;
    QTest::newRow("redirect loop") << QByteArray("loop") << QString();
    QTest::newRow("invalid utf-8 and NUL bytes") << QByteArray("bytes") << u"a\0b\u00FF"_s;
    QTest::newRow("control characters and markup in a hit")
        << QByteArray("hit")
        << u"<TR><TR><TD>ID=\x01\"><TD>000000><script>\x1b[2J<BR><TD>000000>&lt;<BR><TD>000000>"
           "\x7f<BR>"_s;
}

void TestHostileSites::readsWhatArrivedFromABrokenSite()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, page);
    const std::string text = page.toStdString();
    m_site->setHandler([&, kind](const httplib::Request&, httplib::Response& response) {
        if (kind == "loop")
            return response.set_redirect("/mp3/search.asp", 307);
        if (kind == "bytes")
            return response.set_content(std::string("a\0b\xFF", 4), "text/html");
        if (kind == "hit")
            return response.set_content(text, "text/html; charset=utf-8");
        // Promises more than it sends, then cuts the connection.
        response.set_content_provider(text.size() + 1000, "text/html",
                                      [text](size_t offset, size_t, httplib::DataSink& sink) {
                                          return offset == 0 && sink.write(text.data(), text.size());
                                      });
    });

    m_harness->search(u"x"_s);

    // Nothing reported: the run went past the site, with what arrived as the page.
    QCOMPARE(m_harness->window.site(), qint16(2));
    QCOMPARE(m_harness->window.page(), page);
    if (kind == "hit") {
        QCOMPARE(m_harness->boxes.promptTexts(), QStringList{u"\x01\t<script>\x1b[2J\t&lt;\t\x7f"_s});
        QVERIFY(m_harness->pane().endsWith(u"\x7f\r\n"_s));
    }
}

void TestHostileSites::survivesABrokenSettingsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("binary junk") << QByteArray("\x00\xFF\xFE[[[\x01=\n=\n\x80", 13) << QString();
    QTest::newRow("unclosed section and quote") << QByteArray("[Site1\n[Site1]\nName=\"open") << u"open"_s;
    QTest::newRow("100 KB value") << "[Site1]\nName=" + QByteArray(100 * 1024, 'n') + '\n' << QString(100 * 1024, u'n');
}

void TestHostileSites::survivesABrokenSettingsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    m_harness.reset();
    TemporarySettings settings;
    QFile file(settings.fileName());
    QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    QCOMPARE(settings.store.read(1, SiteStore::Key::Name), name);
    settings.store.write({{2, SiteStore::Key::Pass, QString(100 * 1024, u'p')}});
    QCOMPARE(settings.store.read(2, SiteStore::Key::Pass).size(), 100 * 1024);
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFileInfo(settings.fileName()).permissions() & others, QFileDevice::Permissions());
}

QTEST_MAIN(TestHostileSites)
#include "tst_hostile_sites.moc"
