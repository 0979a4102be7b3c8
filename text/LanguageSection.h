#pragma once
// One localized text section: an IFF file named after the section, a dot and a language code
// ("gt_0000.enu"), holding numbered texts and, per text, optional frame ranges, positions,
// colours, fonts and key lists. FORM DATA > FORM LANG > INFO, then TEXT, TIME, POSN, COLR, FONT
// and TKEY chunks in any order; integers little-endian.
#include "text/CWideString.h"
#include "text/Iff.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LanguageSection {
  public:
    static constexpr size_t kMaxInfoText = 511;

    struct FrameRange {
        int32_t start;
        int32_t end;
    };
    struct Position {
        int32_t x;
        int32_t y;
    };
    // Text number keys that select the text at index.
    struct KeyList {
        int32_t index;
        std::vector<int32_t> keys;
    };

    LanguageSection();
    ~LanguageSection();
    LanguageSection(const LanguageSection&) = delete;
    LanguageSection& operator=(const LanguageSection&) = delete;

    // Finds "<file>.<code>" (also under "language\") for the requested code, then the user's and
    // the default language's, and parses the first that loads.
    bool load(const char* fileName, const char* languageCode, const char* sectionName);
    // Parses the bytes of one section file; fileName names it in error reports.
    bool parse(const uint8_t* data, size_t length, const char* fileName);

    bool isLoaded() const { return loaded_; }
    const std::string& getFileName() const { return fileName_; }
    const std::string& getRequestedCode() const { return requestedCode_; }
    const std::string& getInfoLanguage() const { return infoLanguage_; }
    const std::string& getInfoName() const { return infoName_; }
    int getCharSize() const { return charSize_; }
    int getCount() const { return stringCount_; }
    int32_t getInfoValue(int which) const { return which == 0 ? info1_ : info2_; }

    // The text of a number (through the key lists when the section has them), or null. Unless
    // quiet, a miss is logged.
    const CWideString* getStr(int number, bool quiet = false) const;
    // The first text whose frame range holds the frame, with its index; null and -1 when none.
    const CWideString* getStrForFrame(int frame, int* index) const;

    // Empty when the section has no such chunk; otherwise one entry per text.
    const std::vector<FrameRange>& getTimes() const { return times_; }
    const std::vector<Position>& getPositions() const { return positions_; }
    const std::vector<uint32_t>& getColours() const { return colours_; } // r << 16 | g << 8 | b
    const std::vector<int32_t>& getFonts() const { return fonts_; }
    const std::vector<KeyList>& getKeyLists() const { return keyLists_; }

  private:
    bool parseInfo(Iff& iff);
    bool loadText(Iff& iff);
    bool loadPairs(Iff& iff, IffTag tag);
    bool loadColours(Iff& iff);
    bool loadFonts(Iff& iff);
    bool loadKeys(Iff& iff);
    void clear();

    bool loaded_ = false;
    std::string fileName_;
    std::string requestedCode_; // the code the section was asked for (it may hold a fallback)
    std::string infoLanguage_;
    std::string infoName_;
    int charSize_ = 0;
    int32_t info1_ = 0;
    int32_t info2_ = 0;
    int stringCount_ = 0;
    std::vector<std::unique_ptr<CWideString>> texts_; // null where the file gave an empty text
    std::vector<FrameRange> times_;
    std::vector<Position> positions_;
    std::vector<uint32_t> colours_;
    std::vector<int32_t> fonts_;
    std::vector<KeyList> keyLists_;
};
