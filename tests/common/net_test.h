#pragma once

#include "common/eventually.h"
#include "common/isolated_network.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <functional>
#include <memory>
#include <utility>

// Debian's own interpreter, which has python3-zeroconf; another python3 may come first on PATH.
inline const QString kDebianPython = QStringLiteral("/usr/bin/python3");

// Runs `ip arguments`; true on success, its merged output in *output when asked.
bool Ip(const QStringList& arguments, QByteArray* output = nullptr);

// Two network namespaces joined by a veth pair, side A at 10.77.N.1/24, side B at 10.77.N.2/24,
// named after the area and process id so that concurrent tests never meet. Needs root.
class CNetnsPair {
public:
    explicit CNetnsPair(const QString& area);
    ~CNetnsPair();
    CNetnsPair(const CNetnsPair&) = delete;
    CNetnsPair& operator=(const CNetnsPair&) = delete;

    // False, with the failing command in Error(), when the pair could not be made.
    bool Ok() const { return m_ok; }
    QString Error() const { return m_error; }
    QString NameA() const { return m_name[0]; }
    QString NameB() const { return m_name[1]; }
    QString AddressA() const { return m_subnet + QStringLiteral(".1"); }
    QString AddressB() const { return m_subnet + QStringLiteral(".2"); }
    QString InterfaceA() const { return m_veth[0]; }
    QString InterfaceB() const { return m_veth[1]; }

    // Starts program inside namespace ns through "ip netns exec".
    void Start(QProcess& process, const QString& ns, const QString& program,
               const QStringList& arguments) const {
        process.start(QStringLiteral("ip"), QStringList{"netns", "exec", ns, program} + arguments);
    }

private:
    bool Run(const QStringList& arguments);

    QString m_name[2], m_veth[2], m_subnet, m_error;
    int m_created = 0;
    bool m_ok = false;
};

// Moves the calling thread into a namespace for the object's lifetime; threads it starts meanwhile
// (an engine's poll thread) stay there for good.
class CNetnsEnter {
public:
    explicit CNetnsEnter(const QString& ns);
    ~CNetnsEnter();
    CNetnsEnter(const CNetnsEnter&) = delete;
    CNetnsEnter& operator=(const CNetnsEnter&) = delete;

    bool Ok() const { return m_ok; }

private:
    int m_previous = -1;
    bool m_ok = false;
};

// The hardware address of the one non-loopback link inside a namespace, as `ip` shows it.
QString LinkMac(const QString& ns);

// A namespace pair whose side B the test thread enters: an engine the test starts runs there, its
// peer (python3-zeroconf, dormo-helper) on side A.
class NetTest : public ::testing::Test {
protected:
    explicit NetTest(QString area = QStringLiteral("disc")) : m_area(std::move(area)) {}

    void SetUp() override {
        if (!NetworkIsolated())
            GTEST_SKIP() << "needs root to create network namespaces; mDNS tests skipped";
        m_pair = std::make_unique<CNetnsPair>(m_area);
        ASSERT_TRUE(m_pair->Ok()) << m_pair->Error().toStdString();
        m_inside = std::make_unique<CNetnsEnter>(m_pair->NameB());
        ASSERT_TRUE(m_inside->Ok());
    }
    void TearDown() override {
        m_inside.reset();
        m_pair.reset();
    }

    QString m_area;
    std::unique_ptr<CNetnsPair> m_pair;
    std::unique_ptr<CNetnsEnter> m_inside;
};
