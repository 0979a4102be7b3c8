#pragma once
// Substitution tables: ids of sounds, music, animations, art and bodies that the installed data
// lack are replaced by other ids listed in nine .def files of the installation folder. A pick is
// random but repeatable for a seed, so one object keeps its look. "bodyconv.def" lists the bodies
// a newer server (feature bit 1) shows natively; those are exempt from substitution.
//
// A definition line: "123 {456, 457} 0 # comment": the id, anything up to '{', the alternatives,
// '}', the extra value (may be negative), then blanks or a comment.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class DefTable {
  public:
    struct Entry {
        std::vector<int16_t> alternatives;
        int extra = 0;
    };

    DefTable() = default;
    // Reads a table file. A file that cannot be opened ends the process with exit code 1.
    explicit DefTable(const std::string& path);

    // Reads table lines from memory, with the rules of the constructor.
    void Load(std::string_view text);
    // 0 for a definition (filling the outputs), 1 for anything else.
    static int ParseLine(std::string_view line, int16_t& id, std::vector<int16_t>& alternatives, int& extra);

    bool Contains(int id) const;
    // One of the id's alternatives, the same for the same seed; the id itself when it has none.
    int PickAlternative(int id, uint32_t seed) const;
    // The entry of an id (exempt ids included); null when there is none.
    const Entry* Find(int id) const;

    const std::string& GetName() const { return name_; }
    int GetLineCount() const { return lines_; }
    size_t GetEntryCount() const { return entries_.size(); }

  private:
    std::unordered_map<int16_t, Entry> entries_;
    std::string name_;
    int lines_ = 0;
};

namespace DefManager {

enum TableId { Sound, Music, Anim1, Anim2, Anim3, Anim4, Art, Body, Corpse, kTableCount };
inline constexpr const char* kTableNames[kTableCount] = {"sound.def", "music.def", "anim1.def",
                                                         "anim2.def", "anim3.def", "anim4.def",
                                                         "art.def",   "body.def",  "corpse.def"};

// Builds the nine tables from the installation folder, in the order above.
bool startup();
void shutdown();
// Null before startup and after shutdown.
DefTable* GetTable(TableId table);

// ---------------------------------------------------------------- body conversion
constexpr int kBodyConvSize = 2048;
// Every body without a value, and "not loaded".
void ResetBodyConv();
// Reads "bodyconv.def" lines "index value ..."; false when the file cannot be opened.
bool LoadBodyConv(const std::string& path);
void LoadBodyConvText(std::string_view text);
bool IsBodyConvLoaded();
// Start-up's step: every body without a value, then "bodyconv.def" from the installation folder.
void LoadBodyConversion();
// The value of a body, -1 when it has none (or lies outside the table).
int BodyConv(int body);

// The feature word of the server; bit 1 allows the extended bodies.
void SetFeatureFlags(uint32_t flags);
uint32_t GetFeatureFlags();
// Whether an id is shown natively: 0..2047, feature bit 1 set and a body conversion value.
bool IsExempt(int id);

} // namespace DefManager
