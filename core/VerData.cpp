#include "core/VerData.h"

#include "core/CDHDCache.h"
#include "core/CMMF.h"
#include "core/FileManager.h"
#include "core/QVReport.h"

#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

namespace VerData {
namespace {

struct State {
    std::unique_ptr<CMMF> map;
    const uint8_t* view = nullptr;
    size_t size = 0;
    // The latest record per row and id: a later record replaces an earlier one. (A table of
    // row x bucket lists cost 34,816 allocations per load even for one record.)
    std::unordered_map<uint64_t, Entry> entries;
    int count = 0;
};

uint64_t KeyOf(int row, int id) {
    return static_cast<uint64_t>(static_cast<uint32_t>(row)) << 32 | static_cast<uint32_t>(id);
}

State& S() {
    static State state;
    return state;
}

// Reads little-endian values inside [begin, end); past the end it answers 0 and marks itself bad.
class Reader {
  public:
    Reader(const uint8_t* begin, size_t size) : p_(begin), left_(size) {}
    bool ok() const { return ok_; }
    size_t left() const { return left_; }
    uint8_t u8() {
        if (!Need(1)) return 0;
        uint8_t v = p_[0];
        Skip(1);
        return v;
    }
    uint16_t u16() {
        if (!Need(2)) return 0;
        uint16_t v = static_cast<uint16_t>(p_[0] | p_[1] << 8);
        Skip(2);
        return v;
    }
    int32_t i32() {
        if (!Need(4)) return 0;
        uint32_t v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
                     static_cast<uint32_t>(p_[2]) << 16 | static_cast<uint32_t>(p_[3]) << 24;
        Skip(4);
        return static_cast<int32_t>(v);
    }
    void bytes(void* out, size_t n) {
        if (!Need(n)) return;
        std::memcpy(out, p_, n);
        Skip(n);
    }
    void Skip(size_t n) {
        if (!Need(n)) return;
        p_ += n;
        left_ -= n;
    }

