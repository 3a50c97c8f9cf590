#include <QCoreApplication>

#include "command_line.h"
#include "window_start.h"

using namespace Qt::StringLiterals;

// The command line, with Qt Core alone: it must run where there is no display at all, and load nothing a window
// needs. Without a command it becomes the window program in the same process.
int main(int argc, char* argv[])
{
    if (asksForWindow(argc, argv))
        return becomeWindow(argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Tunedrop"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(TUNEDROP_VERSION));
    CommandLine commandLine;
    return commandLine.run(QCoreApplication::arguments());
}
