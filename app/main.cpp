#include "app/command_line.h"
#include "app/command_line_run.h"
#include "app/start_up.h"

#include <QApplication>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // The command line needs no display, so it runs before any GUI exists.
    const CCommandLine line = ParseCommandLine(arguments);
    if (line.action != CliAction::Gui) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Dormo"));
        return RunCommandLine(line);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dormo"));
    QApplication::setQuitOnLastWindowClosed(false);
    return RunDormo();
}
