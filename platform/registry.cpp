#include "platform/registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

bool SameName(const QString& a, const QString& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') x += 32;
        if (y >= u'A' && y <= u'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

// Quoted text: backslash and quote escaped, and every code unit that would not survive as
// printable UTF-8 (controls, DEL, unpaired surrogates) written as \uXXXX.
void AppendQuoted(const QString& text, QByteArray* out) {
    out->append('"');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool high = QChar::isHighSurrogate(c);
        const bool pairOk = high && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode());
        if (c == u'\\' || c == u'"') {
            out->append('\\').append(char(c));
        } else if (c < 0x20 || c == 0x7F || (high && !pairOk) || QChar::isLowSurrogate(c)) {
            out->append(QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0')).toLatin1());
        } else if (pairOk) {
            out->append(text.mid(i, 2).toUtf8());
            ++i;
        } else {
            out->append(QString(QChar(c)).toUtf8());
        }
    }
    out->append('"');
}

// Reads a quoted text starting at line[*pos] == '"'; leaves *pos after the closing quote.
bool ReadQuoted(const QByteArray& line, qsizetype* pos, QString* text) {
    if (*pos >= line.size() || line[*pos] != '"') return false;
    QByteArray utf8;
    QString result;
    auto flush = [&] {
        result += QString::fromUtf8(utf8);
        utf8.clear();
    };
    for (qsizetype i = *pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            flush();
            *text = result;
            *pos = i + 1;
            return true;
        }
        if (c != '\\') {
            utf8.append(c);
            continue;
        }
        if (++i >= line.size()) return false;
        const char e = line[i];
        if (e == '\\' || e == '"') {
            utf8.append(e);
        } else if (e == 'u' && i + 4 < line.size()) {
            bool ok = false;
            const uint unit = line.mid(i + 1, 4).toUInt(&ok, 16);
            if (!ok) return false;
            flush();
            result += QChar(char16_t(unit));
            i += 4;
        } else {
            return false;
        }
    }
    return false;
}

bool IsPlainString(const QByteArray& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    const auto* units = reinterpret_cast<const char16_t*>(data.constData());
    const qsizetype n = data.size() / 2;
    if (units[n - 1] != 0) return false;
    for (qsizetype i = 0; i + 1 < n; ++i)
        if (units[i] == 0) return false;
    return true;
}

QByteArray StringData(const QString& text) {
    QByteArray data(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    data.append(2, '\0');
    return data;
}

}  // namespace

CRegKey::~CRegKey() { Close(); }

long CRegKey::Close() {
    m_registry = nullptr;
    m_path.clear();
    return ERROR_SUCCESS;
}

