#include "text/NameValidation.h"

#include "text/BoyerMoore.h"

#include <array>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

const char* const kStaffTitles[] = {"Lord", "Lady", "GM", "Counselor", "Seer"};

// Titles of skill ranks and professions, and names of the world.
const char* const kTitleWords[] = {
    "Adept",     "Alchemist", "Apprentice", "Archer",    "Assassin",    "Bard",     "Beggar",     "Bowyer",
    "Carpenter", "Chef",      "Expert",     "Fisherman", "Grandmaster", "Healer",   "Journeyman", "Mage",
    "Master",    "Medium",    "Merchant",   "Neophyte",  "Novice",      "Ranger",   "Rogue",      "Scholar",
    "Smith",     "Tailor",    "Tinker",     "Warrior",   "Aldwyn",      "Duskmere", "Duskmeer",   "DM"};
// The maker and the words of staff status.
const char* const kStaffWords[] = {"Halden", "HWO", "invulnerable", "squelched", "frozen", "gamemaster"};
const char* const kOffensiveWords[] = {"fuck",     "fucker",  "fucking", "shit",  "shitty", "bitch",
                                       "bastard",  "asshole", "ass",     "arse",  "cunt",   "dick",
                                       "dickhead", "cock",    "prick",   "pussy", "twat",   "wanker",
                                       "bollocks", "piss",    "crap",    "damn",  "slut"};
const char* const kIndecentWords[] = {"whore",    "hooker",  "penis",   "vagina",   "anus", "rectum",
                                      "testicle", "scrotum", "nipple",  "boob",     "tits", "porn",
                                      "rape",     "rapist",  "incest",  "molester", "nazi", "pedo",
                                      "satan",    "jackass", "dumbass", "shithead"};

static_assert(std::size(kTitleWords) == 32);
static_assert(std::size(kStaffWords) == 6);
static_assert(std::size(kOffensiveWords) == 23);
static_assert(std::size(kIndecentWords) == 22);

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

unsigned char Lower(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++prefix, ++text)
        if (Lower(*text) != Lower(*prefix)) return false;
    return true;
}

// A whole-word occurrence: it starts the name or follows a separator, and ends the name or is
// followed by one. Every occurrence counts, not only the first: "Mastery Master" holds "Master".
bool HoldsWholeWord(const char* name, const char* word) {
    const int length = static_cast<int>(std::strlen(word));
    for (int from = 0;;) {
        int at = FindTextNoCase(word, name + from);
        if (at < 0) return false;
        at += from;
        bool starts = at == 0 || IsNameSeparator(name[at - 1]);
        char after = name[at + length];
        bool ends = after == 0 || IsNameSeparator(after);
        if (starts && ends) return true;
        from = at + 1;
    }
}

template <size_t N> bool HoldsAnyWord(const char* name, const char* const (&words)[N]) {
    for (const char* word : words)
        if (HoldsWholeWord(name, word)) return true;
    return false;
}

bool IsFileNameSpecial(char c) {
    return c != 0 && std::strchr("\\/:*?\"<>|.", c) != nullptr;
}

constexpr unsigned char kLongFormMarker = 0x80;
constexpr int kShift = 13;

bool IsClassicChar(unsigned char c) {
    return c >= 32 && c <= 126;
}

char ClassicScramble(unsigned char c) {
    int shifted = c + kShift;
    return static_cast<char>(shifted >= 128 ? c - 82 : shifted);
}

char ClassicUnscramble(unsigned char c) {
    int shifted = c - kShift;
    return static_cast<char>(shifted < 32 ? c + 82 : shifted);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The long form: the marker, then two hexadecimal digits per byte of (byte + 13) mod 256.
bool DecodeLongForm(std::string& text) {
    if (text.empty() || static_cast<unsigned char>(text[0]) != kLongFormMarker || text.size() % 2 != 1)
        return false;
    std::string out;
    for (size_t i = 1; i < text.size(); i += 2) {
        int high = HexValue(text[i]);
        int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<char>((high * 16 + low - kShift) & 0xFF));
    }
    text = out;
    return true;
}

} // namespace

bool IsNameSeparator(char c) {
    return c == ' ' || c == '-' || c == '.' || c == '\'';
}

bool IsInvalidNameChar(char c) {
    return !IsLetter(c) && !IsNameSeparator(c);
}

int FindTextNoCase(const char* pattern, const char* text) {
    if (!pattern) pattern = "";
    if (!text) text = "";
    const int m = static_cast<int>(std::strlen(pattern));
    const int n = static_cast<int>(std::strlen(text));
    if (m == 0) return 0;
    if (m > n) return -1;

    std::vector<unsigned char> folded(m);
    for (int k = 0; k < m; ++k)
        folded[k] = Lower(pattern[k]);
    const std::vector<int> goodSuffix = GoodSuffixShifts(folded);
    std::array<int, 256> badCharacter;
    badCharacter.fill(m);
    for (int k = 0; k < m; ++k)
        badCharacter[folded[k]] = m - 1 - k;

    for (int s = m - 1; s < n;) {
        int k = 0;
        while (k < m && folded[m - 1 - k] == Lower(text[s - k]))
            ++k;
        if (k == m) return s - (m - 1);
        s += std::max(badCharacter[Lower(text[s - k])] - k, goodSuffix[k]);
    }
    return -1;
}

bool IsUnacceptableName(const char* name) {
    if (!name || !IsLetter(name[0])) return true;
    for (const char* p = name; *p; ++p) {
        if (IsInvalidNameChar(*p)) return true;
        if (IsNameSeparator(p[0]) && IsNameSeparator(p[1])) return true;
    }
    for (const char* title : kStaffTitles)
        if (StartsWithNoCase(name, title)) return true;
    return HoldsAnyWord(name, kTitleWords) || HoldsAnyWord(name, kStaffWords) ||
           HoldsAnyWord(name, kOffensiveWords) || HoldsAnyWord(name, kIndecentWords);
}

void SanitizeFileName(std::string& name) {
    bool special = false;
    for (char c : name)
        special = special || IsFileNameSpecial(c);
    if (special) {
        std::string joined;
        size_t i = 0;
        while (i < name.size()) {
            while (i < name.size() && IsFileNameSpecial(name[i]))
                ++i;
            size_t start = i;
            while (i < name.size() && !IsFileNameSpecial(name[i]))
                ++i;
            if (i > start) joined.append(name, start, i - start).push_back('_');
        }
        name = joined;
    }
    if (!name.empty() && name.back() == ' ') name.back() = '_';
}

std::string SafePathComponent(std::string_view name) {
    // Names are read up to their terminator, as in the fixed fields they come from.
    std::string out(name.substr(0, name.find('\0')));
    SanitizeFileName(out);
    if (out.empty()) out = "_";
    return out;
}

void ScramblePassword(std::string& text) {
    bool classic = true;
    for (char c : text)
        classic = classic && IsClassicChar(static_cast<unsigned char>(c));
    if (classic) {
        for (char& c : text)
            c = ClassicScramble(static_cast<unsigned char>(c));
        return;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string out(1, static_cast<char>(kLongFormMarker));
    for (char c : text) {
        unsigned value = (static_cast<unsigned char>(c) + kShift) & 0xFF;
        out.push_back(kDigits[value >> 4]);
        out.push_back(kDigits[value & 15]);
    }
    text = out;
}

void UnscramblePassword(std::string& text) {
    if (DecodeLongForm(text)) return;
    for (char& c : text)
        c = ClassicUnscramble(static_cast<unsigned char>(c));
}
