// Soak benchmark (not a test): the dormo program beside many advertised computers for a long
// time, its resident memory sampled. Prints a line per sample (minutes, RSS in MiB, sightings
// logged since the last sample, distinct computers seen so far) and a summary: RSS after the
// first minute, at the middle and at the end, and the growth over the second half.
// Usage: bench_soak [MINUTES] [COMPUTERS] [SAMPLE_SECONDS]
#include "common/isolated_network.h"
#include "common/net_test.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

// Resident set size of a process in KiB, or -1 when it has gone.
long RssKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void Stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!IsolateNetwork()) {
        std::fprintf(stderr, "needs root: the benchmark makes network namespaces of its own\n");
        return 1;
    }
    QCoreApplication application(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30;
    const int computers = argc > 2 ? std::atoi(argv[2]) : 500;
    const int sampleSeconds = argc > 3 ? std::atoi(argv[3]) : 30;

    CNetnsPair pair(QStringLiteral("soak"));
    if (!pair.Ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(pair.Error()));
        return 1;
    }
    QProcess advertiser;
    advertiser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    pair.Start(advertiser, pair.NameA(), kDebianPython,
               {QStringLiteral(ADVERTISE_MANY), pair.AddressA(), QString::number(computers)});
    if (!advertiser.waitForReadyRead(600000) || !advertiser.readLine().startsWith("ready")) {
        std::fprintf(stderr, "the advertiser did not get ready\n");
        return 1;
    }
    std::printf("%d computers advertised in %.1f s\n", computers, clock.elapsed() / 1000.0);

    QTemporaryDir config, runtime;
    QProcess dormo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_LOGGING_RULES", "dormo.discovery.info=true");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    dormo.setProcessEnvironment(env);
    dormo.setProcessChannelMode(QProcess::MergedChannels);
    pair.Start(dormo, pair.NameB(), DORMO_BINARY, {});
    if (!dormo.waitForStarted()) {
        std::fprintf(stderr, "dormo did not start\n");
        return 1;
    }
    clock.restart();

    static const QRegularExpression sighting(QStringLiteral("sighting (\\S+) at"));
    std::set<QString> seen;
    std::vector<std::pair<double, long>> samples;
    long sightings = 0;
    std::printf("%8s %9s %10s %6s\n", "minutes", "RSS MiB", "sightings", "seen");
    while (clock.elapsed() < qint64(minutes * 60000) && dormo.state() == QProcess::Running) {
        const qint64 next = (qint64(samples.size()) + 1) * sampleSeconds * 1000;
        while (clock.elapsed() < next && dormo.state() == QProcess::Running) {
            dormo.waitForReadyRead(200);
            while (dormo.canReadLine()) {
                const auto match = sighting.match(QString::fromUtf8(dormo.readLine()));
                if (!match.hasMatch()) continue;
                ++sightings;
                seen.insert(match.captured(1));
            }
        }
        const long rss = RssKiB(dormo.processId());
        if (rss < 0) break;
        samples.push_back({clock.elapsed() / 60000.0, rss});
        std::printf("%8.1f %9.1f %10ld %6zu\n", samples.back().first, rss / 1024.0, sightings,
                    seen.size());
        std::fflush(stdout);
        sightings = 0;
    }
    const bool ran = dormo.state() == QProcess::Running;
    Stop(dormo);
    advertiser.closeWriteChannel();
    Stop(advertiser);
    if (!ran || samples.size() < 3) {
        std::printf("dormo ended early (exit code %d)\n", dormo.exitCode());
        return 1;
    }
    const auto at = [&](double minute) {
        for (const auto& [when, rss] : samples)
            if (when >= minute) return rss / 1024.0;
        return samples.back().second / 1024.0;
    };
    const double end = samples.back().first;
    std::printf(
        "RSS MiB: %.1f after 1 min, %.1f at %.1f min, %.1f at %.1f min; growth over the second "
        "half %.1f MiB; %zu of %d computers seen\n",
        at(1), at(end / 2), end / 2, at(end), end, at(end) - at(end / 2), seen.size(), computers);
    return 0;
}
