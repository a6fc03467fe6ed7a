#include "platform/registry.h"

#include "platform/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
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
        const bool pairOk =
            high && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode());
        if (c == u'\\' || c == u'"') {
            out->append('\\').append(char(c));
        } else if (c < 0x20 || c == 0x7F || (high && !pairOk) || QChar::isLowSurrogate(c)) {
            out->append(
                QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0')).toLatin1());
        } else if (pairOk) {
            out->append(text.mid(i, 2).toUtf8());
            ++i;
        } else {
            out->append(QString(QChar(c)).toUtf8());
        }
    }
    out->append('"');
}

bool IsHexDigits(const QByteArray& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(uchar(c)); });
}

// UTF-8 to text keeping a leading U+FEFF: inside a name or value it is text, not a byte-order
// mark to drop.
QString TextFromUtf8(const QByteArray& utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

// Reads a quoted text starting at line[*pos] == '"'; leaves *pos after the closing quote.
bool ReadQuoted(const QByteArray& line, qsizetype* pos, QString* text) {
    if (*pos >= line.size() || line[*pos] != '"') return false;
    QByteArray utf8;
    QString result;
    auto flush = [&] {
        result += TextFromUtf8(utf8);
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
            const QByteArray digits = line.mid(i + 1, 4);
            if (!IsHexDigits(digits)) return false;
            const uint unit = digits.toUInt(nullptr, 16);
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

void SkipBlanks(const QByteArray& line, qsizetype* pos) {
    while (*pos < line.size() && (line[*pos] == ' ' || line[*pos] == '\t')) ++*pos;
}

// Takes a type word and its colon, in any case and with blanks after the colon.
bool TakePrefix(const QByteArray& text, qsizetype* pos, QByteArrayView prefix) {
    if (!text.mid(*pos, prefix.size()).toLower().startsWith(prefix)) return false;
    *pos += prefix.size();
    SkipBlanks(text, pos);
    return true;
}

// The data after "name =": dword:1 to 8 hex digits, sz:"text", hex(type): or hex: (binary)
// with bytes as pairs of hex digits, separated by commas and blanks.
bool ReadData(const QByteArray& text, uint32_t* type, QByteArray* data) {
    qsizetype pos = 0;
    if (TakePrefix(text, &pos, "dword:")) {
        const QByteArray digits = text.mid(pos);
        if (digits.isEmpty() || digits.size() > 8 || !IsHexDigits(digits)) return false;
        const uint32_t d = digits.toUInt(nullptr, 16);
        *type = REG_DWORD;
        *data = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i) (*data)[i] = char(d >> (8 * i));
        return true;
    }
    if (TakePrefix(text, &pos, "sz:")) {
        QString s;
        if (!ReadQuoted(text, &pos, &s) || pos != text.size()) return false;
        *type = REG_SZ;
        *data = StringData(s);
        return true;
    }
    if (TakePrefix(text, &pos, "hex:")) {
        *type = REG_BINARY;
    } else if (TakePrefix(text, &pos, "hex(")) {
        const qsizetype close = text.indexOf(')', pos);
        const QByteArray number = text.mid(pos, close - pos);
        bool ok =
            close > pos && number.size() <= 10 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
        const qulonglong value = ok ? number.toULongLong(&ok) : 0;
        if (!ok || value > UINT32_MAX) return false;
        *type = uint32_t(value);
        pos = close + 1;
        if (!TakePrefix(text, &pos, ":")) return false;
    } else {
        return false;
    }
    QByteArray compact = text.mid(pos);
    compact.replace(',', "").replace(' ', "").replace('\t', "");
    if (compact.size() % 2 != 0 || !IsHexDigits(compact)) return false;
    *data = QByteArray::fromHex(compact);
    return true;
}

// The whole file; false when it exists but cannot be read, none when there is no file.
bool ReadFile(const QString& path, std::optional<QByteArray>* bytes) {
    bytes->reset();
    QFile file(path);
    if (!file.exists()) return true;
    if (!file.open(QIODevice::ReadOnly)) return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

// The folder of the settings file, made (or narrowed) so that its owner alone can enter it.
bool MakePrivateFolder(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())) return false;
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat st {};
    if (stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (st.st_uid == getuid() && (st.st_mode & 077) != 0) chmod(path.constData(), 0700);
    return true;
}

}  // namespace

CRegKey::~CRegKey() {
    Close();
}

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
    return m_registry->Commit({CRegistry::Change::kSetValue, m_path, name, type,
                               QByteArray(static_cast<const char*>(data), qsizetype(size))});
}

