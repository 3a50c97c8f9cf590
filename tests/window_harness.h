#pragma once

#include <stdexcept>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "fake_message_boxes.h"
#include "main_window.h"
#include "qt_event_delivery.h"
#include "qt_transfer_component.h"
#include "temporary_settings.h"

// The real main window over a settings file of its own (or the store given), with the real transfer (or the one
// given) and event delivery; only the message boxes are scripted.
struct MainWindowHarness
{
    explicit MainWindowHarness(TransferComponent* transfer = nullptr, SiteStore* store = nullptr)
        : window(store ? *store : settings.store, transfer ? *transfer : realTransfer, events, boxes)
    {
    }
    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(QString::fromLatin1(name)); }
    // Types the keywords into the keyword box and clicks Search; returns when the run has ended.
    void search(const QString& keywords)
    {
        window.findChild<QLineEdit*>(QStringLiteral("txtQuery"))->setText(keywords);
        button("cmdSearch")->click();
    }

    TemporarySettings settings;
    QtTransferComponent realTransfer;
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    MainWindow window;
};

// A settings store that fails at every read and every write, as a damaged file or a full disk would.
struct BrokenSettings final : SettingsBacking
{
    QString read(const QString&, const QString&, const QString&) const override { throw std::runtime_error("damaged"); }
    void write(const QString&, const QList<SettingsEntry>&) override { throw std::runtime_error("disk full"); }

    SiteStore store{*this};
};

// Runs `open`, which shows a modal window and returns once that is closed. When the window is up and active,
// `interact` runs on it; then it is closed, also after a failed check. Returns whether the window came up.
inline bool whileModal(const std::function<void()>& open, const std::function<void(QWidget*)>& interact)
{
    bool up = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if ((up = modal && QTest::qWaitForWindowActive(modal)))
            interact(modal);
        if (modal)
            modal->close();
    });
    open();
    return up;
}
