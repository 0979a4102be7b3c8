#include "render/AnimFrames.h"
#include "RenderFixture.h"
#include "render/DrawManager.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using rendertest::CanaryCanvas;

// ---- a small writer of animation items, able to write them wrong
struct RawRun {
    int x, y;
    std::vector<uint8_t> indexes;
};
struct RawFrame {
    int centreX = 0, centreY = 0, width = 0, height = 0;
    std::vector<RawRun> runs;
    bool endWord = true;
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t RunHeader(int x, int y, int length) {
    return static_cast<uint32_t>(length & 0xFFF) | (static_cast<uint32_t>(y) & 0x3FF) << 12 |
           (static_cast<uint32_t>(x) & 0x3FF) << 22;
}

// Palette: index i is a colour of red i & 31, green 3, blue 7 (never grey, never 0); index 200
// is a mid grey and 201 a dark grey.
std::vector<uint8_t> Item(const std::vector<RawFrame>& frames) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>((i & 31) << 10 | 3 << 5 | 7);
        if (i == 200) c = 16 << 10 | 16 << 5 | 16;
        if (i == 201) c = 4 << 10 | 4 << 5 | 4;
        Put16(out, c);
    }
    Put32(out, static_cast<uint32_t>(frames.size()));
    const size_t table = out.size();
    out.resize(out.size() + 4 * frames.size());
    for (size_t f = 0; f < frames.size(); ++f) {
        Set32(out, table + 4 * f, static_cast<uint32_t>(out.size() - 512));
        const RawFrame& fr = frames[f];
        Put16(out, static_cast<uint16_t>(fr.centreX));
        Put16(out, static_cast<uint16_t>(fr.centreY));
        Put16(out, static_cast<uint16_t>(fr.width));
        Put16(out, static_cast<uint16_t>(fr.height));
        for (const RawRun& r : fr.runs) {
            Put32(out, RunHeader(r.x, r.y, static_cast<int>(r.indexes.size())));
            out.insert(out.end(), r.indexes.begin(), r.indexes.end());
        }
        if (fr.endWord) Put32(out, 0x7FFF7FFF);
    }
    return out;
}

// A small asymmetric figure: rows -6..-1 above the feet, each run at a different column and
// length, every pixel a different palette index.
RawFrame Figure() {
    RawFrame f{3, 0, 9, 6, {}, true};
    int index = 1;
    for (int y = -6; y < 0; ++y) {
        RawRun r{-3 + (y & 1), y, {}};
        for (int i = 0; i < 2 + (y + 6); ++i)
            r.indexes.push_back(static_cast<uint8_t>(index++));
        f.runs.push_back(r);
    }
    return f;
}

class AnimFrames : public rendertest::RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        DrawManager::SetScrollOffset(0, 0);
    }
    void TearDown() override {
        DrawManager::SetScrollOffset(0, 0);
        RenderTest::TearDown();
    }
    static AnimItem Decode(const std::vector<uint8_t>& bytes) {
        AnimItem item;
        EXPECT_TRUE(DecodeAnimItem(bytes.data(), bytes.size(), item));
        return item;
    }
};

TEST_F(AnimFrames, DecodesHeadersRunsAndTheBoxOfAWellFormedItem) {
    RawFrame second{0, 0, 1, 1, {{0, -1, {5}}}, true};
    AnimItem item = Decode(Item({Figure(), second}));
    ASSERT_EQ(item.FrameCount(), 2);
    const AnimFrame* f = item.Frame(0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->centreX, 3);
    EXPECT_EQ(f->width, 9);
    EXPECT_EQ(f->runCount, 6u);
    EXPECT_EQ(f->box, (Rect{-3, -6, 6, 0}));
    EXPECT_EQ(item.palette[200], 0x4210);
    EXPECT_EQ(item.Frame(1)->runCount, 1u);
    EXPECT_EQ(item.Frame(2), nullptr);
    EXPECT_EQ(item.Frame(-1), nullptr);
}

