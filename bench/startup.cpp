#include <chrono>
#include <cstdio>

#include <optional>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>

#ifdef TUNEDROP_BENCH_REAL_WINDOW
#include "main_window.h"
#include "qt_event_delivery.h"
#include "qt_message_boxes.h"
#include "qt_settings_backing.h"
#include "qt_transfer_component.h"
#include "site_store.h"
#endif
#ifdef TUNEDROP_BENCH_NETWORK
#include <QNetworkAccessManager>
#endif

// Prints the monotonic clock once the window is on screen; the caller knows when it started the process.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
#ifdef TUNEDROP_BENCH_REAL_WINDOW
    QApplication::setApplicationName(QStringLiteral("Tunedrop"));
    QtSettingsBacking settings;
    SiteStore store(settings);
    QtTransferComponent transfer;
    QtEventDelivery events;
    QtMessageBoxes messageBoxes;
    MainWindow window(store, transfer, events, messageBoxes);
#else
    QWidget window;
    // With an argument the window holds one label, which shows what drawing any text costs on its own.
    std::optional<QLabel> label;
    if (argc > 1)
        label.emplace(QStringLiteral("Keywords"), &window);
#ifdef TUNEDROP_BENCH_NETWORK
    // The main window's transfer component holds one; this shows what loading and setting up QtNetwork costs.
    QNetworkAccessManager manager;
#endif
#endif
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return 0;
}
