#include <QApplication>
#include <QCoreApplication>

#include "command_line.h"
#include "program_window.h"

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
    ProgramWindow window;
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    return argc > 1 ? runCommandLine(argc, argv) : runWindow(argc, argv);
}
