#include "text/FilterLists.h"

#include "core/QVReport.h"
#include "core/StoreErrors.h"
#include "core/config.h"
#include "platform/platform.h"
#include "text/WideText.h"

#include <algorithm>
#include <cstring>

namespace FilterLists {
namespace {

constexpr char16_t kUnitShift = 13;
constexpr char16_t kLineEnd = 10 + kUnitShift;
constexpr int kMaxMaskUnits = 8192;
constexpr char kMaskCharacters[] = "!@#$%&*";

struct State {
    std::vector<std::u16string> words;
    std::vector<IgnoreEntry> ignored;
    // Per list: its file was there but could not be read, so saving the list would lose it.
    bool unreadable[2] = {false, false};
};

State& S() {
    static State state;
    return state;
}

uint32_t ReadLE32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLE16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

// The next stored unit, already unshifted; false at the end.
bool NextUnit(const uint8_t* data, size_t size, size_t& position, char16_t& unit) {
    if (size - position < 2 || position > size) return false;
    unit = static_cast<char16_t>((data[position] | (data[position + 1] << 8)) - kUnitShift);
    position += 2;
    return true;
}

// Masks one occurrence after another; the search goes on after each match, so a mask that
// spells the word again is never found again and every occurrence is reached.
void MaskWord(char16_t* text, const std::u16string& word) {
    const int length = static_cast<int>(word.size());
    const int textLength = WideLength(text);
    for (int from = 0; from + length <= textLength;) {
        int at = WideFindNoCase(word.c_str(), text + from);
        if (at < 0) return;
        at += from;
        for (int i = at; i < at + length; ++i)
            text[i] = static_cast<char16_t>(kMaskCharacters[text[i] % 7]);
        from = at + length;
    }
}

} // namespace

const std::vector<std::u16string>& ObsceneWords() {
    return S().words;
}

bool AddObsceneWord(std::u16string_view word) {
    word = word.substr(0, word.find(u'\0'));
    if (word.empty() || static_cast<int>(S().words.size()) >= kMaxObsceneWords) return false;
    S().words.emplace_back(word.substr(0, kMaxWordUnits));
    return true;
}

bool RemoveObsceneWord(int index) {
    std::vector<std::u16string>& words = S().words;
    if (index < 0 || index >= static_cast<int>(words.size())) return false;
    words.erase(words.begin() + index);
    return true;
}

const std::vector<IgnoreEntry>& IgnoreList() {
    return S().ignored;
}

bool AddIgnored(std::string_view name, uint32_t serial) {
    if (static_cast<int>(S().ignored.size()) >= kMaxIgnored) return false;
    IgnoreEntry entry;
    name = name.substr(0, name.find('\0'));
    size_t n = std::min(name.size(), static_cast<size_t>(kIgnoreNameBytes - 1));
    std::memcpy(entry.name, name.data(), n);
    entry.serial = serial;
    S().ignored.push_back(entry);
    return true;
}

bool RemoveIgnored(int index) {
    std::vector<IgnoreEntry>& ignored = S().ignored;
    if (index < 0 || index >= static_cast<int>(ignored.size())) return false;
    ignored.erase(ignored.begin() + index);
    return true;
}

std::u16string ReadScrambledLine(const uint8_t* data, size_t size, size_t& position, int maxUnits) {
    std::u16string line;
    bool ended = false; // a zero unit ends the entry; the rest of the line is skipped
    char16_t unit = 0;
    while (NextUnit(data, size, position, unit)) {
        if (unit == 10 || unit == 13) {
            size_t back = position;
            char16_t partner = 0;
            if (NextUnit(data, size, position, partner) && partner != (unit == 10 ? 13 : 10)) position = back;
            break;
        }
        if (unit == 0) ended = true;
        if (!ended && static_cast<int>(line.size()) < maxUnits) line.push_back(unit);
    }
    return line;
}

void LoadObsceneWords(const uint8_t* data, size_t size) {
    S().words.clear();
    size_t position = 0;
    bool full = false;
    while (position + 1 < size) {
        std::u16string line = ReadScrambledLine(data, size, position, kMaxWordUnits);
        if (line.empty()) continue;
        if (!AddObsceneWord(line)) full = true;
    }
    if (full)
        QVReport::warning("CApp::LoadFilterLists: '%s' holds more than %d words; the rest are dropped.\n",
                          kObsceneFile, kMaxObsceneWords);
}

void LoadIgnoreList(const uint8_t* data, size_t size) {
    S().ignored.clear();
    size_t records = size / kIgnoreRecordBytes;
    if (records > static_cast<size_t>(kMaxIgnored)) {
        QVReport::warning("CApp::LoadFilterLists: '%s' holds %zu entries; only %d are kept.\n", kIgnoreFile,
                          records, kMaxIgnored);
        records = kMaxIgnored;
    }
    for (size_t r = 0; r < records; ++r) {
        const uint8_t* record = data + r * kIgnoreRecordBytes;
        const char* name = reinterpret_cast<const char*>(record);
        size_t length = 0;
        while (length < kIgnoreNameBytes && name[length])
            ++length;
        AddIgnored(std::string_view(name, length), ReadLE32(record + kIgnoreNameBytes));
    }
}

std::vector<uint8_t> ObsceneWordsBytes() {
    std::vector<uint8_t> out;
    for (const std::u16string& word : S().words) {
        for (char16_t unit : word)
            PutLE16(out, static_cast<char16_t>(unit + kUnitShift));
        PutLE16(out, kLineEnd);
    }
    return out;
}

std::vector<uint8_t> IgnoreListBytes() {
    std::vector<uint8_t> out;
    for (const IgnoreEntry& entry : S().ignored) {
        out.insert(out.end(), entry.name, entry.name + kIgnoreNameBytes);
        PutLE16(out, entry.serial & 0xFFFF);
        PutLE16(out, entry.serial >> 16);
    }
    return out;
}

void Clear() {
    State& s = S();
    std::vector<std::u16string>().swap(s.words);
    std::vector<IgnoreEntry>().swap(s.ignored);
}

void ResetForTests() {
    S() = State{};
}

} // namespace FilterLists

