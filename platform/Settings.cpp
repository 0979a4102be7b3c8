// The settings store: a registry-like tree of keys and typed values in one text file.
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Halden Worlds Online\Varnis Online\1.0]
//   "ExePath"="/opt/varnis/client.exe"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,ff,20
//
// Key paths match without regard to case, as do value names. A change rewrites the whole file
// atomically, so a crash never leaves half a store; a SettingsBatch makes many changes with one
// reading and one writing. A file that is there but cannot be read is never rewritten.
#include "platform/platform.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {
namespace {

enum class ValueType { String, Dword, Binary };

struct Value {
    std::string name;
    ValueType type = ValueType::String;
    std::string text;
    uint32_t dword = 0;
    std::vector<uint8_t> bytes;
};

struct Key {
    std::string path; // with the root prefix
    std::vector<Value> values;
};

// Recursive: a batch holds it for its whole life while its thread goes on calling Reg*.
std::recursive_mutex g_mutex;
using Lock = std::lock_guard<std::recursive_mutex>;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string FullPath(RegRoot root, std::string_view key) {
    std::string path = root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    std::string k(key);
    std::replace(k.begin(), k.end(), '/', '\\');
    while (!k.empty() && k.front() == '\\')
        k.erase(k.begin());
    while (!k.empty() && k.back() == '\\')
        k.pop_back();
    if (!k.empty()) path += "\\" + k;
    return path;
}

std::string Unquote(std::string_view s, size_t& pos) {
    // s[pos] is the opening quote
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < s.size()) c = s[++pos];
        out += c;
    }
    return out;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

ReadStatus g_lastStatus = ReadStatus::Missing;

// The keys of the file; nullopt when the file is there but cannot be read.
std::optional<std::vector<Key>> Load() {
    std::vector<Key> keys;
    SweepStaleTemporariesOnce(RegistryFilePath());
    FileContents contents = ReadFileContents(RegistryFilePath());
    g_lastStatus = contents.status;
    if (contents.status == ReadStatus::Failed) return std::nullopt;
    if (contents.status == ReadStatus::Missing) return keys;
    const std::vector<uint8_t>* bytes = &contents.bytes;
    std::string text(bytes->begin(), bytes->end());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close == std::string::npos) continue;
            keys.push_back(Key{line.substr(1, close - 1), {}});
            continue;
        }
        if (keys.empty() || line[0] != '"') continue;
        size_t pos = 0;
        Value v;
        v.name = Unquote(line, pos);
        if (pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        std::string_view rest(line);
        rest.remove_prefix(pos);
        if (!rest.empty() && rest[0] == '"') {
            size_t p = 0;
            v.type = ValueType::String;
            v.text = Unquote(rest, p);
        } else if (rest.substr(0, 6) == "dword:") {
            v.type = ValueType::Dword;
            v.dword = static_cast<uint32_t>(std::strtoul(std::string(rest.substr(6)).c_str(), nullptr, 16));
        } else if (rest.substr(0, 4) == "hex:") {
            v.type = ValueType::Binary;
            std::string hex(rest.substr(4));
            size_t i = 0;
            while (i < hex.size()) {
                size_t comma = hex.find(',', i);
                std::string byte = hex.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
                if (!byte.empty())
                    v.bytes.push_back(static_cast<uint8_t>(std::strtoul(byte.c_str(), nullptr, 16)));
                if (comma == std::string::npos) break;
                i = comma + 1;
            }
        } else {
            continue;
        }
        keys.back().values.push_back(std::move(v));
    }
    return keys;
}

bool Save(const std::vector<Key>& keys) {
    std::string out = "; Varnis Online settings store\n";
    for (const Key& k : keys) {
        out += "\n[" + k.path + "]\n";
        for (const Value& v : k.values) {
            out += Quote(v.name) + "=";
            char buf[16];
            switch (v.type) {
            case ValueType::String:
                out += Quote(v.text);
                break;
            case ValueType::Dword:
                std::snprintf(buf, sizeof buf, "dword:%08x", v.dword);
                out += buf;
                break;
            case ValueType::Binary:
                out += "hex:";
                for (size_t i = 0; i < v.bytes.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.bytes[i]);
                    out += buf;
                }
                break;
            }
            out += "\n";
        }
    }
    std::string path = RegistryFilePath();
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
    return AtomicReplaceFile(path, out.data(), out.size());
}

Key* FindKey(std::vector<Key>& keys, const std::string& path) {
    std::string want = Lower(path);
    for (Key& k : keys)
        if (Lower(k.path) == want) return &k;
    return nullptr;
}

Value* FindValue(Key& key, std::string_view name) {
    std::string want = Lower(name);
    for (Value& v : key.values)
        if (Lower(v.name) == want) return &v;
    return nullptr;
}

// The batch open on this thread, if any.
struct Batch {
    std::optional<std::vector<Key>> keys; // nullopt: the file could not be read
    bool dirty = false;
};
thread_local Batch* t_batch = nullptr;

// Runs a reading over the keys: the batch's copy, else the file's.
template <typename Fn> auto Read(Fn fn) -> decltype(fn(std::declval<std::vector<Key>&>())) {
    Lock lock(g_mutex);
    if (t_batch) {
        if (!t_batch->keys) return {};
        return fn(*t_batch->keys);
    }
    auto keys = Load();
    if (!keys) return {};
    return fn(*keys);
}

