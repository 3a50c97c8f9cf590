#include <QApplication>
#include <QCoreApplication>
#include <QIcon>

#include "command_line.h"
#include "main_window.h"
#include "qt_event_delivery.h"
#include "qt_message_boxes.h"
#include "qt_settings_backing.h"
#include "network_module.h"
#include "site_store.h"

using namespace Qt::StringLiterals;

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(u"Tunedrop"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEDROP_VERSION));
}

// A QCoreApplication only: with arguments Tunedrop must run where there is no display at all.
int runCommandLine(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    nameApplication();
    CommandLine commandLine;
    return commandLine.run(QCoreApplication::arguments());
}

int runWindow(int argc, char* argv[])
{
    QApplication app(argc, argv);
    nameApplication();
    // The installed theme icon when there is one, else the copy built in; the desktop file name ties the window to
    // tunedrop.desktop on Wayland.
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
    QGuiApplication::setDesktopFileName(u"tunedrop"_s);

    QtSettingsBacking settings;
    SiteStore store(settings);
    NetworkModule transfer;
    QtEventDelivery events;
    QtMessageBoxes messageBoxes;

    MainWindow window(store, transfer, events, messageBoxes);
    QObject::connect(&window, &MainWindow::unexpectedFailure, &app, [] { QCoreApplication::exit(1); });
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    return argc > 1 ? runCommandLine(argc, argv) : runWindow(argc, argv);
}
