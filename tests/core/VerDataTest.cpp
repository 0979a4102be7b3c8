#include "core/VerData.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "world/animCrap.h"

#include "DataFixture.h"

namespace {

using CDHDCache::HdConfig;
using mkinstall::LittleEndian32;
using qvtest::TempDir;

// Builds "verdata.mul": the count, the 20-byte records, then each record's bytes.
struct VerFile {
    struct Rec {
        int32_t file;
        int32_t id;
        std::string bytes;
        int32_t extra = 0;
        std::optional<int32_t> offset = std::nullopt; // in place of the real one
        std::optional<int32_t> length = std::nullopt;
    };
    std::vector<Rec> recs;
    std::optional<int32_t> count;

    std::string Build() const {
        std::string head = LittleEndian32(count.value_or(static_cast<int32_t>(recs.size())));
        std::string payload;
        const size_t start = 4 + 20 * recs.size();
        for (const Rec& r : recs) {
            int32_t offset = static_cast<int32_t>(start + payload.size());
            head += LittleEndian32(r.file) + LittleEndian32(r.id) +
                    LittleEndian32(r.offset.value_or(offset)) +
                    LittleEndian32(r.length.value_or(static_cast<int32_t>(r.bytes.size()))) +
                    LittleEndian32(r.extra);
            payload += r.bytes;
        }
        return head + payload;
    }
};

std::string U16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

// A group record's bytes: the 4-byte header, then 8 animated-tile records.
std::string AnimGroup(uint8_t frameCount) {
    std::string out(4, '\0');
    for (int i = 0; i < 8; ++i) {
        std::string rec(64, static_cast<char>(i));
        rec += std::string{'\x07', static_cast<char>(frameCount), '\x02', '\x01'};
        out += rec;
    }
    return out;
}

std::string HueGroup(uint16_t firstColour) {
    std::string out(4, '\0');
    for (int i = 0; i < 8; ++i) {
        for (int c = 0; c < 32; ++c)
            out += U16(static_cast<uint16_t>(firstColour + c));
        out += U16(1) + U16(31) + std::string(20, 'N'); // a name without its terminator
    }
    return out;
}

std::string Font(int glyphs) {
    std::string out;
    for (int g = 0; g < glyphs; ++g)
        out += std::string{'\x02', '\x01', '\x05'} + U16(0x7FFF) + U16(static_cast<uint16_t>(g));
    return out;
}

std::string MapBlockOf(char fill) {
    return std::string(196, fill);
}

class VerDataTest : public qvtest::DataFixture {
  protected:
    TempDir hdDir;
    std::string hd = hdDir.path().string();

    void SetUp() override {
        DataFixture::SetUp();
        Install(hd);
        WritePair(hd, "artidx.mul", "art.mul", {{"orig0", 0}, {"orig1", 0}, {"orig2", 0}});
        PointAt(hd);
    }
    void TearDown() override {
        VerData::Reset();
        DataFixture::TearDown();
    }

    std::optional<std::string> Art(int id, int* extra = nullptr) {
        return Item(CDHDCache::kArtIdx, CDHDCache::kArt, id, extra);
    }

    // Loads a patch image from memory and tells whether it patched art item id with these bytes.
    std::optional<std::string> Patched(int row, int id) {
        const VerData::Entry* e = VerData::Find(row, id);
        if (!e || e->length == 0) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(VerData::Bytes(*e)), static_cast<size_t>(e->length));
    }
};