TEST_F(AnimFrames, BadItemsDecodeAsFarAsTheyHoldAndNeverPastTheirEnd) {
    const std::vector<uint8_t> good = Item({Figure(), Figure()});
    const size_t table = 516;
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
        int frames;
        std::vector<int> runs; // per frame, -1 = missing
    };
    const Case cases[] = {
        {"intact", [](auto&) {}, 2, {6, 6}},
        {"frame count far past the item",
         [&](auto& b) { Set32(b, 512, 0x40000000); },
         static_cast<int>((good.size() - 516) / 4),
         {6, 6}},
        {"frame offset past the item", [&](auto& b) { Set32(b, table, 0x7FFFFFF0); }, 2, {-1, 6}},
        {"frame offset of 0", [&](auto& b) { Set32(b, table, 0); }, 2, {-1, 6}},
        {"header cut by the end",
         [&](auto& b) { Set32(b, table + 4, static_cast<uint32_t>(b.size() - 512 - 4)); },
         2,
         {6, -1}},
        {"run longer than the item",
         [&](auto& b) {
             // The second frame's third run claims 4,000 pixels.
             size_t at = 512 + (b[table + 4] | b[table + 5] << 8) + 8;
             for (int r = 0; r < 2; ++r)
                 at += 4 + (b[at] | (b[at + 1] & 0x0F) << 8);
             Set32(b, at, RunHeader(0, -4, 4000));
         },
         2,
         {6, 2}},
        {"no end word", [](auto& b) { b.resize(b.size() - 4); }, 2, {6, 6}},
        {"item ends inside a run header", [](auto& b) { b.resize(b.size() - 6); }, 2, {6, 5}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        AnimItem item;
        ASSERT_TRUE(DecodeAnimItem(bytes.data(), bytes.size(), item)) << c.name;
        EXPECT_EQ(item.FrameCount(), c.frames) << c.name;
        for (size_t f = 0; f < c.runs.size(); ++f) {
            const AnimFrame* frame = item.Frame(static_cast<int>(f));
            if (c.runs[f] < 0) {
                EXPECT_EQ(frame, nullptr) << c.name << " frame " << f;
                continue;
            }
            ASSERT_NE(frame, nullptr) << c.name << " frame " << f;
            EXPECT_EQ(frame->runCount, static_cast<uint32_t>(c.runs[f])) << c.name << " frame " << f;
            for (uint32_t r = 0; r < frame->runCount; ++r) {
                const AnimRun& run = item.runs[frame->firstRun + r];
                EXPECT_LE(run.indexes + run.length, item.bytes.size()) << c.name;
            }
        }
    }
    AnimItem none;
    EXPECT_FALSE(DecodeAnimItem(good.data(), 515, none));
    EXPECT_FALSE(DecodeAnimItem(nullptr, 0, none));
}

TEST_F(AnimFrames, ARunGoingBackUpEndsItsFrame) {
    RawFrame f{0, 0, 4, 4, {{0, -2, {1}}, {0, -1, {2}}, {0, -3, {3}}, {0, -1, {4}}}, true};
    AnimItem item = Decode(Item({f}));
    EXPECT_EQ(item.Frame(0)->runCount, 2u);
}

TEST_F(AnimFrames, TheBoxHoldsEveryRunAndStaysWithinWhatRunsReach) {
    struct Case {
        const char* name;
        RawFrame frame;
        Rect box;
    };
    const Case cases[] = {
        {"runs outside the header", {0, 0, 2, 2, {{-5, -9, {1, 1}}, {4, 3, {1}}}, true}, {-5, -9, 5, 4}},
        {"huge header", {0, -3000, 65535, 65535, {{0, -1, {1}}}, true}, {0, -512, kAnimReachRight, 512}},
        {"centre y above 0 puts the bottom on the feet", {2, 7, 4, 5, {}, true}, {-2, -5, 2, 0}},
        {"centre y below 0 lowers the bottom", {2, -7, 4, 5, {}, true}, {-2, 2, 2, 7}},
    };
    for (const Case& c : cases) {
        AnimItem item = Decode(Item({c.frame}));
        ASSERT_NE(item.Frame(0), nullptr) << c.name;
        EXPECT_EQ(item.Frame(0)->box, c.box) << c.name;
    }
    // Mirroring swaps the sides about the anchor.
    AnimItem item = Decode(Item({Figure()}));
    EXPECT_EQ(AnimFrameRect(*item.Frame(0), false, 100, 50), (Rect{97, 44, 106, 50}));
    EXPECT_EQ(AnimFrameRect(*item.Frame(0), true, 100, 50), (Rect{94, 44, 103, 50}));
}

