#include "window_harness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include "results_pane.h"

TemporarySettings::TemporarySettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

QString TemporarySettings::fileName() const
{
    return QtSettingsBacking::fileName(QStringLiteral("Tunedrop"));
}

void TemporarySettings::setSite(int site, const QString& name, const QString& address, const QString& path,
                                const QString& user, const QString& password)
{
    using Key = SiteStore::Key;
    store.write({{site, Key::Name, name},
                 {site, Key::Addr, address},
                 {site, Key::Path, path},
                 {site, Key::User, user},
                 {site, Key::Pass, password}});
}

MainWindowHarness::MainWindowHarness(std::chrono::milliseconds timeout, qsizetype bodyLimit)
    : realTransfer(timeout, bodyLimit), window(settings.store, transfer, events, boxes)
{
}

void MainWindowHarness::search(const QString& keywords)
{
    keywordBox()->setText(keywords);
    QTest::mouseClick(button("cmdSearch"), Qt::LeftButton);
}

QString MainWindowHarness::pane() const
{
    return window.findChild<ResultsPane*>(QStringLiteral("rtbResults"))->text();
}

QLineEdit* MainWindowHarness::keywordBox() const
{
    return window.findChild<QLineEdit*>(QStringLiteral("txtQuery"));
}

QPushButton* MainWindowHarness::button(const char* name) const
{
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
}
