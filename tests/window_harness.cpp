#include "window_harness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "results_pane.h"

MainWindowHarness::MainWindowHarness(TransferComponent* transfer, std::chrono::milliseconds timeout)
    : realTransfer(timeout), window(settings.store, transfer ? *transfer : realTransfer, events, boxes)
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