TEST_F(AnimFrames, HueWordsChooseThePixelWritten) {
    UseSampleFiles();
    // One run of three pixels: a non-grey colour (index 9: red 9), a mid grey and a dark grey.
    RawFrame f{0, 0, 3, 1, {{0, -1, {9, 200, 201}}}, true};
    AnimItem item = Decode(Item({f}));
    const uint16_t red9 = item.palette[9], grey = item.palette[200], dark = item.palette[201];
    const uint16_t dst = 0x7FFF;
    auto hue = [](int n, uint16_t c) { return HueManager::ResolveHueColours(n - 1)[SpanChannels::Red(c)]; };
    auto darkened = [&](uint16_t c) {
        int red = SpanChannels::Red(c), level = red < 24 ? 23 - red : 0;
        int v = DarkeningTable()[level * 32 + 31];
        return static_cast<uint16_t>(v << 10 | v << 5 | v);
    };
    ASSERT_NE(hue(5, grey), grey);
    struct Case {
        const char* name;
        int word;
        uint16_t expected[3];
    };
    const Case cases[] = {
        {"no hue", 0, {red9, grey, dark}},
        {"no hue ignores the flags", 0xC000, {red9, grey, dark}},
        {"hue 5", 5, {hue(5, red9), hue(5, grey), hue(5, dark)}},
        {"partial hue 5", 5 | 0x8000, {red9, hue(5, grey), hue(5, dark)}},
        {"darken", 5 | 0x4000, {darkened(red9), darkened(grey), darkened(dark)}},
        {"partial darken", 5 | 0xC000, {red9, darkened(grey), darkened(dark)}},
        {"hue past the table uses its first entry", 5000, {hue(1, red9), hue(1, grey), hue(1, dark)}},
        {"largest hue number", 0x3FFF, {hue(1, red9), hue(1, grey), hue(1, dark)}},
    };
    for (const Case& c : cases) {
        CanaryCanvas canvas(8, 4, dst);
        DrawAnimFrame(canvas.Target(), false, c.word, 2, 2, kNoClip, item, *item.Frame(0));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(canvas.at(2 + i, 1), c.expected[i]) << c.name << " pixel " << i;
        EXPECT_EQ(canvas.Count(dst), 8 * 4 - 3) << c.name;
        EXPECT_TRUE(canvas.CanariesIntact()) << c.name;
    }
}

