#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace platform {

// One running copy per user: the first process listens on a local socket named after the
// window class, in a folder only this user can enter; a later one asks it to come forward and
// then ends. A socket that another user listens on is never obeyed.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(const QString& className, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True when this process is to run: it is the running copy, or no copy of this user's could
    // be asked. False when this user's running copy was found and asked to come forward: the
    // caller then ends without touching anything else.
    bool BecomePrimary();

    // Called in the running copy whenever a later copy asks it to come forward.
    void SetOnActivate(std::function<void()> onActivate) { m_onActivate = std::move(onActivate); }

    // The socket's path, empty when there is no private folder for it.
    QString SocketPath() const { return m_path; }

    // $XDG_RUNTIME_DIR when it is a folder of this user's that nobody else may enter; else
    // dormo-<uid> in the temporary folder, created with mode 0700 when missing and refused
    // (empty result) when it is not a real folder, not this user's or open to others.
    static QString PrivateFolder();

private:
    void OnNewConnection();

    QString m_path;
    QLocalServer* m_server = nullptr;
    std::function<void()> m_onActivate;
};

}  // namespace platform
