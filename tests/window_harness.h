#pragma once

#include <chrono>

#include "fake_message_boxes.h"
#include "main_window.h"
#include "qt_event_delivery.h"
#include "qt_transfer_component.h"
#include "temporary_settings.h"

class QLineEdit;
class QPushButton;

// The real main window over a settings file of its own, with the real transfer (or the one given) and event
// delivery; only the message boxes are scripted.
class MainWindowHarness
{
public:
    explicit MainWindowHarness(TransferComponent* transfer = nullptr,
                               std::chrono::milliseconds timeout = std::chrono::seconds(60));

    // Types the keywords into the keyword box and clicks Search; returns when the run has ended.
    void search(const QString& keywords);
    QString pane() const;
    QLineEdit* keywordBox() const;
    QPushButton* button(const char* name) const;

    TemporarySettings settings;
    QtTransferComponent realTransfer;
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    MainWindow window;
};
