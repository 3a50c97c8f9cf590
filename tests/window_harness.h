#pragma once

#include <chrono>

#include <QTemporaryDir>

#include "fake_message_boxes.h"
#include "frm_main.h"
#include "qt_event_delivery.h"
#include "qt_settings_backing.h"
#include "qt_transfer_component.h"
#include "recording_transfer.h"
#include "site_store.h"

class QLineEdit;
class QPushButton;

// The per-user settings store pointed at a fresh temporary folder for as long as this lives.
class TemporarySettings
{
public:
    TemporarySettings();

    QString fileName() const;
    QString folder() const { return m_dir.path(); }
    void setSite(int site, const QString& name, const QString& address, const QString& path = QStringLiteral("/mp3/"),
                 const QString& user = {}, const QString& password = {});

    QtSettingsBacking backing;
    SiteStore store{backing};

private:
    QTemporaryDir m_dir;
};

// The real main window with the real transfer component and event delivery; only the message boxes are scripted.
class MainWindowHarness
{
public:
    explicit MainWindowHarness(std::chrono::milliseconds timeout = std::chrono::seconds(60),
                               qsizetype bodyLimit = QtTransferComponent::defaultBodyLimit);

    // Types the keywords into the keyword box and clicks Search; returns when the run has ended.
    void search(const QString& keywords);
    QString pane() const;
    QLineEdit* keywordBox() const;
    QPushButton* button(const char* name) const;

    TemporarySettings settings;
    QtTransferComponent realTransfer;
    RecordingTransfer transfer{realTransfer};
    QtEventDelivery events;
    FakeMessageBoxes boxes;
    frmMain window;
};
