#pragma once
// The player's own filter lists: obscene words masked in shown text ("qvbscene.lst") and ignored
// speakers ("ignore.lst"), both in the working folder. The server may send either file, so every
// bound is checked while reading.
#include "core/ObsceneFilter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace FilterLists {

constexpr int kMaxObsceneWords = 80;
constexpr int kMaxWordUnits = 29; // and a terminator: 30 units
constexpr int kMaxIgnored = 20;
constexpr int kIgnoreNameBytes = 30; // with its terminator
constexpr size_t kIgnoreRecordBytes = kIgnoreNameBytes + 4;

constexpr const char* kObsceneFile = "qvbscene.lst";
constexpr const char* kIgnoreFile = "ignore.lst";

struct IgnoreEntry {
    char name[kIgnoreNameBytes] = {}; // always terminated
    uint32_t serial = 0;
};

const std::vector<std::u16string>& ObsceneWords();
// False when the list is full or the word is empty; longer words keep their first 29 units.
bool AddObsceneWord(std::u16string_view word);
bool RemoveObsceneWord(int index);

const std::vector<IgnoreEntry>& IgnoreList();
// False when the list is full; the name is cut to 29 bytes.
bool AddIgnored(std::string_view name, uint32_t serial);
bool RemoveIgnored(int index);

// The lists from file bytes, bounded as above; what does not fit is logged and dropped.
void LoadObsceneWords(const uint8_t* data, size_t size);
void LoadIgnoreList(const uint8_t* data, size_t size);
// The file bytes of the lists as they are now.
std::vector<uint8_t> ObsceneWordsBytes();
std::vector<uint8_t> IgnoreListBytes();

// One line of "qvbscene.lst" from position on: units stored as value + 13 (little-endian), ended
// by a unit that becomes 10 or 13 (a following CR LF or LF CR partner is taken too) or by the end.
// Returns the line's units up to its first zero, at most maxUnits of them; position moves past it.
std::u16string ReadScrambledLine(const uint8_t* data, size_t size, size_t& position, int maxUnits);

// Empties both lists and frees their memory (shutdown).
void Clear();
// Tests only: back to the state before start-up.
void ResetForTests();

} // namespace FilterLists

namespace CApp {
// Reads "qvbscene.lst" and "ignore.lst"; missing files leave the lists empty.
void LoadFilterLists();
void FreeFilterLists();
// 0 rewrites the obscene-word file, 1 the ignore file; other values do nothing.
void SaveFilterList(int list);
bool IsIgnored(uint32_t serial);
} // namespace CApp