  private:
    bool Need(size_t n) {
        if (ok_ && n <= left_) return true;
        ok_ = false;
        return false;
    }
    const uint8_t* p_;
    size_t left_;
    bool ok_ = true;
};

void ClearEntries() {
    State& s = S();
    s.entries.clear();
    s.count = 0;
}

bool AddEntry(int row, const Entry& e, size_t fileSize, int index) {
    State& s = S();
    const int recordSize = CDHDCache::GetFileInfo(row).recordSize;
    const char* fault = nullptr;
    if (e.id < 0)
        fault = "a negative id";
    else if (e.length < 0)
        fault = "a negative length";
    else if (e.length > 0 && (e.offset < 0 || static_cast<uint64_t>(e.offset) + e.length > fileSize))
        fault = "bytes outside the file";
    else if (e.length > 0 && recordSize > 0 && e.length < recordSize)
        fault = "less than one record";
    if (fault) {
        QVReport::warning("LoadVersionFile(): record %d (file %d, id %d) has %s; skipped.\n", index, row,
                          e.id, fault);
        return false;
    }
    s.entries[KeyOf(row, e.id)] = e;
    s.count += 1;
    return true;
}

bool ApplyGroup(int file, int id, const uint8_t* bytes, size_t size, int index) {
    const char* fault = nullptr;
    if (file == kAnimTileFile) {
        AnimTileRecord records[8];
        if (id < 0 || id >= kAnimTileGroups)
            fault = "a group outside the table";
        else if (!ParseAnimTileGroup(bytes, size, records))
            fault = "a short group";
        else
            animCrap::ApplyVersionGroup(id, records);
    } else if (file == kHueFile) {
        HueRecord entries[8];
        if (id < 0 || id >= kHueGroups)
            fault = "a group outside the table";
        else if (!ParseHueGroup(bytes, size, entries))
            fault = "a short group";
        else
            HueManager::ApplyVersionGroup(id, entries);
    } else {
        std::vector<FontGlyph> glyphs;
        if (id < 0 || id >= kFontSlots)
            fault = "a font slot outside the table";
        else if (!ParseFont(bytes, size, glyphs))
            fault = "a short font";
        else
            FontManager::ApplyVersionFont(id, std::move(glyphs));
    }
    if (fault)
        QVReport::warning("LoadVersionFile(): record %d (file %d, id %d) has %s; skipped.\n", index, file, id,
                          fault);
    return fault == nullptr;
}

} // namespace

bool ParseAnimTileGroup(const uint8_t* bytes, size_t size, AnimTileRecord (&out)[8]) {
    Reader r(bytes, size);
    r.Skip(4); // group header
    for (AnimTileRecord& rec : out) {
        r.bytes(rec.frames, sizeof rec.frames);
        rec.frame = r.u8();
        rec.frameCount = r.u8();
        if (rec.frameCount > 64) rec.frameCount = 64;
        rec.interval = r.u8();
        rec.startInterval = r.u8();
    }
    return bytes && r.ok();
}

bool ParseHueGroup(const uint8_t* bytes, size_t size, HueRecord (&out)[8]) {
    Reader r(bytes, size);
    r.Skip(4); // group header
    for (HueRecord& hue : out) {
        for (uint16_t& c : hue.colors)
            c = r.u16();
        hue.tableStart = r.u16();
        hue.tableEnd = r.u16();
        r.bytes(hue.name, sizeof hue.name);
        hue.name[sizeof hue.name - 1] = 0;
    }
    return bytes && r.ok();
}

bool ParseFont(const uint8_t* bytes, size_t size, std::vector<FontGlyph>& out) {
    Reader r(bytes, size);
    out.clear();
    out.reserve(kFontGlyphs);
    for (int i = 0; i < kFontGlyphs && r.ok(); ++i) {
        FontGlyph g;
        g.width = r.u8();
        g.height = r.u8();
        g.header = r.u8();
        size_t pixels = static_cast<size_t>(g.width) * g.height;
        if (pixels * 2 > r.left()) return false;
        g.pixels.resize(pixels);
        for (uint16_t& p : g.pixels)
            p = r.u16();
        out.push_back(std::move(g));
    }
    return bytes && r.ok() && out.size() == kFontGlyphs;
}

int Load(const uint8_t* view, size_t size) {
    State& s = S();
    ClearEntries();
    s.view = view;
    s.size = size;
    Reader r(view, size);
    int32_t count = r.i32();
    if (!view || !r.ok() || count < 0) {
        QVReport::warning("LoadVersionFile(): the file holds no record count.\n");
        return 0;
    }
    const size_t fits = (size - 4) / kRecordSize;
    if (static_cast<size_t>(count) > fits) {
        QVReport::warning("LoadVersionFile(): the file claims %d records but holds %zu; reading those.\n",
                          count, fits);
        count = static_cast<int32_t>(fits);
    }
    int accepted = 0;
    for (int i = 0; i < count; ++i) {
        int32_t file = r.i32();
        Entry e;
        e.id = r.i32();
        e.offset = r.i32();
        e.length = r.i32();
        e.extra = r.i32();
        if (file >= 0 && file < CDHDCache::kRowCount) {
            accepted += AddEntry(file, e, size, i);
        } else if (file == kAnimTileFile || file == kHueFile || file == kFontFile) {
            // Groups are read from their offset to the end of the file, whatever their length says.
            if (e.offset < 0 || static_cast<size_t>(e.offset) >= size) {
                QVReport::warning("LoadVersionFile(): record %d (file %d, id %d) has bytes outside the file; "
                                  "skipped.\n",
                                  i, file, e.id);
                continue;
            }
            accepted += ApplyGroup(file, e.id, view + e.offset, size - static_cast<size_t>(e.offset), i);
        }
    }
    return accepted;
}

void Reset() {
    State& s = S();
    ClearEntries();
    s.view = nullptr;
    s.size = 0;
    s.map.reset();
}

const Entry* Find(int row, int id) {
    State& s = S();
    if (row < 0 || row >= CDHDCache::kRowCount || id < 0) return nullptr;
    auto it = s.entries.find(KeyOf(row, id));
    return it == s.entries.end() ? nullptr : &it->second;
}

const uint8_t* Bytes(const Entry& entry) {
    State& s = S();
    if (!s.view || entry.length <= 0) return nullptr;
    return s.view + entry.offset;
}

int EntryCount() {
    return S().count;
}

} // namespace VerData

void LoadVersionFile() {
    QVReport::message("LoadVersionFile(): begin.\n");
    if (!CDHDCache::UseVerData()) return;
    std::FILE* f = FileManager::open("verdata.mul", "rb");
    if (!f) return;
    std::string path = FileManager::actualNameOf(f);
    FileManager::close(f);
    QVReport::message("LoadVersionFile(): mapping file '%s'.\n", path.c_str());
    VerData::Reset();
    VerData::State& s = VerData::S();
    s.map = std::make_unique<CMMF>(path.c_str());
    const uint8_t* view = s.map->Open(true);
    if (!view) {
        s.map.reset();
        return;
    }
    VerData::Load(view, static_cast<size_t>(s.map->GetSize()));
}
