// The HTML parser and layout: the input is a UTF-16 text (its first two bytes choose the flags);
// it is parsed, rendered into a small buffer with a caret and a selection, and every cell is
// hit-tested for links and caret positions.
#include "gumps/HTMLDocument.h"
#include "text/UnicodeFont.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One font for all three slots: every printable ASCII unit is a box of its code's width.
const std::vector<uint8_t>& Font() {
    static const std::vector<uint8_t> font = [] {
        std::vector<uint8_t> f(kUnicodeOffsetTableBytes, 0);
        for (int u = 33; u < 127; ++u) {
            const uint32_t offset = static_cast<uint32_t>(f.size());
            std::memcpy(f.data() + u * 4, &offset, 4);
            const int w = 2 + u % 6, h = 4 + u % 9;
            f.push_back(0);
            f.push_back(static_cast<uint8_t>(u % 5));
            f.push_back(static_cast<uint8_t>(w));
            f.push_back(static_cast<uint8_t>(h));
            for (int r = 0; r < h; ++r)
                f.push_back(static_cast<uint8_t>(0xAA >> (r & 1)));
        }
        return f;
    }();
    return font;
}

volatile unsigned g_sink;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static bool loaded = [] {
        for (int i = 0; i < kUnicodeFontCount; ++i)
            UnicodeUseFontView(i, Font().data(), Font().size());
        return true;
    }();
    (void)loaded;
    // Keep the box's own bits out: they mean nothing to the document.
    const uint32_t flags = (static_cast<uint32_t>(data[0]) << 8 | data[1]) & 0x1D7B;
    std::u16string text((size - 2) / 2, u'\0');
    std::memcpy(text.data(), data + 2, text.size() * 2);
    HTMLDocument doc(text, flags, 0x7FFF);
    // The visited ring is the client's one piece of state across documents: it starts empty for
    // every input (so an input replays alone, and its strings are freed before the leak check
    // looks), and an input bit marks one link visited to draw the visited colour.
    HTMLDocument::ResetVisitedForTests();
    if ((data[1] & 4) && !doc.links.empty())
        HTMLDocument::AddVisited(doc.links[text.size() % doc.links.size()].href);

    constexpr int kW = 64, kH = 48;
    static std::vector<uint16_t> canvas(kW * kH);
    std::fill(canvas.begin(), canvas.end(), 0x1234);
    const Rect clip{2, 3, kW - 2, kH - 1};
    const int caret = static_cast<int>(text.size() % 17), selection = static_cast<int>(text.size() % 5);
    const int height = doc.Render(canvas.data(), kW, kH, &clip, data[0] % 40, caret, selection, data[1] & 1);
    if (height < 0) __builtin_trap();
    unsigned sink = 0;
    std::u16string href;
    for (int y = 0; y < kH; y += 2)
        for (int x = 0; x < kW; x += 2) {
            sink += static_cast<unsigned>(doc.GetLinkAt(x, y, &href)) + static_cast<unsigned>(href.size());
        }
    // A caret position in each 16-pixel band, at an x the input picks: each asks for a whole layout.
    for (int y = 0; y < kH; y += 16)
        sink += static_cast<unsigned>(doc.GetCaretIndex((y * 7 + data[0]) % kW, y, &clip, 0));
    int cx = 0, cy = 0;
    if (doc.GetCaretXY(caret, &cx, &cy, &clip, 0)) sink += static_cast<unsigned>(cx + cy);
    g_sink = g_sink + sink;
    HTMLDocument::ResetVisitedForTests();
    return 0;
}