long CRegKey::DeleteValue(const QString& name) {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    const CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key || std::none_of(key->values.begin(), key->values.end(),
                             [&](const CRegistry::Value& v) { return SameName(v.name, name); }))
        return ERROR_FILE_NOT_FOUND;
    return m_registry->Commit({CRegistry::Change::kDeleteValue, m_path, name, REG_NONE, {}});
}

long CRegKey::DeleteKey(const QString& subKey) {
    if (!m_registry) return ERROR_INVALID_PARAMETER;
    const CRegistry::Key* key = m_registry->Find(m_path, false);
    if (!key || std::none_of(key->subKeys.begin(), key->subKeys.end(),
                             [&](const auto& k) { return SameName(k->name, subKey); }))
        return ERROR_FILE_NOT_FOUND;
    return m_registry->Commit({CRegistry::Change::kDeleteKey, m_path, subKey, REG_NONE, {}});
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
        if (part.contains(u']') ||
            std::any_of(part.begin(), part.end(), [](QChar c) { return c.unicode() < 0x20; }))
            return ERROR_INVALID_PARAMETER;
    Load();
    if (!Find(path, false))
        if (const long rc = Commit({Change::kCreateKey, path, {}, REG_NONE, {}});
            rc != ERROR_SUCCESS)
            return rc;
    key->m_registry = this;
    key->m_path = parts.join(u'\\');
    return ERROR_SUCCESS;
}

