#include "program_window.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

// The icon and the desktop file name come first, as every window the program opens takes them.
ProgramWindow::ProgramWindow()
{
    // The installed theme icon when there is one, else the copy built in; the desktop file name ties the window to
    // tunedrop.desktop on Wayland.
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
    QGuiApplication::setDesktopFileName(u"tunedrop"_s);
    connect(&m_window, &MainWindow::unexpectedFailure, this, [] { QCoreApplication::exit(1); });
}

ProgramWindow::~ProgramWindow() = default;