TEST_F(VerDataTest, ALaterRecordWinsAndAnEmptyOneHidesTheItem) {
    VerFile v;
    v.recs = {{CDHDCache::kArt, 0, "first"},
              {CDHDCache::kArt, 0, "second", 5},
              {CDHDCache::kArt, 1, ""},
              {CDHDCache::kArt, 50, "past the index"},
              {CDHDCache::kArt, 1024, "same bucket as 0"},
              {CDHDCache::kMap0, 3, MapBlockOf('P')}};
    hdDir.write("verdata.mul", v.Build());
    StartData(HdConfig::MaxHD, 1, true);

    int extra = 0;
    EXPECT_EQ(Art(0, &extra), "second");
    EXPECT_EQ(extra, 5);
    EXPECT_EQ(Art(1), std::nullopt); // the data file still has it
    EXPECT_EQ(Art(2), "orig2");
    EXPECT_EQ(Art(50), "past the index");
    EXPECT_EQ(Art(1024), "same bucket as 0");
    const uint8_t* block = CDHDCache::GetRecord(CDHDCache::kMap0, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), 196), MapBlockOf('P'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(CDHDCache::GetRecord(CDHDCache::kMap0, 4)), 196),
              mkinstall::MapBlock(4));
    EXPECT_EQ(VerData::EntryCount(), 6);
}

TEST_F(VerDataTest, PatchesAreReadOnlyWhenSwitchedOn) {
    VerFile v;
    v.recs = {{CDHDCache::kArt, 0, "patched"}};
    hdDir.write("verdata.mul", v.Build());
    StartData(HdConfig::MaxHD, 1, false);
    EXPECT_EQ(Art(0), "orig0");
    EXPECT_EQ(VerData::EntryCount(), 0);
}

TEST_F(VerDataTest, NoPatchFileIsNoProblem) {
    StartData(HdConfig::MaxHD, 1, true);
    EXPECT_EQ(Art(0), "orig0");
    EXPECT_FALSE(recorder->contains(QVReport::Level::Warning, "LoadVersionFile"));
    EXPECT_FALSE(recorder->contains(QVReport::Level::Error, "LoadVersionFile"));
}

TEST_F(VerDataTest, BadRecordsAreSkippedWithAWarning) {
    struct Case {
        const char* what;
        VerFile::Rec bad;
        const char* warning; // nullptr: skipped silently
    };
    const Case cases[] = {
        {"bytes past the end",
         {CDHDCache::kArt, 7, "abc", 0, std::nullopt, 1000},
         "has bytes outside the file"},
        {"negative offset", {CDHDCache::kArt, 7, "abc", 0, -4, std::nullopt}, "has bytes outside the file"},
        {"negative id", {CDHDCache::kArt, -7, "abc"}, "has a negative id"},
        {"negative length", {CDHDCache::kArt, 7, "abc", 0, std::nullopt, -1}, "has a negative length"},
        {"short map block", {CDHDCache::kMap0, 7, std::string(100, 'm')}, "has less than one record"},
        {"animated-tile group past the table",
         {VerData::kAnimTileFile, 2048, AnimGroup(1)},
         "a group outside"},
        {"hue group below the table", {VerData::kHueFile, -1, HueGroup(1)}, "a group outside"},
        {"font slot past the table", {VerData::kFontFile, 25, Font(224)}, "a font slot outside"},
        {"group offset past the end", {VerData::kHueFile, 1, "", 0, 1 << 30, std::nullopt}, "bytes outside"},
        {"unknown file", {40, 7, "abc"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorder->clear();
        VerFile v;
        v.recs = {{CDHDCache::kArt, 0, "good"}, c.bad};
        std::string image = v.Build();
        EXPECT_EQ(VerData::Load(reinterpret_cast<const uint8_t*>(image.data()), image.size()), 1);
        EXPECT_EQ(Patched(CDHDCache::kArt, 0), "good");
        EXPECT_EQ(VerData::Find(CDHDCache::kArt, 7), nullptr);
        if (c.warning) {
            EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, c.warning));
        } else {
            EXPECT_FALSE(recorder->contains(QVReport::Level::Warning, ""));
        }
    }
}

