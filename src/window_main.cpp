#include <QApplication>

#include "program_window.h"

using namespace Qt::StringLiterals;

// The window program, which `tunedrop` replaces itself with when it is given no command.
int main(int argc, char* argv[])
{
    // Named as `tunedrop` whichever way it was started, since X11 takes the window's class from the name, and the
    // desktop entry names that class. The program's own path is found apart from it.
    char name[] = "tunedrop";
    if (argc > 0)
        argv[0] = name;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Tunedrop"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEDROP_VERSION));
    ProgramWindow window;
    window.show();
    return QApplication::exec();
}
