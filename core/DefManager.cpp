#include "core/DefManager.h"

#include "core/ExitHandlers.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "platform/platform.h"

#include <climits>
#include <memory>

namespace {

constexpr size_t kMaxLineLength = 254;

struct DefState {
    std::unique_ptr<DefTable> tables[DefManager::kTableCount];
    int bodyConv[DefManager::kBodyConvSize];
    bool bodyConvLoaded = false;
    uint32_t featureFlags = 0;

    DefState() {
        for (int& v : bodyConv)
            v = -1;
    }
};

DefState& S() {
    static DefState state;
    return state;
}

// A cursor over one line.
struct Cursor {
    std::string_view text;
    size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }
    void skipBlanks() {
        while (peek() == ' ' || peek() == '\t')
            ++pos;
    }
    // A decimal number with an optional sign; false (nothing read) when there is none or it
    // does not fit the limits.
    bool number(long long low, long long high, bool allowSign, long long& out) {
        size_t start = pos;
        bool negative = false;
        if (allowSign && (peek() == '-' || peek() == '+')) negative = text[pos++] == '-';
        if (peek() < '0' || peek() > '9') {
            pos = start;
            return false;
        }
        long long value = 0;
        while (peek() >= '0' && peek() <= '9') {
            value = value * 10 + (text[pos++] - '0');
            if (value > high - low + 1) { // well past either limit
                pos = start;
                return false;
            }
        }
        value = negative ? -value : value;
        if (value < low || value > high) {
            pos = start;
            return false;
        }
        out = value;
        return true;
    }
};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string ResolvedHDName(const char* name) {
    std::string path = FileManager::get_HDpath(name);
    std::optional<std::string> found = platform::FindPathIgnoringCase(path);
    return found ? *found : path;
}

} // namespace

// ---------------------------------------------------------------- DefTable

DefTable::DefTable(const std::string& path) : name_(path) {
    std::optional<std::vector<uint8_t>> bytes =
        platform::IsDirectory(path) ? std::nullopt : platform::ReadWholeFile(path);
    if (!bytes) {
        QVReport::error("DefTable::DefTable: cannot open '%s'.\n", path.c_str());
        TerminateProcess(1);
    }
    Load(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

int DefTable::ParseLine(std::string_view line, int16_t& id, std::vector<int16_t>& alternatives, int& extra) {
    if (line.size() > kMaxLineLength) return 1;
    Cursor c{line};
    c.skipBlanks();
    if (c.atEnd() || c.peek() == '#') return 1;
    long long value = 0;
    // Ids are 0..32767: a negative one would index before the tables that take these ids.
    if (!c.number(0, INT16_MAX, true, value)) return 1;
    const int16_t parsedId = static_cast<int16_t>(value);
    size_t brace = line.find('{', c.pos);
    if (brace == std::string_view::npos) return 1;
    c.pos = brace + 1;
    std::vector<int16_t> parsed;
    for (;;) {
        while (c.peek() == ' ' || c.peek() == '\t' || c.peek() == ',')
            ++c.pos;
        if (c.peek() == '}') break;
        if (!c.number(0, INT16_MAX, false, value)) return 1;
        parsed.push_back(static_cast<int16_t>(value));
    }
    ++c.pos;
    c.skipBlanks();
    if (!c.number(INT_MIN, INT_MAX, true, value)) return 1;
    const int parsedExtra = static_cast<int>(value);
    c.skipBlanks();
    if (!c.atEnd() && c.peek() != '#') return 1;
    id = parsedId;
    alternatives = std::move(parsed);
    extra = parsedExtra;
    return 0;
}

void DefTable::Load(std::string_view text) {
    for (std::string_view line : Lines(text)) {
        int16_t id = 0;
        Entry entry;
        if (ParseLine(line, id, entry.alternatives, entry.extra) != 0) continue;
        ++lines_;
        // A newer server shows such bodies natively, so their latest line wins; otherwise the first.
        if (DefManager::IsExempt(id))
            entries_[id] = std::move(entry);
        else
            entries_.try_emplace(id, std::move(entry));
    }
}

const DefTable::Entry* DefTable::Find(int id) const {
    if (id < INT16_MIN || id > INT16_MAX) return nullptr;
    auto it = entries_.find(static_cast<int16_t>(id));
    return it == entries_.end() ? nullptr : &it->second;
}

bool DefTable::Contains(int id) const {
    if (DefManager::IsExempt(id)) return false;
    return Find(id) != nullptr;
}

int DefTable::PickAlternative(int id, uint32_t seed) const {
    if (DefManager::IsExempt(id)) return id;
    const Entry* e = Find(id);
    if (!e || e->alternatives.empty()) return id;
    SeedRandom(seed);
    return e->alternatives[static_cast<size_t>(RandomBelow(static_cast<int>(e->alternatives.size())))];
}

// ---------------------------------------------------------------- DefManager

namespace DefManager {

bool startup() {
    QVReport::message("DefManager::startup: begin.\n");
    DefState& s = S();
    for (int t = 0; t < kTableCount; ++t) {
        s.tables[t] = std::make_unique<DefTable>(ResolvedHDName(kTableNames[t]));
        if (!s.tables[t]) return false;
    }
    return true;
}

void shutdown() {
    QVReport::message("DefManager::shutdown: begin.\n");
    for (auto& table : S().tables)
        table.reset();
}

DefTable* GetTable(TableId table) {
    if (table < 0 || table >= kTableCount) return nullptr;
    return S().tables[table].get();
}

void ResetBodyConv() {
    DefState& s = S();
    for (int& v : s.bodyConv)
        v = -1;
    s.bodyConvLoaded = false;
}

void LoadBodyConvText(std::string_view text) {
    DefState& s = S();
    for (std::string_view line : Lines(text)) {
        if (line.empty() || line[0] == '#') continue;
        Cursor c{line};
        long long index = 0, value = 0;
        c.skipBlanks();
        if (!c.number(INT_MIN, INT_MAX, true, index)) continue;
        c.skipBlanks();
        if (!c.number(INT_MIN, INT_MAX, true, value)) continue;
        if (index < 0 || index >= kBodyConvSize || value < -1) continue;
        s.bodyConv[index] = static_cast<int>(value);
    }
    s.bodyConvLoaded = true;
}

void LoadBodyConversion() {
    QVReport::message("DefManager::LoadBodyConversion: begin.\n");
    ResetBodyConv();
    LoadBodyConv(FileManager::get_HDpath("bodyconv.def"));
}

bool LoadBodyConv(const std::string& path) {
    std::optional<std::string> found = platform::FindPathIgnoringCase(path);
    std::optional<std::vector<uint8_t>> bytes =
        found && !platform::IsDirectory(*found) ? platform::ReadWholeFile(*found) : std::nullopt;
    if (!bytes) return false;
    LoadBodyConvText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    return true;
}

bool IsBodyConvLoaded() {
    return S().bodyConvLoaded;
}

int BodyConv(int body) {
    if (body < 0 || body >= kBodyConvSize) return -1;
    return S().bodyConv[body];
}

void SetFeatureFlags(uint32_t flags) {
    S().featureFlags = flags;
}

uint32_t GetFeatureFlags() {
    return S().featureFlags;
}

bool IsExempt(int id) {
    return id >= 0 && id < kBodyConvSize && (S().featureFlags & 0x2) != 0 && S().bodyConv[id] >= 0;
}

} // namespace DefManager