// Runs a change over the keys: fn answers whether it changed anything. Without a batch the file is
// written at once; a file that could not be read is left alone.
template <typename Fn> bool Change(Fn fn) {
    Lock lock(g_mutex);
    if (t_batch) {
        if (!t_batch->keys) return false;
        bool changed = fn(*t_batch->keys);
        t_batch->dirty = t_batch->dirty || changed;
        return true;
    }
    auto keys = Load();
    if (!keys) return false;
    return !fn(*keys) || Save(*keys);
}

std::optional<Value> Get(RegRoot root, std::string_view key, std::string_view name) {
    return Read([&](std::vector<Key>& keys) -> std::optional<Value> {
        Key* k = FindKey(keys, FullPath(root, key));
        if (!k) return std::nullopt;
        Value* v = FindValue(*k, name);
        if (!v) return std::nullopt;
        return *v;
    });
}

bool Set(RegRoot root, std::string_view key, Value value) {
    return Change([&](std::vector<Key>& keys) {
        std::string path = FullPath(root, key);
        Key* k = FindKey(keys, path);
        if (!k) {
            keys.push_back(Key{path, {}});
            k = &keys.back();
        }
        if (Value* v = FindValue(*k, value.name))
            *v = std::move(value);
        else
            k->values.push_back(std::move(value));
        return true;
    });
}

} // namespace

std::string RegistryFilePath() {
    std::string path = GetEnv("QV_REGISTRY");
    if (!path.empty()) return path;
    std::string config = GetEnv("XDG_CONFIG_HOME");
    if (config.empty()) config = GetEnv("HOME") + "/.config";
    return config + "/varnis-online/registry.ini";
}

bool RegKeyExists(RegRoot root, std::string_view key) {
    return Read([&](std::vector<Key>& keys) { return FindKey(keys, FullPath(root, key)) != nullptr; });
}

ReadStatus SettingsFileStatus() {
    Lock lock(g_mutex);
    if (t_batch) return t_batch->keys ? ReadStatus::Read : ReadStatus::Failed;
    Load();
    return g_lastStatus;
}

std::optional<std::string> RegGetString(RegRoot root, std::string_view key, std::string_view name) {
    auto v = Get(root, key, name);
    if (!v || v->type != ValueType::String) return std::nullopt;
    return v->text;
}

std::optional<uint32_t> RegGetDword(RegRoot root, std::string_view key, std::string_view name) {
    auto v = Get(root, key, name);
    if (!v || v->type != ValueType::Dword) return std::nullopt;
    return v->dword;
}

std::optional<std::vector<uint8_t>> RegGetBinary(RegRoot root, std::string_view key, std::string_view name) {
    auto v = Get(root, key, name);
    if (!v || v->type != ValueType::Binary) return std::nullopt;
    return v->bytes;
}

bool RegSetString(RegRoot root, std::string_view key, std::string_view name, std::string_view value) {
    Value v;
    v.name = std::string(name);
    v.type = ValueType::String;
    v.text = std::string(value);
    return Set(root, key, std::move(v));
}

bool RegSetDword(RegRoot root, std::string_view key, std::string_view name, uint32_t value) {
    Value v;
    v.name = std::string(name);
    v.type = ValueType::Dword;
    v.dword = value;
    return Set(root, key, std::move(v));
}

bool RegSetBinary(RegRoot root, std::string_view key, std::string_view name, const void* data, size_t size) {
    Value v;
    v.name = std::string(name);
    v.type = ValueType::Binary;
    auto* p = static_cast<const uint8_t*>(data);
    v.bytes.assign(p, p + size);
    return Set(root, key, std::move(v));
}

bool RegCreateKey(RegRoot root, std::string_view key) {
    return Change([&](std::vector<Key>& keys) {
        std::string path = FullPath(root, key);
        if (FindKey(keys, path)) return false;
        keys.push_back(Key{path, {}});
        return true;
    });
}

bool RegDeleteValue(RegRoot root, std::string_view key, std::string_view name) {
    bool found = false;
    bool ok = Change([&](std::vector<Key>& keys) {
        Key* k = FindKey(keys, FullPath(root, key));
        if (!k) return false;
        std::string want = Lower(name);
        auto it = std::find_if(k->values.begin(), k->values.end(),
                               [&](const Value& v) { return Lower(v.name) == want; });
        if (it == k->values.end()) return false;
        k->values.erase(it);
        found = true;
        return true;
    });
    return ok && found;
}

// ---------------------------------------------------------------- batches

SettingsBatch::SettingsBatch() {
    g_mutex.lock();
    if (t_batch) return; // joins the batch already open on this thread
    owner_ = true;
    t_batch = new Batch{Load(), false};
}

SettingsBatch::~SettingsBatch() {
    if (owner_) {
        if (t_batch->dirty) Commit();
        delete t_batch;
        t_batch = nullptr;
    }
    g_mutex.unlock();
}

bool SettingsBatch::Commit() {
    Batch* batch = t_batch;
    if (!batch->keys) return false;
    if (!owner_ || !batch->dirty) return true;
    batch->dirty = false;
    return Save(*batch->keys);
}

} // namespace platform