CRegistry::Key* CRegistry::FindIn(Key& root, const QString& path, bool create) {
    Key* key = &root;
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

void CRegistry::Apply(Key& root, const Change& change) {
    Key* key = FindIn(root, change.path,
                      change.kind == Change::kCreateKey || change.kind == Change::kSetValue);
    if (!key) return;
    const auto sameValue = [&](const Value& v) { return SameName(v.name, change.name); };
    switch (change.kind) {
        case Change::kCreateKey: break;
        case Change::kSetValue:
            if (auto it = std::find_if(key->values.begin(), key->values.end(), sameValue);
                it != key->values.end()) {
                it->type = change.type;
                it->data = change.data;
            } else {
                key->values.push_back({change.name, change.type, change.data});
            }
            break;
        case Change::kDeleteValue: std::erase_if(key->values, sameValue); break;
        case Change::kDeleteKey:
            std::erase_if(key->subKeys,
                          [&](const auto& k) { return SameName(k->name, change.name); });
            break;
    }
}

void CRegistry::Load() {
    if (m_loaded) return;
    m_loaded = true;
    m_root = std::make_unique<Key>();
    std::optional<QByteArray> text;
    if (!ReadFile(m_filePath, &text)) {
        qCWarning(lcSettings, "cannot read the settings file %s; starting with defaults",
                  qPrintable(m_filePath));
        return;
    }
    if (!text) return;
    if (std::unique_ptr<Key> tree = ParseTree(*text)) {
        m_root = std::move(tree);
        m_onDisk = text;
        return;
    }
    MoveAside(QStringLiteral("starting with defaults"));
}

// Keeps what the user had under a new name rather than overwrite it.
void CRegistry::MoveAside(const QString& then) {
    const QString base = m_filePath + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = base;
    for (int n = 1; QFileInfo::exists(aside); ++n) aside = base + u'~' + QString::number(n);
    const bool moved = QFile::rename(m_filePath, aside);
    qCWarning(lcSettings, "the settings file %s could not be read; %s; %s", qPrintable(m_filePath),
              moved ? qPrintable(QStringLiteral("it was moved to ") + aside)
                    : "it could not be moved aside",
              qPrintable(then));
}

long CRegistry::Commit(Change change) {
    Apply(*m_root, change);
    m_unsaved.push_back(std::move(change));
    return Save();
}

long CRegistry::Save() {
    if (!MakePrivateFolder(QFileInfo(m_filePath).absolutePath())) return ERROR_CANTWRITE;
    std::optional<QByteArray> disk;
    if (ReadFile(m_filePath, &disk) && disk != m_onDisk) {
        // Changed by someone else since it was read: their file with this object's changes.
        if (std::unique_ptr<Key> theirs = disk ? ParseTree(*disk) : std::make_unique<Key>()) {
            for (const Change& change : m_unsaved) Apply(*theirs, change);
            m_root = std::move(theirs);
            qCInfo(lcSettings) << "merged with changes made to the settings file meanwhile";
        } else {
            MoveAside(QStringLiteral("writing the settings this program holds"));
        }
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) return ERROR_CANTWRITE;
    // The file holds password hashes: its owner alone may read it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray text = Serialise();
    file.write(text);
    if (!file.commit()) return ERROR_CANTWRITE;
    m_onDisk = text;
    m_unsaved.clear();
    return ERROR_SUCCESS;
}

QByteArray CRegistry::Serialise() const {
    QByteArray out = "; Dormo settings, written by the program.\n";
    // Values of the root, which a header made of backslashes names.
    if (!m_root->values.empty()) {
        Key root;
        root.values = m_root->values;
        SerialiseKey(root, QString(), &out);
    }
    for (const auto& k : m_root->subKeys) SerialiseKey(*k, QString(), &out);
    return out;
}

void CRegistry::SerialiseKey(const Key& key, const QString& parent, QByteArray* out) {
    const QString path = parent.isEmpty() ? key.name : parent + u'\\' + key.name;
    out->append('\n')
        .append('[')
        .append(path.isEmpty() ? QByteArray("\\") : path.toUtf8())
        .append("]\n");
    for (const Value& v : key.values) {
        AppendQuoted(v.name, out);
        out->append('=');
        if (v.type == REG_DWORD && v.data.size() == 4) {
            uint32_t d = 0;
            for (int i = 3; i >= 0; --i) d = (d << 8) | uint8_t(v.data[i]);
            out->append(QStringLiteral("dword:%1").arg(d, 8, 16, QLatin1Char('0')).toLatin1());
        } else if (v.type == REG_SZ && IsPlainString(v.data)) {
            out->append("sz:");
            AppendQuoted(
                QString(reinterpret_cast<const QChar*>(v.data.constData()), v.data.size() / 2 - 1),
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
    std::unique_ptr<Key> tree = ParseTree(text);
    if (!tree) return false;
    m_root = std::move(tree);
    return true;
}

// Read as a person may have written it: a byte-order mark, blank space around lines, names,
// "=" and brackets, comments after ";" or "#", type words in any case. Values before the
// first header belong to the root. Null when a line cannot be read.
std::unique_ptr<CRegistry::Key> CRegistry::ParseTree(QByteArray text) {
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    auto root = std::make_unique<Key>();
    Key* current = root.get();
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']') || line.size() < 2) return nullptr;
            QStringList parts = TextFromUtf8(line.mid(1, line.size() - 2)).split(u'\\');
            for (QString& part : parts) part = part.trimmed();
            current = FindIn(*root, parts.join(u'\\'), true);
            continue;
        }
        Change value{Change::kSetValue, {}, {}, REG_NONE, {}};
        qsizetype pos = 0;
        if (!ReadQuoted(line, &pos, &value.name)) return nullptr;
        SkipBlanks(line, &pos);
        if (pos >= line.size() || line[pos] != '=') return nullptr;
        ++pos;
        SkipBlanks(line, &pos);
        if (!ReadData(line.mid(pos), &value.type, &value.data)) return nullptr;
        // A name given twice keeps its last value.
        std::erase_if(current->values,
                      [&](const Value& o) { return SameName(o.name, value.name); });
        current->values.push_back({value.name, value.type, value.data});
    }
    return root;
}

}  // namespace platform