TEST_F(AnimFrames, AMirroredFrameIsTheUnmirroredOneReflectedAboutTheAnchor) {
    AnimItem item = Decode(Item({Figure()}));
    const int ax = 10, ay = 8;
    CanaryCanvas plain(20, 10), mirrored(20, 10);
    DrawAnimFrame(plain.Target(), false, 0, ax, ay, kNoClip, item, *item.Frame(0));
    DrawAnimFrame(mirrored.Target(), true, 0, ax, ay, kNoClip, item, *item.Frame(0));
    ASSERT_GT(plain.Ink(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const int reflected = 2 * ax - 1 - x;
            const uint16_t expect = reflected >= 0 && reflected < 20 ? plain.at(reflected, y) : 0;
            EXPECT_EQ(mirrored.at(x, y), expect) << x << "," << y;
        }
}

TEST_F(AnimFrames, ClipsAndTargetEdgesBoundEveryWrite) {
    AnimItem item = Decode(Item({Figure()}));
    struct Case {
        const char* name;
        int ax, ay;
        Rect clip;
        int ink; // pixels written
    };
    const Case cases[] = {
        {"whole", 5, 7, kNoClip, 27},
        {"clip keeps two columns", 5, 7, Rect{2, 0, 4, 10}, 9},
        {"clip keeps the two lowest rows", 5, 7, Rect{0, 5, 20, 7}, 13},
        {"off the left edge", -2, 7, kNoClip, 5},
        {"off the top", 5, 3, kNoClip, 18},
        {"past the bottom", 5, 13, kNoClip, 9},
        {"far away", -100000, 1 << 29, kNoClip, 0},
    };
    for (const Case& c : cases) {
        for (bool mirrored : {false, true}) {
            CanaryCanvas canvas(12, 10);
            DrawAnimFrame(canvas.Target(), mirrored, 0, c.ax, c.ay, c.clip, item, *item.Frame(0));
            DrawAnimShadow(canvas.Target(), mirrored, c.ax, c.ay, c.clip, item, *item.Frame(0));
            if (!mirrored) {
                EXPECT_EQ(canvas.Ink(), c.ink) << c.name;
            }
            EXPECT_TRUE(canvas.CanariesIntact()) << c.name << (mirrored ? " mirrored" : "");
        }
    }
}

TEST_F(AnimFrames, IsAnimPixelAtAgreesWithDrawAnimFrameAtEveryPoint) {
    // A frame with gaps inside rows, a run of length 0 and rows far from the feet.
    RawFrame f{4, 0, 12, 14, {}, true};
    f.runs = {{-4, -13, {1, 2, 3}}, {2, -13, {4}},     {0, -10, {}},      {-1, -10, {5, 6, 7, 8, 9, 10}},
              {-4, -5, {11}},       {7, -5, {12, 13}}, {0, -1, {14, 15}}, {-2, 2, {16}}};
    AnimItem item = Decode(Item({f, Figure()}));
    DrawManager::SetScrollOffset(30, 20);
    for (int n = 0; n < 2; ++n) {
        const AnimFrame& frame = *item.Frame(n);
        for (bool mirrored : {false, true}) {
            const int ax = 30 + 16, ay = 20 + 16;
            CanaryCanvas canvas(32, 32);
            DrawAnimFrame(canvas.Target(), mirrored, 0, ax, ay, kNoClip, item, frame);
            const Rect box = AnimFrameRect(frame, mirrored, ax, ay);
            int hits = 0;
            for (int y = box.top - 1; y <= box.bottom; ++y)
                for (int x = box.left - 1; x <= box.right; ++x) {
                    const bool drawn = canvas.at(x - 30, y - 20) != 0;
                    EXPECT_EQ(IsAnimPixelAt(x, y, mirrored, ax, ay, item, frame), drawn)
                        << "frame " << n << (mirrored ? " mirrored " : " ") << x << "," << y;
                    hits += drawn;
                }
            EXPECT_EQ(hits, canvas.Ink()) << "every drawn pixel lies in the frame's box";
        }
    }
}

TEST_F(AnimFrames, ShadowsHalveEvenRowsShearedRightByHalfTheirHeight) {
    // Row -10 (two pixels at x 0..1) is drawn five rows up and five right; row -9 is skipped.
    RawFrame f{0, 0, 2, 10, {{0, -10, {1, 2}}, {0, -9, {3, 4}}}, true};
    AnimItem item = Decode(Item({f}));
    const uint16_t fill = 0x7FFF, half = (0x7FFF >> 1) & 0x3DEF;
    for (bool mirrored : {false, true}) {
        CanaryCanvas canvas(20, 12, fill);
        DrawAnimShadow(canvas.Target(), mirrored, 6, 10, kNoClip, item, *item.Frame(0));
        const int first = mirrored ? 6 - 0 - 2 + 5 : 6 + 0 + 5;
        EXPECT_EQ(canvas.Count(half), 2) << mirrored;
        EXPECT_EQ(canvas.at(first, 5), half) << mirrored;
        EXPECT_EQ(canvas.at(first + 1, 5), half) << mirrored;
        EXPECT_TRUE(canvas.CanariesIntact());
    }
}

} // namespace
