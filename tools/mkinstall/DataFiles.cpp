#include "mkinstall/DataFiles.h"

#include "platform/platform.h"

#include <cstdio>

namespace mkinstall {
namespace {

bool WriteFile(const std::string& dir, const std::string& name, const std::string& bytes,
               std::string* error) {
    std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

bool Missing(const std::string& dir, const std::string& name) {
    return !platform::FileExists(dir + "/" + name);
}

std::string MissingRecords(int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += LittleEndian32(-1) + LittleEndian32(0) + LittleEndian32(0);
    return out;
}

struct NamedText {
    const char* name;
    const char* text;
};

// The substitution tables: comments, and definitions whose ids the sample data does not hold.
constexpr NamedText kDefFiles[] = {
    {"sound.def", "# sound {alternatives} extra\n"
                  "# a missing sound plays one of its alternatives\n"
                  "1200 {60, 61} 0\n"
                  "30 {5} 0\n"},
    {"music.def", "# song {alternatives} extra\n"
                  "45 {1} 0\n"},
    {"anim1.def", "# body {alternatives} extra\n"
                  "# first animation file\n"},
    {"anim2.def", "# body {alternatives} extra\n"},
    {"anim3.def", "# body {alternatives} extra\n"},
    {"anim4.def", "# body {alternatives} extra\n"},
    {"art.def", "# art {alternatives} extra\n"
                "16000 {1, 2, 3} 0\n"},
    {"body.def", "# body {alternatives} hue\n"
                 "401 {400} 0  # the second human shown as the sample human\n"
                 "1000 {200, 201} 1153  # a hued stand-in\n"
                 "# the demo's animal and creature\n"
                 "204 {205} 0\n"
                 "9 {10} 0\n"},
    {"corpse.def", "# body {alternatives} hue\n"
                   "1000 {200} 0\n"},
    {"bodyconv.def", "# body  value ...\n"
                     "# bodies a newer server shows natively\n"
                     "1000\t1\t-1\t-1\n"
                     "# the demo's animal\n"
                     "204\t204\t-1\t-1\n"},
};

} // namespace

std::string LittleEndian32(int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>(v >> (8 * i));
    return out;
}

bool WriteIndexedFiles(const std::string& dir, const std::string& indexName, const std::string& dataName,
                       const std::vector<IndexedItem>& items, std::string* error) {
    std::string index, data;
    for (const IndexedItem& item : items) {
        if (item.bytes) {
            index += LittleEndian32(static_cast<int32_t>(data.size())) +
                     LittleEndian32(static_cast<int32_t>(item.bytes->size())) + LittleEndian32(item.extra);
            data += *item.bytes;
        } else {
            index += LittleEndian32(-1) + LittleEndian32(0) + LittleEndian32(item.extra);
        }
    }
    return WriteFile(dir, indexName, index, error) && WriteFile(dir, dataName, data, error);
}

const char* SkillName(int skill) {
    static char names[kSkillCount][16];
    if (skill < 0 || skill >= kSkillCount) return "";
    if (!names[skill][0]) std::snprintf(names[skill], sizeof names[skill], "Skill %02d", skill);
    return names[skill];
}

bool SkillHasButton(int skill) {
    return skill % 3 == 0;
}

std::string SkillEntry(int skill) {
    std::string entry(1, SkillHasButton(skill) ? '\1' : '\0');
    entry += SkillName(skill);
    entry += '\0';
    return entry;
}

std::string MapBlock(int block) {
    std::string out = LittleEndian32(block);
    for (int cell = 0; cell < 64; ++cell)
        out += std::string{'\3', '\0', '\0'}; // land tile 3, z 0
    return out;
}

bool WriteDataFiles(const std::string& dir, std::string* error) {
    if (Missing(dir, "map0.mul")) {
        std::string map;
        for (int b = 0; b < kMapBlocks; ++b)
            map += MapBlock(b);
        if (!WriteFile(dir, "map0.mul", map, error)) return false;
    }
    if (Missing(dir, "staidx0.mul") && Missing(dir, "statics0.mul")) {
        if (!WriteFile(dir, "staidx0.mul", MissingRecords(kMapBlocks), error) ||
            !WriteFile(dir, "statics0.mul", "", error))
            return false;
    }
    static const char* const kEmptyPairs[][2] = {
        {"artidx.mul", "art.mul"},     {"anim.idx", "anim.mul"},       {"soundidx.mul", "sound.mul"},
        {"texidx.mul", "texmaps.mul"}, {"gumpidx.mul", "gumpart.mul"}, {"multi.idx", "multi.mul"},
    };
    for (const auto& pair : kEmptyPairs) {
        if (!Missing(dir, pair[0]) || !Missing(dir, pair[1])) continue;
        if (!WriteFile(dir, pair[0], MissingRecords(kEmptyIndexRecords), error) ||
            !WriteFile(dir, pair[1], "", error))
            return false;
    }
    if (Missing(dir, "skills.idx") && Missing(dir, "skills.mul")) {
        std::vector<IndexedItem> skills;
        for (int i = 0; i < kSkillCount; ++i)
            skills.push_back({SkillEntry(i), 0});
        if (!WriteIndexedFiles(dir, "skills.idx", "skills.mul", skills, error)) return false;
    }
    for (const NamedText& def : kDefFiles)
        if (Missing(dir, def.name) && !WriteFile(dir, def.name, def.text, error)) return false;
    return true;
}

} // namespace mkinstall
