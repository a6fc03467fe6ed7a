#include "platform/dnssd_choice.h"

#include <QLoggingCategory>

#include <utility>

// Defined here, at the bottom of its users: the engines log to it as well as discovery.
Q_LOGGING_CATEGORY(lcDiscovery, "dormo.discovery", QtWarningMsg)

namespace platform {

CChosenDnsSd::CChosenDnsSd(std::function<QString()> preference)
    : m_preference(std::move(preference)) {}

CChosenDnsSd::~CChosenDnsSd() {
    Close();
}

bool CChosenDnsSd::Start() {
    if (m_active) return true;
    m_active = StartChosen();
    return m_active != nullptr;
}

CDnsSdEngine* CChosenDnsSd::StartChosen() {
    const QString preference = m_preference ? m_preference().trimmed().toLower() : QString();
    if (preference == QLatin1String("daemon")) {
        if (!m_daemon.Start()) return nullptr;
        if (m_daemon.Connected())
            qCInfo(lcDiscovery, "mDNS engine: avahi-daemon (MdnsEngine is \"daemon\")");
        else
            qCWarning(lcDiscovery,
                      "mDNS engine: avahi-daemon (MdnsEngine is \"daemon\"), which does not "
                      "answer on the system bus; computers are listed once it does");
        return &m_daemon;
    }
    if (preference == QLatin1String("embedded")) {
        qCInfo(lcDiscovery, "mDNS engine: embedded (MdnsEngine is \"embedded\")");
        return m_embedded.Start() ? &m_embedded : nullptr;
    }
    if (!preference.isEmpty())
        qCWarning(lcDiscovery, "MdnsEngine \"%s\" is neither \"daemon\" nor \"embedded\"; ignored",
                  qPrintable(preference));
    if (m_daemon.StartIfAnswering()) {
        qCInfo(lcDiscovery, "mDNS engine: avahi-daemon (it answers on the system bus)");
        return &m_daemon;
    }
    qCInfo(lcDiscovery, "mDNS engine: embedded (no avahi-daemon on the system bus)");
    return m_embedded.Start() ? &m_embedded : nullptr;
}

void CChosenDnsSd::Close() {
    if (CDnsSdEngine* engine = m_active.exchange(nullptr)) engine->Close();
}

bool CChosenDnsSd::IsRunning() const {
    const CDnsSdEngine* engine = m_active;
    return engine && engine->IsRunning();
}

size_t CChosenDnsSd::LiveOperations() const {
    const CDnsSdEngine* engine = m_active;
    return engine ? engine->LiveOperations() : 0;
}

bool CChosenDnsSd::UsesDaemon() const {
    return m_active == &m_daemon;
}

DNSServiceErrorType CChosenDnsSd::DNSServiceBrowse(DNSServiceRef* ref, DNSServiceFlags flags,
                                                   uint32_t interfaceIndex, const char* regType,
                                                   const char* domain,
                                                   DNSServiceBrowseReply callback, void* context) {
    CDnsSdEngine* engine = m_active;
    if (!engine) return kDNSServiceErr_ServiceNotRunning;
    return engine->DNSServiceBrowse(ref, flags, interfaceIndex, regType, domain, callback, context);
}

DNSServiceErrorType CChosenDnsSd::DNSServiceResolve(DNSServiceRef* ref, DNSServiceFlags flags,
                                                    uint32_t interfaceIndex, const char* name,
                                                    const char* regType, const char* domain,
                                                    DNSServiceResolveReply callback,
                                                    void* context) {
    CDnsSdEngine* engine = m_active;
    if (!engine) return kDNSServiceErr_ServiceNotRunning;
    return engine->DNSServiceResolve(ref, flags, interfaceIndex, name, regType, domain, callback,
                                     context);
}

DNSServiceErrorType CChosenDnsSd::DNSServiceQueryRecord(
    DNSServiceRef* ref, DNSServiceFlags flags, uint32_t interfaceIndex, const char* fullName,
    uint16_t rrType, uint16_t rrClass, DNSServiceQueryRecordReply callback, void* context) {
    CDnsSdEngine* engine = m_active;
    if (!engine) return kDNSServiceErr_ServiceNotRunning;
    return engine->DNSServiceQueryRecord(ref, flags, interfaceIndex, fullName, rrType, rrClass,
                                         callback, context);
}

void CChosenDnsSd::DNSServiceRefDeallocate(DNSServiceRef ref) {
    if (CDnsSdEngine* engine = m_active) engine->DNSServiceRefDeallocate(ref);
}

}  // namespace platform
