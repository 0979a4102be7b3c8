#include "text/LanguageSection.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "text/LanguageManager.h"
#include "text/WideBytes.h"

#include <string_view>

namespace {

constexpr const char* kSourceName = "LanguageSection.cpp";
constexpr const char* kLoadContext = "LanguageSection::load:";
constexpr const char* kTextContext = "LanguageSection::loadText:";

constexpr IffTag kData = MakeIffTag("DATA");
constexpr IffTag kLang = MakeIffTag("LANG");
constexpr IffTag kInfo = MakeIffTag("INFO");
constexpr IffTag kText = MakeIffTag("TEXT");
constexpr IffTag kTime = MakeIffTag("TIME");
constexpr IffTag kPosn = MakeIffTag("POSN");
constexpr IffTag kColr = MakeIffTag("COLR");
constexpr IffTag kFont = MakeIffTag("FONT");
constexpr IffTag kTkey = MakeIffTag("TKEY");

// A chunk of count records of the given size must be exactly that long.
bool ChunkHolds(Iff& iff, int count, int recordBytes) {
    if (static_cast<int64_t>(iff.charsLeft()) >= static_cast<int64_t>(count) * recordBytes) return true;
    if (!iff.failed()) iff.reportError(kLoadContext, "At end of CHUNK. Not enough data ?", true);
    return false;
}

} // namespace

LanguageSection::LanguageSection() = default;
LanguageSection::~LanguageSection() = default;

void LanguageSection::clear() {
    loaded_ = false;
    infoLanguage_.clear();
    infoName_.clear();
    charSize_ = 0;
    info1_ = info2_ = 0;
    stringCount_ = 0;
    texts_.clear();
    times_.clear();
    positions_.clear();
    colours_.clear();
    fonts_.clear();
    keyLists_.clear();
}

bool LanguageSection::load(const char* fileName, const char* languageCode, const char* sectionName) {
    (void)sectionName; // the INFO chunk names the section
    if (!fileName) return false;
    const std::string requested = languageCode ? languageCode : LanguageManager::getUserLanguageCodeString();
    const std::string codes[3] = {requested, LanguageManager::getUserLanguageCodeString(),
                                  LanguageManager::getDefaultFileExtension()};
    std::vector<uint8_t> bytes;
    for (int c = 0; c < 3; ++c) {
        const std::string& code = codes[c];
        // Each distinct code once: the user's language is often the one asked for.
        if (code.empty() || (c > 0 && code == codes[0]) || (c > 1 && code == codes[1])) continue;
        for (const char* folder : {"", "language\\"}) {
            std::string name = std::string(folder) + fileName + "." + code;
            if (FileManager::load(name.c_str(), bytes, true) <= 0) continue;
            fileName_ = fileName;
            requestedCode_ = requested;
            return parse(bytes.data(), bytes.size(), fileName);
        }
    }
    QVReport::warning("LanguageSection::load: cannot load from file '%s'.\n", fileName);
    return false;
}

bool LanguageSection::parse(const uint8_t* data, size_t length, const char* fileName) {
    clear();
    if (fileName_.empty() && fileName) fileName_ = fileName;
    Iff iff(data, length);
    iff.setFileName(fileName);
    if (!iff.enterForm(kData) || !iff.enterForm(kLang) || !parseInfo(iff)) return false;
    while (!iff.atEnd()) {
        IffTag tag = iff.getCurrentTag();
        if (tag == 0) {
            iff.reportError(kLoadContext, "Very Strange Error. Maybe Premature EOF?", false);
            break;
        }
        if (iff.isChunk(kText)) {
            loadText(iff);
        } else if (iff.isChunk(kTime) || iff.isChunk(kPosn)) {
            loadPairs(iff, tag);
        } else if (iff.isChunk(kColr)) {
            loadColours(iff);
        } else if (iff.isChunk(kFont)) {
            loadFonts(iff);
        } else if (iff.isChunk(kTkey)) {
            loadKeys(iff);
        } else {
            iff.reportError(kLoadContext, "Ignoring Unexpected FORM or CHUNK.", false);
            iff.skipElement();
        }
        if (iff.failed()) return false;
    }
    if (!iff.exitForm(kLang) || !iff.exitForm(kData)) return false;
    loaded_ = true;
    return true;
}

bool LanguageSection::parseInfo(Iff& iff) {
    if (!iff.enterChunk(kInfo)) return false;
    iff.readString(infoLanguage_, kMaxInfoText);
    charSize_ = iff.readInt32();
    info1_ = iff.readInt32();
    iff.readString(infoName_, kMaxInfoText);
    info2_ = iff.readInt32();
    int32_t count = iff.readInt32();
    if (iff.failed()) return false;
    if (iff.charsLeft() != 0) {
        iff.reportError(kLoadContext, "Extra data in CHUNK INFO.", true);
        return false;
    }
    if (charSize_ != 1 && charSize_ != 2) {
        iff.reportError(kLoadContext, "Illegal character size.", true);
        return false;
    }
    if (count <= 0) {
        iff.reportError(kLoadContext, "stringCount <= 0.", true);
        return false;
    }
    // Every text takes at least its terminator in the TEXT chunk, so the file bounds the count.
    if (static_cast<int64_t>(count) * charSize_ >
        static_cast<int64_t>(static_cast<uint32_t>(iff.lastFormSize()))) {
        iff.reportError(kLoadContext, "stringCount larger than the file.", true);
        return false;
    }
    stringCount_ = count;
    texts_.resize(static_cast<size_t>(count));
    return iff.exitChunk(kInfo, true);
}

