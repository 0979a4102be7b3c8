// The layout functions over any art sizes and any places: the input gives the sizes of a frame
// set with its ornaments and a bar, then places, lengths and widths. Tiling, frames, bars, the
// highlight bar and thumb placing must stay inside the bitmap and end.
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "render/GumpArt.h"
#include "render/RenderData.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace {

constexpr int kBase = 100; // pieces 100..118, the bar 120..122

struct Arts {
    std::map<int, std::vector<uint8_t>> bytes;
    std::map<int, int32_t> extra;
};
Arts& Served() {
    static Arts arts;
    return arts;
}

const uint8_t* Serve(int, int, int id, int& length, int& extra) {
    auto it = Served().bytes.find(id);
    if (it == Served().bytes.end()) {
        length = 0;
        extra = 0;
        return nullptr;
    }
    length = static_cast<int>(it->second.size());
    extra = Served().extra[id];
    return it->second.data();
}

// A w x h art: one run per row, its colour from the id, the middle row transparent.
void AddArt(int id, int w, int h) {
    std::vector<uint32_t> words(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        words[static_cast<size_t>(y)] = static_cast<uint32_t>(words.size());
        words.push_back(static_cast<uint32_t>(w) << 16 |
                        (y == h / 2 ? 0u : static_cast<uint32_t>(id * 37 + 1)));
    }
    std::vector<uint8_t> out(words.size() * 4);
    std::memcpy(out.data(), words.data(), out.size());
    Served().bytes[id] = std::move(out);
    Served().extra[id] = static_cast<int32_t>(static_cast<uint32_t>(w) << 16 | static_cast<uint32_t>(h));
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    int Byte() { return at < size ? data[at++] : 0; }
    int Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return static_cast<int>(v);
    }
    int Small() { return Byte() - 128; } // -128..127
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    Served() = Arts{};
    ResetGumpArtCache();
    RenderData::SetItemSource(Serve);
    for (int piece = 0; piece <= 18; ++piece) {
        const int w = in.Byte() % 40, h = in.Byte() % 40;
        if (w > 0 && h > 0) AddArt(kBase + piece, w, h);
    }
    for (int piece = 0; piece < 3; ++piece) {
        const int w = 1 + in.Byte() % 20, h = 1 + in.Byte() % 20;
        AddArt(kBase + 20 + piece, w, h);
    }
    PixelBlock bitmap(1 + in.Byte() % 128, 1 + in.Byte() % 96);
    // Tiling copies an art once per place it fits: a 1 x 1 piece over the whole bitmap is thousands
    // of copies that show nothing new, so inputs whose smallest art would be copied more than
    // 1,024 times over the bitmap are passed over.
    int smallest = 1 << 20;
    for (const auto& [id, extra] : Served().extra)
        smallest = std::min(smallest, (extra >> 16) * (extra & 0xFFFF));
    if (bitmap.width * bitmap.height > smallest * 1024) {
        RenderData::ResetForTests();
        return 0;
    }
    TileGumpArt(kBase + 4, bitmap);
    TileGumpArtRect(in.Small() * 3, in.Small() * 3, in.Int() % 1000, in.Int() % 1000, kBase + 4, bitmap);
    TileGumpArtDown(bitmap, kBase + 3, in.Small(), in.Small(), in.Int() % 2000);
    TileGumpArtAcross(bitmap, kBase + 1, in.Small(), in.Small(), in.Int() % 2000);
    DrawGumpArtHBar(kBase + 20, bitmap);
    DrawGumpFrame(kBase, bitmap, in.Byte() & 1);
    DrawGumpFrameRect(in.Small(), in.Small(), in.Byte() * 2, in.Byte() * 2, kBase, bitmap, in.Byte() & 1);
    BlendHighlightBar(in.Int(), in.Int(), in.Int(), kBase + 20, bitmap);
    BlendHighlightBar(in.Small(), in.Small(), in.Small() * 4, kBase + 20, bitmap);

    CThumbGump thumb(in.Small(), in.Small(), in.Byte() & 1, in.Int(), nullptr, kBase + 20);
    thumb.SetPosition(in.Int(), in.Int());
    std::vector<int> heights(static_cast<size_t>(in.Byte() % 16));
    for (int& h : heights)
        h = in.Byte();
    thumb.SyncToTextList(heights, in.Byte() % 20, in.Small());

    RenderData::ResetForTests();
    ResetGumpArtCache();
    return 0;
}
