#pragma once

#include "app/app.h"
#include "platform/registry.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private settings folder for one test: XDG_CONFIG_HOME points into it, and g_app uses a
// registry file there for as long as the object lives.
class CTempConfig {
public:
    CTempConfig() {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        m_registry = std::make_unique<platform::CRegistry>(platform::CRegistry::DefaultPath());
        m_previous = g_app.m_registry;
        g_app.m_registry = m_registry.get();
    }
    ~CTempConfig() { g_app.m_registry = m_previous; }

    QString Path() const { return m_dir.path(); }
    platform::CRegistry& Registry() { return *m_registry; }
    // A fresh registry object over the same file, as the next start of the program would see it.
    std::unique_ptr<platform::CRegistry> Reopen() const {
        return std::make_unique<platform::CRegistry>(m_registry->FilePath());
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<platform::CRegistry> m_registry;
    platform::CRegistry* m_previous = nullptr;
};
