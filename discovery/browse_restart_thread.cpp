#include "discovery/browse_restart_thread.h"

#include "app/app.h"
#include "discovery/discovery.h"

#include <utility>

CBrowseRestartThread::CBrowseRestartThread(std::function<void()> cycle,
                                           std::chrono::milliseconds interval)
    : m_cycle(std::move(cycle)), m_interval(interval) {
    m_thread = std::thread(&CBrowseRestartThread::BrowseRestartThread, this);
}

CBrowseRestartThread::~CBrowseRestartThread() {
    Stop();
}

void CBrowseRestartThread::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CBrowseRestartThread::BrowseRestartThread() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, m_interval, [this] { return m_stop; })) {
        lock.unlock();
        m_cycle();
        lock.lock();
    }
}

void StartBrowseRestartThread(std::chrono::milliseconds interval) {
    if (!g_app.m_restartThread)
        g_app.m_restartThread = std::make_unique<CBrowseRestartThread>(RestartBrowse, interval);
}

void StopBrowseRestartThread() {
    g_app.m_restartThread.reset();
}