bool LanguageSection::loadText(Iff& iff) {
    if (!iff.enterChunk(kText)) return false;
    const uint8_t* p = iff.getCurrentData();
    const size_t size = static_cast<size_t>(iff.charsLeft());
    const size_t unitBytes = static_cast<size_t>(charSize_);
    size_t at = 0;
    std::vector<char16_t> units;
    for (int i = 0; i < stringCount_; ++i) {
        units.clear();
        bool terminated = false;
        while (at + unitBytes <= size) {
            char16_t u = unitBytes == 2 ? LoadUtf16LE(p + at) : static_cast<char16_t>(p[at]);
            at += unitBytes;
            if (u == 0) {
                terminated = true;
                break;
            }
            units.push_back(u);
        }
        if (!terminated) {
            iff.reportError(kTextContext, "NOT ENOUGH DATA! Check string count.", true);
            return false;
        }
        if (units.empty()) {
            texts_[static_cast<size_t>(i)].reset();
        } else {
            units.push_back(0);
            texts_[static_cast<size_t>(i)] = std::make_unique<CWideString>(units.data());
        }
    }
    if (at != size) {
        iff.reportError(kTextContext, "TOO MUCH DATA! Check string count.", true);
        return false;
    }
    return iff.exitChunk(kText, false);
}

bool LanguageSection::loadPairs(Iff& iff, IffTag tag) {
    if (!iff.enterChunk(tag) || !ChunkHolds(iff, stringCount_, 8)) return false;
    const bool time = tag == kTime;
    if (time)
        times_.clear();
    else
        positions_.clear();
    for (int i = 0; i < stringCount_; ++i) {
        int32_t a = iff.readInt32();
        int32_t b = iff.readInt32();
        if (time)
            times_.push_back(FrameRange{a, b});
        else
            positions_.push_back(Position{a, b});
    }
    return iff.exitChunk(tag, true);
}

bool LanguageSection::loadColours(Iff& iff) {
    if (!iff.enterChunk(kColr) || !ChunkHolds(iff, stringCount_, 12)) return false;
    colours_.clear();
    for (int i = 0; i < stringCount_; ++i) {
        uint32_t r = static_cast<uint32_t>(iff.readInt32()) & 0xFF;
        uint32_t g = static_cast<uint32_t>(iff.readInt32()) & 0xFF;
        uint32_t b = static_cast<uint32_t>(iff.readInt32()) & 0xFF;
        colours_.push_back(r << 16 | g << 8 | b);
    }
    return iff.exitChunk(kColr, true);
}

bool LanguageSection::loadFonts(Iff& iff) {
    if (!iff.enterChunk(kFont) || !ChunkHolds(iff, stringCount_, 4)) return false;
    fonts_.clear();
    for (int i = 0; i < stringCount_; ++i)
        fonts_.push_back(iff.readInt32());
    return iff.exitChunk(kFont, true);
}

bool LanguageSection::loadKeys(Iff& iff) {
    if (!iff.enterChunk(kTkey) || !ChunkHolds(iff, stringCount_, 8)) return false;
    keyLists_.clear();
    for (int i = 0; i < stringCount_; ++i) {
        KeyList list;
        list.index = iff.readInt32();
        int32_t n = iff.readInt32();
        if (iff.failed()) return false;
        if (list.index < 0 || list.index >= stringCount_) {
            iff.reportError(kLoadContext, "String index out of range in CHUNK TKEY.", true);
            return false;
        }
        if (n < 0 || static_cast<int64_t>(n) * 4 > iff.charsLeft()) {
            iff.reportError(kLoadContext, "Key count out of range in CHUNK TKEY.", true);
            return false;
        }
        list.keys.reserve(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k)
            list.keys.push_back(iff.readInt32());
        keyLists_.push_back(std::move(list));
    }
    return iff.exitChunk(kTkey, true);
}

const CWideString* LanguageSection::getStr(int number, bool quiet) const {
    if (!keyLists_.empty()) {
        for (const KeyList& list : keyLists_) {
            for (int32_t key : list.keys) {
                if (key != number) continue;
                const CWideString* text = texts_[static_cast<size_t>(list.index)].get();
                if (!text && !quiet)
                    QVReport::error("LanguageSection::getStr:string number (%d) is NULL !\n", number);
                return text;
            }
        }
        if (!quiet) QVReport::error("LanguageSection::getStr:string number (%d) is NULL !\n", number);
        return nullptr;
    }
    if (number < 0 || number >= stringCount_) {
        if (!quiet) {
            QVReport::error(
                "FILE:%s, Function:LanguageSection::getStr: given string number (%d) out of range "
                "(0-%d)\n",
                kSourceName, number, stringCount_ - 1);
            QVReport::error("FILE:%s, Function:LanguageSection::getStr: string number (%d) is NULL !\n",
                            kSourceName, number);
            QVReport::error("LanguageSection::getStr:string number (%d) is NULL !\n", number);
        }
        return nullptr;
    }
    const CWideString* text = texts_[static_cast<size_t>(number)].get();
    if (!text && !quiet) {
        QVReport::error("FILE:%s, Function:LanguageSection::getStr: string number (%d) is NULL !\n",
                        kSourceName, number);
        QVReport::error("LanguageSection::getStr:string number (%d) is NULL !\n", number);
    }
    return text;
}

const CWideString* LanguageSection::getStrForFrame(int frame, int* index) const {
    if (index) *index = -1;
    if (times_.empty()) {
        QVReport::error("FILE:%s, Function:LanguageSection::getStrForFrame: no frame timing information\n",
                        kSourceName);
        return nullptr;
    }
    for (size_t i = 0; i < times_.size(); ++i) {
        if (frame < times_[i].start || frame > times_[i].end) continue;
        if (index) *index = static_cast<int>(i);
        return texts_[i].get();
    }
    return nullptr;
}
