#pragma once

#include "app/app.h"
#include "platform/registry.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

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
    // The bytes of a value of the product key as the next start reads them; none when missing.
    std::optional<QByteArray> Saved(const QString& name) const {
        auto registry = Reopen();
        platform::CRegKey key;
        registry->CreateKey(kProductKey, &key);
        uint32_t size = 0;
        if (key.QueryValue(name, nullptr, nullptr, &size) != platform::ERROR_SUCCESS) return {};
        QByteArray data(size, '\0');
        key.QueryValue(name, nullptr, data.data(), &size);
        return data;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<platform::CRegistry> m_registry;
    platform::CRegistry* m_previous = nullptr;
};

// A DWORD's bytes as the settings file keeps them.
inline QByteArray DwordBytes(uint32_t value) {
    return QByteArray(reinterpret_cast<const char*>(&value), 4);
}
