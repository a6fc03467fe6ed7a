#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

// Two network namespaces of the test's own, joined by a veth pair: side A at 10.77.N.1/24 and
// side B at 10.77.N.2/24, loopback up in both. Names carry the area and the process id, so tests
// running at the same time never meet. Everything is removed when the object goes. Needs root.
class CNetnsPair {
public:
    explicit CNetnsPair(const QString& area);
    ~CNetnsPair();
    CNetnsPair(const CNetnsPair&) = delete;
    CNetnsPair& operator=(const CNetnsPair&) = delete;

    // False, with the failing command in Error(), when the pair could not be made.
    bool Ok() const { return m_ok; }
    QString Error() const { return m_error; }

    QString NameA() const { return m_nameA; }
    QString NameB() const { return m_nameB; }
    QString AddressA() const { return m_subnet + QStringLiteral(".1"); }
    QString AddressB() const { return m_subnet + QStringLiteral(".2"); }
    // The veth ends in side A and side B.
    QString LinkA() const { return m_vethA; }
    QString LinkB() const { return m_vethB; }

    // Starts program inside a namespace (NameA() or NameB()) through "ip netns exec".
    void Start(QProcess& process, const QString& ns, const QString& program,
               const QStringList& arguments) const;

private:
    bool Run(const QStringList& arguments);

    QString m_nameA;
    QString m_nameB;
    QString m_subnet;
    QString m_vethA;
    QString m_vethB;
    bool m_createdA = false;
    bool m_createdB = false;
    bool m_ok = false;
    QString m_error;
};

// Moves the calling thread into a named namespace for the object's lifetime; threads it starts
// meanwhile (an engine's poll thread) stay there for good. Other threads are not moved.
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

// Debian's own interpreter, which has python3-zeroconf; another python3 may come first on PATH.
inline const QString kDebianPython = QStringLiteral("/usr/bin/python3");