void MaskObsceneWordsWide(char16_t* text) {
    if (!text) return;
    for (const std::u16string& word : FilterLists::ObsceneWords())
        FilterLists::MaskWord(text, word);
}

void MaskObsceneWords(char* text) {
    if (!text || FilterLists::ObsceneWords().empty()) return;
    const size_t length = std::min(std::strlen(text), static_cast<size_t>(FilterLists::kMaxMaskUnits));
    std::u16string wide(length, u'\0');
    for (size_t i = 0; i < length; ++i)
        wide[i] = static_cast<unsigned char>(text[i]);
    MaskObsceneWordsWide(wide.data());
    for (size_t i = 0; i < length; ++i)
        text[i] = static_cast<char>(wide[i]);
}

namespace CApp {

namespace {

void LoadFile(int list, const char* name, void (*load)(const uint8_t*, size_t)) {
    const std::string path = ConfigFiles::WorkingPath(name);
    platform::FileContents contents = platform::ReadFileContents(path);
    FilterLists::S().unreadable[list] = contents.status == platform::ReadStatus::Failed;
    if (contents.status == platform::ReadStatus::Failed)
        StoreErrors::ReadFailed("CApp::LoadFilterLists", path, contents.error, false);
    if (contents.status != platform::ReadStatus::Read) {
        QVReport::message("CApp::LoadFilterLists: no file '%s'.\n", name);
        load(nullptr, 0);
        return;
    }
    load(contents.bytes.data(), contents.bytes.size());
}

void SaveFile(int list, const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = ConfigFiles::WorkingPath(name);
    if (FilterLists::S().unreadable[list]) {
        QVReport::error("CApp::SaveFilterList: '%s' could not be read; it is not overwritten.\n",
                        path.c_str());
        StoreErrors::TellPlayer(path);
        return;
    }
    if (!platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) {
        QVReport::warning("CApp::SaveFilterList: cannot write file '%s'.\n", name);
        StoreErrors::TellPlayer(path);
    }
}

} // namespace

void LoadFilterLists() {
    LoadFile(0, FilterLists::kObsceneFile, FilterLists::LoadObsceneWords);
    LoadFile(1, FilterLists::kIgnoreFile, FilterLists::LoadIgnoreList);
}

void FreeFilterLists() {
    FilterLists::Clear();
}

void SaveFilterList(int list) {
    if (list == 0) SaveFile(0, FilterLists::kObsceneFile, FilterLists::ObsceneWordsBytes());
    if (list == 1) SaveFile(1, FilterLists::kIgnoreFile, FilterLists::IgnoreListBytes());
}

bool IsIgnored(uint32_t serial) {
    for (const FilterLists::IgnoreEntry& entry : FilterLists::IgnoreList())
        if (entry.serial == serial) return true;
    return false;
}

} // namespace CApp
