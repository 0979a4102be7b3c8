#include "gumps/ToolTipGump.h"

#include "core/Options.h"
#include "core/SharedServices.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstring>
#include <vector>

int ToolTipWrapWidth(const char16_t* text, int* wrappedWidth, int* wrappedHeight) {
    int w = 0;
    for (const char16_t* p = text; p && *p; ++p)
        w = std::max(w, UnicodeGetWordWidth(p));
    int tw = 0, th = 0, third = 0;
    UnicodeCalcInfoWrap(text, w, &tw, &th, &third);
    // The whole-number quotient of the wrap width by the height must pass 1.6.
    while (th > 0 && static_cast<double>(w / th) <= 1.6) {
        w += 16;
        UnicodeCalcInfoWrap(text, w, &tw, &th, &third);
    }
    *wrappedWidth = tw;
    *wrappedHeight = th;
    return w;
}

void OutlineBitmap(uint16_t* pixels, int width, int height, uint16_t key) {
    if (width <= 0 || height <= 0) return;
    // Marking turns only transparent pixels into the key, which is not solid: marking in place
    // cannot change which pixels are solid, so no copy is needed. Work goes from each solid pixel
    // to its neighbours, and the transparent stretches between them are skipped four at a time.
    const size_t w = static_cast<size_t>(width);
    const size_t count = w * static_cast<size_t>(height);
    auto mark = [&](size_t at) {
        if (pixels[at] == 0) pixels[at] = key;
    };
    for (size_t i = 0; i < count;) {
        if (i % 4 == 0 && i + 4 <= count) {
            uint64_t four;
            std::memcpy(&four, pixels + i, sizeof four);
            if (four == 0) {
                i += 4;
                continue;
            }
        }
        const uint16_t p = pixels[i];
        if (p != 0 && p != key) {
            const size_t x = i % w;
            if (x > 0) mark(i - 1);
            if (x + 1 < w) mark(i + 1);
            if (i >= w) mark(i - w);
            if (i + w < count) mark(i + w);
        }
        ++i;
    }
}

ToolTipGump::ToolTipGump(int x_, int y_, const char16_t* text) : CGump(x_, y_, 0, 1, 0, 0) {
    SetKind(kKind, GumpTrait::kBase);
    for (int i = 0; i < 9; ++i) {
        int w = 0, h = 0;
        GetGumpArtSize(kFirstArt + i, &w, &h);
        if (w != kArtSizes[i][0] || h != kArtSizes[i][1])
            ShowErrorMessage("Gump Tooltip art is wrong size!", "ToolTipGump::ToolTipGump:", this);
    }
    const int savedFont = UnicodeGetFont();
    UnicodeSetFont(ToolTipFont);
    int tw0 = 0, th0 = 0;
    wrapWidth = ToolTipWrapWidth(text, &tw0, &th0);
    textWidth = tw0 + 2;
    textHeight = th0 + 2;
    width = tw0 + 10;
    height = th0 + 10;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    const int tw = textWidth, th = textHeight;
    auto art = [](int i) { return GetGumpArt(kFirstArt + i); };
    const Rect centre{4, 4, 4 + tw, 4 + th};
    for (int ty = 4; ty < 4 + th; ty += 240)
        for (int tx = 4; tx < 4 + tw; tx += 240)
            DrawGumpArtTo(target, CopySpanKeyed, art(4), centre, tx, ty);
    for (int k = 0; 245 * k < tw; ++k) {
        DrawGumpArtTo(target, CopySpanKeyed, art(1), kNoClip, 4 + 245 * k, 0);
        DrawGumpArtTo(target, CopySpanKeyed, art(7), kNoClip, 4 + 245 * k, 4 + th);
    }
    for (int k = 0; 244 * k < th; ++k) {
        DrawGumpArtTo(target, CopySpanKeyed, art(3), kNoClip, 0, 4 + 244 * k);
        DrawGumpArtTo(target, CopySpanKeyed, art(5), kNoClip, 4 + tw, 4 + 244 * k);
    }
    DrawGumpArtTo(target, CopySpanKeyed, art(0), kNoClip, 0, 0);
    DrawGumpArtTo(target, CopySpanKeyed, art(2), kNoClip, 4 + tw, 0);
    DrawGumpArtTo(target, CopySpanKeyed, art(6), kNoClip, 0, 4 + th);
    DrawGumpArtTo(target, CopySpanKeyed, art(8), kNoClip, 4 + tw, 4 + th);

    // The text with a dark outline, over the frame.
    std::vector<uint16_t> work(static_cast<size_t>(tw) * th, 0);
    const BlitTarget workTarget = MakeBlitTarget(work.data(), tw, th);
    UnicodeSetStyle(0);
    UnicodeDrawStringWrap(workTarget, tw - 2, text, 1, 1, static_cast<uint16_t>(ToolTipTextColor & 0x7FFF),
                          Rect{1, 1, tw - 1, th - 1}, false);
    UnicodeRestoreStyle();
    OutlineBitmap(work.data(), tw, th, 1);
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x)
            if (uint16_t p = work[static_cast<size_t>(y) * tw + x]) block.At(4 + x, 4 + y) = p;
    UnicodeSetFont(savedFont);
    Attach(nullptr);
}
