#pragma once

#include <optional>

#include <QObject>

#include "main_window.h"
#include "network_module.h"
#include "qt_event_delivery.h"
#include "qt_message_boxes.h"
#include "qt_settings_backing.h"
#include "site_store.h"
#include "translations.h"

// The main window as the program runs it: over the user's settings file, with the network module loaded at the
// first search, the event loop and real message boxes, the program's icon and its desktop file name. An unexpected
// failure ends the event loop with status 1.
class ProgramWindow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgramWindow)

public:
    ProgramWindow();
    ~ProgramWindow() override;

    // The icon follows the window's first frame. It takes the SVG icon engine and Qt SVG, which nothing else
    // before the first search needs, and on X11 a rendering at four sizes for the window manager; set before the
    // window, it held back the first frame by about a millisecond offscreen and five on X11.
    void show();
    MainWindow& window() { return *m_window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setIcon();

    // First, so that every text the window sets is translated.
    Translations m_translations;
    QtSettingsBacking m_settings;
    SiteStore m_store{m_settings};
    // The module lies beside the window program.
    NetworkModule m_transfer;
    QtEventDelivery m_events;
    QtMessageBoxes m_messageBoxes;
    // Built in the constructor, in the window's font; see there.
    std::optional<MainWindow> m_window;
};
