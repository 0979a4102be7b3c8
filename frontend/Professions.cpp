#include "frontend/Professions.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "windows/SkillTable.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

constexpr size_t kLineLimit = 254;
constexpr size_t kNameLimit = 127;
constexpr size_t kFileLimit = 1 << 20;

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string_view> Split(std::string_view line, const char* separators) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::strchr(separators, line[i]))
            ++i;
        size_t end = i;
        while (end < line.size() && !std::strchr(separators, line[end]))
            ++end;
        if (end > i) words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

int ToNumber(std::string_view word) {
    char digits[16] = {};
    std::memcpy(digits, word.data(), std::min(word.size(), sizeof digits - 1));
    return std::atoi(digits);
}

std::string Cut(std::string_view text) {
    return std::string(text.substr(0, kNameLimit));
}

void ReadLine(ProfessionRecord& record, std::string_view line) {
    const auto words = Split(line, " \t\r\n");
    if (words.empty()) return;
    const std::string_view key = words[0];
    const std::string_view rest = line.substr(static_cast<size_t>(key.data() + key.size() - line.data()));
    if (SameText(key, "Name")) {
        const auto parts = Split(rest, " \t\r\n\"");
        if (!parts.empty()) record.name = Cut(parts[0]);
    } else if (SameText(key, "TrueName")) {
        const size_t open = rest.find('"');
        if (open == std::string_view::npos) return;
        const size_t close = rest.find('"', open + 1);
        record.displayName =
            Cut(rest.substr(open + 1, close == std::string_view::npos ? rest.npos : close - open - 1));
    } else if (SameText(key, "Desc")) {
        if (words.size() > 1) record.description = ToNumber(words[1]);
    } else if (SameText(key, "TopLevel")) {
        record.topLevel = words.size() > 1 && SameText(words[1], "true");
    } else if (SameText(key, "Gump")) {
        if (words.size() > 1) record.pictureArt = ToNumber(words[1]);
    } else if (SameText(key, "Type")) {
        record.category = words.size() > 1 && SameText(words[1], "Category");
    } else if (SameText(key, "Children")) {
        for (std::string_view child : Split(rest, " ,.\t\"\r\n"))
            record.children.emplace_back(Cut(child));
    } else if (SameText(key, "Skill")) {
        const auto parts = Split(rest, " ,.\t\"\r\n");
        if (parts.size() < 2) return;
        const int index = SkillIndexFromName(parts[0]);
        // An unknown name would later be used as an index: the line is dropped.
        if (index < 0) {
            QVReport::message("LoadProfessions: unknown skill '%.*s'; line skipped.\n",
                              static_cast<int>(std::min<size_t>(parts[0].size(), 64)), parts[0].data());
            return;
        }
        record.skills.push_back({static_cast<int16_t>(index), static_cast<int16_t>(ToNumber(parts[1]))});
    } else if (SameText(key, "Stat")) {
        const auto parts = Split(rest, " ,.\t\"\r\n");
        if (parts.size() < 2) return;
        const auto value = static_cast<int16_t>(ToNumber(parts[1]));
        if (SameText(parts[0], "Str"))
            record.strength = value;
        else if (SameText(parts[0], "Dex"))
            record.dexterity = value;
        else if (SameText(parts[0], "Int"))
            record.intelligence = value;
    }
}

const char* const kSkillNames[] = {"Alchemy",
                                   "Anatomy",
                                   "AnimalLore",
                                   "ItemID",
                                   "ArmsLore",
                                   "Parrying",
                                   "Begging",
                                   "Blacksmith",
                                   "Bowcraft",
                                   "Peacemaking",
                                   "Camping",
                                   "Carpentry",
                                   "Cartography",
                                   "Cooking",
                                   "DetectHidden",
                                   "Enticement",
                                   "EvaluateIntelligence",
                                   "Healing",
                                   "Fishing",
                                   "ForensicEvaluation",
                                   "Herding",
                                   "Hiding",
                                   "Provocation",
                                   "Inscription",
                                   "Lockpicking",
                                   "Magery",
                                   "ResistingSpells",
                                   "Tactics",
                                   "Snooping",
                                   "Musicianship",
                                   "Poisoning",
                                   "Archery",
                                   "SpiritSpeak",
                                   "Stealing",
                                   "Tailoring",
                                   "AnimalTaming",
                                   "TasteIdentification",
                                   "Tinkering",
                                   "Tracking",
                                   "Veterinary",
                                   "Swordsmanship",
                                   "MaceFighting",
                                   "Fencing",
                                   "Wrestling",
                                   "Lumberjacking",
                                   "Mining",
                                   "Meditation",
                                   "Stealth",
                                   "Disarm"};

} // namespace

