#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread, so that they end the program
// through its orderly shutdown instead of at once. The handlers only write the signal's number
// to a pipe; a socket notifier on the other end makes the call from the event loop. One instance
// at a time; the destructor puts the previous handlers back.
class CTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
    ~CTerminationSignals() override;
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // Whether the handlers are in place (the pipe could be made).
    bool IsWatching() const { return m_notifier != nullptr; }

private:
    void OnReadable();

    std::function<void(int)> m_onSignal;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace platform
