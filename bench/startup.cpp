#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include "window_style.h"

#if defined(TUNEDROP_BENCH_REAL_WINDOW) || defined(TUNEDROP_BENCH_ICON)
#include <QIcon>
#endif
#ifdef TUNEDROP_BENCH_REAL_WINDOW
#include "main_window.h"
#include "qt_event_delivery.h"
#include "qt_message_boxes.h"
#include "qt_settings_backing.h"
#include "qt_transfer_component.h"
#include "site_store.h"
#endif
#ifdef TUNEDROP_BENCH_NETWORK
#include <QNetworkRequest>
#endif

using namespace Qt::StringLiterals;

// Prints the monotonic clock once the window is on screen; the caller knows when it started the process.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
#ifdef TUNEDROP_BENCH_REAL_WINDOW
    // What the program does before its window is shown, step for step.
    QApplication::setApplicationName(u"Tunedrop"_s);
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
    QGuiApplication::setDesktopFileName(u"tunedrop"_s);
    QtSettingsBacking settings;
    SiteStore store(settings);
    QtTransferComponent transfer;
    QtEventDelivery events;
    QtMessageBoxes messageBoxes;
    MainWindow window(store, transfer, events, messageBoxes);
#else
    // One label in the main window's font: the least any window with text pays, font set-up included.
    QWidget window;
    window.setFont(windowFont());
    QLabel label(u"Keywords"_s, &window);
#ifdef TUNEDROP_BENCH_NETWORK
    // Makes the program load QtNetwork, as the real one does because it links it, without building a manager,
    // which the real one leaves to its first search.
    const QNetworkRequest request;
#endif
#ifdef TUNEDROP_BENCH_ICON
    // The program's icon, set as the program sets it.
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
#endif
#endif
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return 0;
}