long CRegKey::QueryValue(const QString& name, uint32_t* type, void* data, uint32_t* size) const {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    const CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    for (const auto& v : key->values) {
        if (!SameName(v.name, name)) continue;
        if (type) *type = v.type;
        const auto needed = uint32_t(v.data.size());
        if (data) {
            if (!size || *size < needed) {
                if (size) *size = needed;
                return ERROR_MORE_DATA;
            }
            std::memcpy(data, v.data.constData(), needed);
        }
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

long CRegKey::SetValue(const QString& name, uint32_t type, const void* data, uint32_t size) {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    CRegistry::Key* key = m_registry->Find(m_path, true);
    QByteArray bytes(static_cast<const char*>(data), qsizetype(size));
    auto it = std::find_if(key->values.begin(), key->values.end(),
                           [&](const CRegistry::Value& v) { return SameName(v.name, name); });
    if (it == key->values.end()) {
        key->values.push_back({name, type, bytes});
    } else {
        it->type = type;
        it->data = bytes;
    }
    return m_registry->Save();
}

long CRegKey::DeleteValue(const QString& name) {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    const auto before = key->values.size();
    std::erase_if(key->values, [&](const CRegistry::Value& v) { return SameName(v.name, name); });
    if (key->values.size() == before) return ERROR_FILE_NOT_FOUND;
    return m_registry->Save();
}

long CRegKey::DeleteKey(const QString& subKey) {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    const auto before = key->subKeys.size();
    std::erase_if(key->subKeys, [&](const auto& k) { return SameName(k->name, subKey); });
    if (key->subKeys.size() == before) return ERROR_FILE_NOT_FOUND;
    return m_registry->Save();
}

long CRegKey::EnumKey(uint32_t index, QString* name) const {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    const CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (index >= key->subKeys.size()) return ERROR_NO_MORE_ITEMS;
    *name = key->subKeys[index]->name;
    return ERROR_SUCCESS;
}

long CRegKey::SetDword(const QString& name, uint32_t value) {
    const uint8_t le[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                           uint8_t(value >> 24)};
    return SetValue(name, REG_DWORD, le, 4);
}

long CRegKey::SetString(const QString& name, const QString& text) {
    const QByteArray data = StringData(text);
    return SetValue(name, REG_SZ, data.constData(), uint32_t(data.size()));
}

bool CRegKey::QueryString(const QString& name, QString* text) const {
    uint32_t size = 0;
    if (QueryValue(name, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    QByteArray data(qsizetype(size) + 2, '\0');
    if (QueryValue(name, nullptr, data.data(), &size) != ERROR_SUCCESS) return false;
    const auto* units = reinterpret_cast<const char16_t*>(data.constData());
    qsizetype n = 0;
    while (n < qsizetype(size / 2) && units[n] != 0) ++n;
    *text = QString(reinterpret_cast<const QChar*>(units), n);
    return true;
}

CRegistry::CRegistry(QString filePath) : m_filePath(std::move(filePath)) {}

QString CRegistry::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/dormo/registry.txt");
}

long CRegistry::CreateKey(const QString& path, CRegKey* key) {
    key->Close();
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& part : parts)
        if (part.contains(u']') || std::any_of(part.begin(), part.end(),
                                                [](QChar c) { return c.unicode() < 0x20; }))
            return ERROR_INVALID_PARAMETER;
    Load();
    if (!Find(path, false)) {
        Find(path, true);
        if (const long rc = Save(); rc != ERROR_SUCCESS) return rc;
    }
    key->m_registry = this;
    key->m_path = parts.join(u'\\');
    return ERROR_SUCCESS;
}

CRegistry::Key* CRegistry::Find(const QString& path, bool create) {
    if (!m_root) m_root = std::make_unique<Key>();
    Key* key = m_root.get();
    for (const QString& part : path.split(u'\\', Qt::SkipEmptyParts)) {
        auto it = std::find_if(key->subKeys.begin(), key->subKeys.end(),
                               [&](const auto& k) { return SameName(k->name, part); });
        if (it != key->subKeys.end()) {
            key = it->get();
            continue;
        }
        if (!create) return nullptr;
        key->subKeys.push_back(std::make_unique<Key>());
        key->subKeys.back()->name = part;
        key = key->subKeys.back().get();
    }
    return key;
}

void CRegistry::Load() {
    if (m_loaded) return;
    m_loaded = true;
    m_root = std::make_unique<Key>();
    QFile file(m_filePath);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "dormo: cannot read the settings file %s; starting with defaults\n",
                     qPrintable(m_filePath));
        return;
    }
    const QByteArray text = file.readAll();
    file.close();
    if (Parse(text)) return;
    // Keep what the user had under a new name rather than overwrite it with defaults.
    const QString base = m_filePath + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = base;
    for (int n = 1; QFileInfo::exists(aside); ++n) aside = base + u'~' + QString::number(n);
    const bool moved = QFile::rename(m_filePath, aside);
    std::fprintf(stderr, "dormo: the settings file %s could not be read; %s; starting with defaults\n",
                 qPrintable(m_filePath),
                 moved ? qPrintable(QStringLiteral("it was moved to ") + aside)
                       : "it could not be moved aside");
    m_root = std::make_unique<Key>();
}

