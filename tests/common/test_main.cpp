#include "common/avahi_daemon.h"
#include "common/isolated_network.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <csignal>
#include <cstdio>

// Offscreen unless the caller chose another platform; DORMO_TEST_ISOLATED_NETWORK programs run in
// a network namespace of their own.
int main(int argc, char** argv) {
    UseTestSystemBus();
#ifdef DORMO_TEST_ISOLATED_NETWORK
    if (!IsolateNetwork())
        std::fprintf(stderr,
                     "note: no private network namespace (needs root); the tests that "
                     "start the program or its network engine are skipped\n");
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::signal(SIGPIPE, SIG_IGN);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
