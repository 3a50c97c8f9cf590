#include <QApplication>

#include "program_window.h"

using namespace Qt::StringLiterals;

// The window program, which `tunedrop` replaces itself with when it is given no command.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Tunedrop"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEDROP_VERSION));
    ProgramWindow window;
    window.show();
    return QApplication::exec();
}