long CRegistry::Save() {
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) return ERROR_CANTWRITE;
    // The file holds password hashes: its owner alone may read it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(Serialise());
    return file.commit() ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

QByteArray CRegistry::Serialise() const {
    QByteArray out = "; Dormo settings, written by the program.\n";
    if (m_root)
        for (const auto& k : m_root->subKeys) SerialiseKey(*k, QString(), &out);
    return out;
}

void CRegistry::SerialiseKey(const Key& key, const QString& parent, QByteArray* out) {
    const QString path = parent.isEmpty() ? key.name : parent + u'\\' + key.name;
    out->append('\n').append('[').append(path.toUtf8()).append("]\n");
    for (const Value& v : key.values) {
        AppendQuoted(v.name, out);
        out->append('=');
        if (v.type == REG_DWORD && v.data.size() == 4) {
            uint32_t d = 0;
            for (int i = 3; i >= 0; --i) d = (d << 8) | uint8_t(v.data[i]);
            out->append(QStringLiteral("dword:%1").arg(d, 8, 16, QLatin1Char('0')).toLatin1());
        } else if (v.type == REG_SZ && IsPlainString(v.data)) {
            out->append("sz:");
            AppendQuoted(QString(reinterpret_cast<const QChar*>(v.data.constData()),
                                 v.data.size() / 2 - 1),
                         out);
        } else {
            out->append(QStringLiteral("hex(%1):").arg(v.type).toLatin1());
            out->append(v.data.toHex(','));
        }
        out->append('\n');
    }
    for (const auto& k : key.subKeys) SerialiseKey(*k, path, out);
}

bool CRegistry::Parse(const QByteArray& text) {
    auto root = std::make_unique<Key>();
    std::swap(root, m_root);
    Key* current = nullptr;
    bool ok = true;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']') || line.size() < 3) { ok = false; break; }
            current = Find(QString::fromUtf8(line.mid(1, line.size() - 2)), true);
            continue;
        }
        Value v;
        qsizetype pos = 0;
        if (!current || !ReadQuoted(line, &pos, &v.name) || pos >= line.size() || line[pos] != '=') {
            ok = false;
            break;
        }
        const QByteArray rest = line.mid(pos + 1);
        if (rest.startsWith("dword:") && rest.size() == 14) {
            bool hexOk = false;
            const uint32_t d = rest.mid(6).toUInt(&hexOk, 16);
            if (!hexOk) { ok = false; break; }
            v.type = REG_DWORD;
            v.data = QByteArray(4, '\0');
            for (int i = 0; i < 4; ++i) v.data[i] = char(d >> (8 * i));
        } else if (rest.startsWith("sz:")) {
            QString s;
            qsizetype p = 3;
            if (!ReadQuoted(rest, &p, &s) || p != rest.size()) { ok = false; break; }
            v.type = REG_SZ;
            v.data = StringData(s);
        } else if (rest.startsWith("hex(")) {
            const qsizetype close = rest.indexOf("):");
            bool typeOk = false;
            v.type = close > 4 ? rest.mid(4, close - 4).toUInt(&typeOk) : 0;
            const QByteArray hex = rest.mid(close + 2);
            const QByteArray compact = QByteArray(hex).replace(',', "");
            if (!typeOk || compact.size() % 2 != 0 ||
                !std::all_of(compact.begin(), compact.end(), [](char c) { return std::isxdigit(uchar(c)); })) {
                ok = false;
                break;
            }
            v.data = QByteArray::fromHex(compact);
        } else {
            ok = false;
            break;
        }
        auto& values = current->values;
        std::erase_if(values, [&](const Value& o) { return SameName(o.name, v.name); });
        values.push_back(std::move(v));
    }
    if (!ok) std::swap(root, m_root);
    return ok;
}

}  // namespace platform