ProfessionList ParseProfessions(std::string_view text) {
    ProfessionList list;
    ProfessionRecord current;
    size_t at = 0;
    while (at < text.size()) {
        // A line ends at its line feed or after 254 characters, as a fixed line buffer reads it.
        size_t end = at;
        while (end < text.size() && end - at < kLineLimit && text[end] != '\n')
            ++end;
        if (end < text.size() && text[end] == '\n' && end - at < kLineLimit) ++end;
        const std::string_view line = text.substr(at, end - at);
        at = end;
        if (line.find("Begin") != std::string_view::npos) {
            current = ProfessionRecord{};
        } else if (line.find("End") != std::string_view::npos) {
            list.push_back(std::make_unique<ProfessionRecord>(current));
        } else {
            ReadLine(current, line);
        }
    }
    for (const auto& record : list)
        for (const std::string& child : record->children)
            for (const auto& candidate : list)
                if (SameText(candidate->name, child)) {
                    candidate->parent = record.get();
                    break;
                }
    return list;
}

ProfessionList LoadProfessions() {
    std::FILE* file = FileManager::open("prof.txt", "rb");
    if (!file) {
        QVReport::error("File:%s, Function:CApp::readConfig: cannot open file ''.\n",
                        "frontend/Professions.cpp");
        return {};
    }
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while (text.size() < kFileLimit && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, std::min(n, kFileLimit - text.size()));
    FileManager::close(file);
    return ParseProfessions(text);
}

const ProfessionRecord* FindProfession(const ProfessionList& list, std::string_view name) {
    for (const auto& record : list)
        if (SameText(record->name, name)) return record.get();
    return nullptr;
}

int SkillIndexFromName(std::string_view name) {
    for (int i = 0; i < static_cast<int>(std::size(kSkillNames)); ++i)
        if (SameText(name, kSkillNames[i])) return i;
    return -1;
}

bool IsSkillSelectable(int skill) {
    const char* name = SkillName(skill);
    return strcasecmp(name, "stealth") != 0 && strcasecmp(name, "remove trap") != 0 &&
           strcasecmp(name, "necromancy") != 0;
}

uint8_t ProfessionCode(int description) {
    switch (description) {
    case 3:
        return 2;
    case 4:
        return 1;
    case 18:
        return 3;
    default:
        return 0;
    }
}

namespace {
constexpr int kTrack = 96;
int Span(const SliderValue& s) {
    return std::max(1, s.maximum - s.minimum);
}
} // namespace

int SliderThumbX(const SliderValue& s) {
    const int v = std::clamp(s.value, s.minimum, s.maximum) - s.minimum;
    return (v * kTrack + Span(s) / 2) / Span(s);
}

int SliderValueAt(const SliderValue& s, int x) {
    x = std::clamp(x, 0, kTrack);
    return std::clamp(s.minimum + (x * Span(s) + kTrack / 2) / kTrack, s.minimum, s.maximum);
}

void BalanceSliders(SliderValue& moved, SliderValue& A, SliderValue& B, int total, int minimumTotal) {
    for (int pass = 0; pass < 2; ++pass) {
        const int D = moved.value + A.value + B.value - total;
        if (D == 0) continue;
        int a = D / 2;
        int b = D - a;
        if (A.value - a < A.minimum) {
            a = A.value - A.minimum;
            b = D - a;
        }
        if (B.value - b < B.minimum) {
            b = B.value - B.minimum;
            a = D - b;
        }
        if (A.value - a > A.maximum) {
            a = A.value - A.maximum;
            b = D - a;
        }
        if (B.value - b > B.maximum) {
            b = B.value - B.maximum;
            a = D - b;
        }
        A.value = std::clamp(A.value - a, A.minimum, A.maximum);
        B.value = std::clamp(B.value - b, B.minimum, B.maximum);
    }
    const int shortfall = minimumTotal - (moved.value + A.value + B.value);
    if (shortfall <= 0) return;
    for (SliderValue* s : {&A, &B})
        if (s->value + shortfall <= s->maximum) {
            s->value = std::clamp(s->value + shortfall, s->minimum, s->maximum);
            return;
        }
}