TEST_F(VerDataTest, TheRecordCountIsHeldToTheFile) {
    VerFile v;
    v.recs = {{CDHDCache::kArt, 0, "a"}, {CDHDCache::kArt, 1, "b"}};
    v.count = 1000;
    std::string image = v.Build();
    EXPECT_EQ(VerData::Load(reinterpret_cast<const uint8_t*>(image.data()), image.size()), 2);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "claims 1000 records but holds 2"));
    v.count = -1;
    image = v.Build();
    EXPECT_EQ(VerData::Load(reinterpret_cast<const uint8_t*>(image.data()), image.size()), 0);
    EXPECT_EQ(VerData::Load(reinterpret_cast<const uint8_t*>("\x01\x00"), 2), 0);
    EXPECT_EQ(VerData::Find(CDHDCache::kArt, 0), nullptr);
}

TEST_F(VerDataTest, GroupRecordsAreReadWhole) {
    VerData::AnimTileRecord tiles[8];
    std::string anim = AnimGroup(70);
    ASSERT_TRUE(
        VerData::ParseAnimTileGroup(reinterpret_cast<const uint8_t*>(anim.data()), anim.size(), tiles));
    EXPECT_EQ(tiles[7].frames[63], 7);
    EXPECT_EQ(tiles[7].frame, 7);
    EXPECT_EQ(tiles[7].frameCount, 64); // more than 64 frames are 64
    EXPECT_EQ(tiles[7].interval, 2);
    EXPECT_EQ(tiles[7].startInterval, 1);
    EXPECT_FALSE(
        VerData::ParseAnimTileGroup(reinterpret_cast<const uint8_t*>(anim.data()), anim.size() - 1, tiles));

    VerData::HueRecord hues[8];
    std::string hue = HueGroup(0x100);
    ASSERT_TRUE(VerData::ParseHueGroup(reinterpret_cast<const uint8_t*>(hue.data()), hue.size(), hues));
    EXPECT_EQ(hues[3].colors[31], 0x100 + 31);
    EXPECT_EQ(hues[3].tableEnd, 31);
    EXPECT_EQ(std::string(hues[3].name), std::string(19, 'N'));
    EXPECT_FALSE(VerData::ParseHueGroup(reinterpret_cast<const uint8_t*>(hue.data()), 100, hues));

    std::vector<VerData::FontGlyph> glyphs;
    std::string font = Font(224);
    ASSERT_TRUE(VerData::ParseFont(reinterpret_cast<const uint8_t*>(font.data()), font.size(), glyphs));
    ASSERT_EQ(glyphs.size(), 224u);
    EXPECT_EQ(glyphs[223].header, 5);
    EXPECT_EQ(glyphs[223].pixels, (std::vector<uint16_t>{0x7FFF, 223}));
    EXPECT_FALSE(VerData::ParseFont(reinterpret_cast<const uint8_t*>(font.data()), font.size() - 1, glyphs));
}

TEST_F(VerDataTest, GroupsGoToTheirOwners) {
    VerFile v;
    v.recs = {{VerData::kAnimTileFile, 3, AnimGroup(70)},
              {VerData::kHueFile, 2, HueGroup(0x1234)},
              {VerData::kFontFile, 2, Font(224)}};
    hdDir.write("verdata.mul", v.Build());
    StartData(HdConfig::MaxHD, 1, true);
    const animCrap::Record& patched = animCrap::Get(3 * 8 + 5); // group 3 starts at record 24
    EXPECT_EQ(patched.frames[0], 5);
    EXPECT_EQ(patched.frameCount, 64);
    EXPECT_EQ(patched.frame, 7);
    animCrap::Reset();
    EXPECT_EQ(HueManager::GetEntry(2 * 8).colours[0], 0x1234); // group 2 starts at entry 16
    const CFont* font = FontManager::GetFont(2);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyph[223].pixels, (std::vector<uint16_t>{0x7FFF, 223}));
    EXPECT_EQ(font->descent[223], 5);
    FontManager::ResetForTests();
}

} // namespace
