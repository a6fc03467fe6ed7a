#pragma once

#include "common/isolated_network.h"
#include "common/netns.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <utility>

// A namespace pair whose side B the test thread enters, so that an engine started by the test
// runs there while a peer (python3-zeroconf, dormo-helper) runs on side A.
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

    // Runs the event loop until done() holds or a generous limit passes; says which.
    static bool WaitUntil(const std::function<bool()>& done, int limitMs = 20000) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > limitMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return true;
    }

    QString m_area;
    std::unique_ptr<CNetnsPair> m_pair;
    std::unique_ptr<CNetnsEnter> m_inside;
};
