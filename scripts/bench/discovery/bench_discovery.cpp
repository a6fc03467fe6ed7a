// Discovery benchmark (not a test). Prints:
// - milliseconds from process start to the first computer row of the dormo program, with a
//   helper already advertising, median of 5 runs: on the embedded engine (no system bus), and on
//   a real avahi-daemon on a private bus with its cache cold (just started) and warm (dormo asked
//   it a moment before); beside python3-zeroconf's time from process start to the same service
//   resolved with its address;
// - the DNS-SD operations alive after 10 and after 100 restart cycles with 5 computers.
#include "app/app.h"
#include "common/avahi_daemon.h"
#include "common/isolated_network.h"
#include "common/net_test.h"
#include "common/zeroconf_advertiser.h"
#include "discovery/browse_restart_thread.h"
#include "discovery/computer_list_model.h"
#include "discovery/discovery.h"
#include "platform/dnssd_embedded.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr int kComputers = 5;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from starting the process to the first line of output containing marker, or
// -1 when it does not come.
double TimeToLine(const CNetnsPair& pair, const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& env, const QByteArray& marker) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    // A responder multicasts a record at most once a second, so every run starts with the
    // helper's last answer more than a second old.
    QThread::msleep(1500);
    QElapsedTimer clock;
    clock.start();
    pair.Start(process, pair.NameB(), program, arguments);
    double ms = -1;
    while (ms < 0 && clock.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(20);
        while (process.canReadLine())
            if (process.readLine().contains(marker)) ms = double(clock.nsecsElapsed()) / 1e6;
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
    return ms;
}

void FirstRow(const CNetnsPair& pair) {
    CZeroconfAdvertiser helper(pair, {"deskpc:deskpc:4660"});
    if (!helper.Ready()) {
        std::printf("advertiser failed: %s\n", qPrintable(helper.Log()));
        return;
    }
    std::vector<double> embedded, cold, warm, zeroconf;
    const auto dormo = [&pair] {
        // Settings of its own, without MdnsEngine: the engine is chosen automatically.
        QTemporaryDir config, runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "dormo.discovery.info=true");
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        return TimeToLine(pair, DORMO_BINARY, {}, env, "sighting deskpc");
    };
    for (int run = 0; run < kRuns; ++run) {
        embedded.push_back(dormo());
        zeroconf.push_back(TimeToLine(pair, kDebianPython, {ZEROCONF_RESOLVE, pair.AddressB()},
                                      QProcessEnvironment::systemEnvironment(), "resolved"));
        {
            CAvahiDaemon daemon(pair.NameB(), pair.InterfaceB(), QStringLiteral("handheld"));
            if (!daemon.Ok()) {
                std::printf("avahi-daemon failed: %s\n", qPrintable(daemon.Log()));
                return;
            }
            cold.push_back(dormo());
            warm.push_back(dormo());
        }
        std::printf(
            "run %d: embedded %.1f ms, avahi-daemon cold %.1f ms, warm %.1f ms, "
            "python3-zeroconf %.1f ms\n",
            run + 1, embedded.back(), cold.back(), warm.back(), zeroconf.back());
    }
    std::printf(
        "first computer row, median of %d: embedded %.1f ms, avahi-daemon cold %.1f ms, "
        "avahi-daemon warm %.1f ms, python3-zeroconf %.1f ms\n",
        kRuns, Median(embedded), Median(cold), Median(warm), Median(zeroconf));
}

void RestartCycles(const CNetnsPair& pair, std::chrono::milliseconds interval) {
    QStringList services;
    for (int i = 1; i <= kComputers; ++i)
        services << QStringLiteral("pc%1:pc%1:%2").arg(i).arg(4660 + i);
    CZeroconfAdvertiser helper(pair, services);
    if (!helper.Ready()) {
        std::printf("advertiser failed: %s\n", qPrintable(helper.Log()));
        return;
    }
    CNetnsEnter inside(pair.NameB());
    platform::CEmbeddedDnsSd engine;
    CComputerListModel rows;
    g_app.m_dnsSd = &engine;
    g_app.m_listModel = &rows;
    if (!inside.Ok() || !StartDiscovery()) {
        std::printf("discovery did not start\n");
        return;
    }
    QElapsedTimer waited;
    waited.start();
    while (rows.rowCount() < kComputers && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    std::atomic<int> cycles = 0;
    size_t after10 = 0, peak = 0;
    {
        CBrowseRestartThread restarts(
            [&] {
                RestartBrowse();
                if (++cycles == 10) after10 = engine.LiveOperations();
                peak = std::max(peak, engine.LiveOperations());
            },
            interval);
        while (cycles < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::printf(
        "%d computers listed; live DNS-SD operations after 10 cycles: %zu, after 100 "
        "cycles: %zu, most at a cycle's end: %zu (restart every %lld ms)\n",
        rows.rowCount(), after10, engine.LiveOperations(), peak,
        static_cast<long long>(interval.count()));
    CloseDiscovery();
    g_app.m_listModel = nullptr;
    g_app.m_computers.clear();
}

}  // namespace

int main(int argc, char** argv) {
    if (!IsolateNetwork()) {
        std::fprintf(stderr, "needs root: the benchmark makes network namespaces of its own\n");
        return 1;
    }
    // No system bus but the private one of a CAvahiDaemon.
    UseTestSystemBus();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int interval = argc > 1 ? std::atoi(argv[1]) : 100;
    CNetnsPair pair(QStringLiteral("bench"));
    if (!pair.Ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(pair.Error()));
        return 1;
    }
    FirstRow(pair);
    RestartCycles(pair, std::chrono::milliseconds(interval));
    return 0;
}
