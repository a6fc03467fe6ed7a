#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace platform {

// One running copy per user: the first process listens on a local socket named after the
// window class and the user; a later one asks it to come forward and then ends.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(const QString& className, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this process is the running copy. False when another copy was found and asked
    // to come forward: the caller then ends without touching anything else.
    bool BecomePrimary();

    // Called in the running copy whenever a later copy asks it to come forward.
    void SetOnActivate(std::function<void()> onActivate) { m_onActivate = std::move(onActivate); }

    // The socket's path: under $XDG_RUNTIME_DIR when set, else the temporary folder.
    QString SocketPath() const { return m_path; }

private:
    void OnNewConnection();

    QString m_path;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onActivate;
};

}  // namespace platform
