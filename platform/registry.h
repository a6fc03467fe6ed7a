#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace platform {

// Value types, numbered as the settings were always numbered, so a stored file keeps its meaning.
enum RegType : uint32_t { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

// Result codes of registry operations.
enum RegResult : long {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_CANTWRITE = 1013,
};

class CRegistry;

// A handle to one key: opened (and created when missing) by CRegistry::CreateKey, closed by
// Close() or by its destructor. Handles never stay open across operations of the program.
class CRegKey {
public:
    CRegKey() = default;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey();

    bool IsOpen() const { return m_registry != nullptr; }

    // Sized read: with data null, only *size is filled. With a buffer smaller than the value,
    // nothing is copied, *size gets the needed size and the result is ERROR_MORE_DATA.
    long QueryValue(const QString& name, uint32_t* type, void* data, uint32_t* size) const;
    long SetValue(const QString& name, uint32_t type, const void* data, uint32_t size);
    long DeleteValue(const QString& name);
    // Deletes a direct subkey together with everything below it.
    long DeleteKey(const QString& subKey);
    // The name of the direct subkey at index (0 upwards, in stored order); ERROR_NO_MORE_ITEMS
    // past the last one.
    long EnumKey(uint32_t index, QString* name) const;
    long Close();

    // Conveniences over SetValue and QueryValue for the common types.
    long SetDword(const QString& name, uint32_t value);
    long SetString(const QString& name, const QString& text);  // stored with its NUL
    // Reads a value as a NUL-terminated UTF-16 text, whatever its type.
    bool QueryString(const QString& name, QString* text) const;

private:
    friend class CRegistry;
    CRegistry* m_registry = nullptr;
    QString m_path;
};

// The settings store: a tree of keys holding typed values, kept in one human-readable text file,
// replaced atomically on every change and readable by its owner only. Key and value names
// compare without regard to ASCII case.
class CRegistry {
public:
    explicit CRegistry(QString filePath);
    // $XDG_CONFIG_HOME/dormo/registry.txt, or ~/.config/dormo/registry.txt.
    static QString DefaultPath();

    const QString& FilePath() const { return m_filePath; }

    // Opens a key by its backslash-separated path, creating it and its parents when missing.
    long CreateKey(const QString& path, CRegKey* key);

    // The text form of the whole tree, and its reverse; Parse returns false on malformed text.
    QByteArray Serialise() const;
    bool Parse(const QByteArray& text);

private:
    friend class CRegKey;
    struct Value {
        QString name;
        uint32_t type = REG_NONE;
        QByteArray data;
    };
    struct Key {
        QString name;
        std::vector<Value> values;
        std::vector<std::unique_ptr<Key>> subKeys;
    };

    void Load();
    long Save();
    Key* Find(const QString& path, bool create);
    static void SerialiseKey(const Key& key, const QString& path, QByteArray* out);

    QString m_filePath;
    bool m_loaded = false;
    std::unique_ptr<Key> m_root;
};

}  // namespace platform
