#include "app/start_up.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dormo"));
    QApplication::setQuitOnLastWindowClosed(false);
    return RunDormo();
}
