#include "program_window.h"

#include <QApplication>
#include <QIcon>
#include <QWindow>

#include "window_style.h"

using namespace Qt::StringLiterals;

ProgramWindow::ProgramWindow()
    : m_transfer({}, QCoreApplication::applicationDirPath() + u"/" TUNEDROP_NETWORK_MODULE_NAME ""_s)
{
    // Ties the window to tunedrop.desktop on Wayland, which reads it when the window is first shown.
    QGuiApplication::setDesktopFileName(u"tunedrop"_s);
    // A line edit lays out its empty text in the application's font while it is made, before it takes the window's,
    // which loaded a second font face before the first frame. The application's font is set back at once, so that
    // tooltips and menus keep theirs.
    const QFont applicationFont = QApplication::font();
    QApplication::setFont(windowFont());
    m_window.emplace(m_store, m_transfer, m_events, m_messageBoxes);
    QApplication::setFont(applicationFont);
    connect(&*m_window, &MainWindow::unexpectedFailure, this, [] { QCoreApplication::exit(1); });
}

ProgramWindow::~ProgramWindow() = default;

void ProgramWindow::show()
{
    m_window->show();
    m_window->windowHandle()->installEventFilter(this);
}

bool ProgramWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The expose event paints and flushes the first frame once this returns; the icon is set just after it.
    if (event->type() == QEvent::Expose && m_window->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &ProgramWindow::setIcon, Qt::QueuedConnection);
    }
    return false;
}

void ProgramWindow::setIcon()
{
    // The installed theme icon when there is one, else the copy built in. Set for the application, so that every
    // window, the message boxes and Options among them, carries it.
    QApplication::setWindowIcon(QIcon::fromTheme(u"tunedrop"_s, QIcon(u":/tunedrop.svg"_s)));
}
