#include "gumps/ListBoxes.h"

#include "gumps/GumpArtLayout.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"

#include <algorithm>
#include <cstring>

namespace {

int ArtWidth(int art) {
    int w = 0, h = 0;
    GetGumpArtSize(art, &w, &h);
    return w;
}

int ArtHeight(int art) {
    int w = 0, h = 0;
    GetGumpArtSize(art, &w, &h);
    return h;
}

int Baseline(int font) {
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfo(font, "Aq", &w, &h, &b);
    return b;
}

void DrawArt(PixelBlock& bitmap, int art, int x, int y) {
    if (const GumpArtItem* item = GetGumpArt(art))
        DrawGumpArtTo(MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height), CopySpanKeyed, item,
                      kNoClip, x, y);
}

// The gump's bitmap at its size, its pixels stale: a list that grows by a row per item reuses it.
PixelBlock& SizedFrame(CGump* g) {
    PixelBlock* block = g->Frame(0);
    if (!block) return g->SetFrame(0, PixelBlock(g->width, g->height));
    if (block->width != g->width || block->height != g->height) block->Resize(g->width, g->height);
    return *block;
}

} // namespace

// ------------------------------------------------------------------ CListBoxControlGump

CListBoxControlGump::CListBoxControlGump(int x_, int y_, int art, int, int, int font_, int hue_, int rows)
    : CGump(x_, y_, 0, 1, 0, 0) {
    SetKind(GumpKind::Other, GumpTrait::kBase);
    debugName = "ListBoxControl gump";
    gumpArt = art;
    font = font_;
    hue = hue_;
    visibleRows = std::max(0, rows);
    scrolling = visibleRows != 0;
    width = ArtWidth(art);
    height = ArtHeight(art) + ArtHeight(art + 4);
    visible = false;
}

int CListBoxControlGump::TopCap() const {
    return ArtHeight(gumpArt);
}

int CListBoxControlGump::BottomCap() const {
    return ArtHeight(gumpArt + 4);
}

void CListBoxControlGump::AddItem(int id, const char* text) {
    if (itemCount >= kMaxItems) return;
    ids[static_cast<size_t>(itemCount)] = id;
    auto& slot = texts[static_cast<size_t>(itemCount)];
    slot.fill(0);
    if (text) std::strncpy(slot.data(), text, kMaxItemLength);
    ++itemCount;
    if (!(scrolling && itemCount > visibleRows)) height += kRowHeight;
    if (y < 0) y = 0;
    int tw = 0, th = 0, tb = 0;
    FontManager::CalcInfo(font, slot.data(), &tw, &th, &tb);
    if (tw > width - 12) {
        const int growth = tw - width + 12;
        width = tw + 12;
        x -= growth / 2;
    }
}

void CListBoxControlGump::Draw(const BlitTarget& target, const Rect& clip) {
    // The bitmap follows the size the items gave the list by the time it is first shown.
    const PixelBlock* block = Frame(0);
    if (!block || block->width != width || block->height != height) Redraw(-1);
    DrawControlFrame(this, target, clip);
}

bool CListBoxControlGump::IsPointInside(int px, int py) {
    return !IsClosed() && px >= 0 && py >= 0 && px < width && py < height;
}

void CListBoxControlGump::Select(int item) {
    if (item == selected) return;
    const int old = selected;
    selected = item;
    // One redraw: it draws every row with the new selection, the old row's highlight gone.
    if (item >= 0)
        Redraw(item);
    else if (old >= 0)
        Redraw(old);
}

void CListBoxControlGump::OpenFor(CInputControlGump* field) {
    visible = true;
    Attach(nullptr);
    SetOwnerControl(field);
    MouseManager::SetCapture(this);
    int mx = 0, my = 0;
    MouseManager::GetMousePos(&mx, &my);
    CGump::ScreenToGumpCoords(this, &mx, &my);
    HandleCaptureMove(mx, my);
}

void CListBoxControlGump::HandleCaptureMove(int px, int py) {
    const int top = TopCap(), bottom = height - BottomCap();
    int item = -1;
    if (itemCount > 0 && px >= 0 && px < width && py >= top && py < bottom)
        item = std::min((py - top) / kRowHeight + firstVisible, itemCount - 1);
    Select(item);
}

void CListBoxControlGump::HandleMouseTick() {
    if (!scrolling) return;
    int mx = 0, my = 0;
    MouseManager::GetMousePos(&mx, &my);
    CGump::ScreenToGumpCoords(this, &mx, &my);
    const int was = firstVisible;
    if (my < 0 && firstVisible > 0)
        --firstVisible;
    else if (my > height && firstVisible + visibleRows < itemCount)
        ++firstVisible;
    if (firstVisible != was) Redraw(-1);
}

void CListBoxControlGump::Fill(int item) {
    CInputControlGump* control = ownerControl.get();
    if (!control || item < 0 || item >= itemCount) return;
    control->value = ids[static_cast<size_t>(item)];
    control->SetText(texts[static_cast<size_t>(item)].data());
    control->Redraw();
    if (CGump* p = control->parent()) p->HandleChildChange(control);
}

void CListBoxControlGump::HandleLButtonUp(int, int) {
    MouseManager::ReleaseCaptureOf(this);
    if (selected >= 0) Fill(selected);
    Close();
}

void CListBoxControlGump::Redraw(int) {
    if (width <= 0 || height <= 0) return;
    PixelBlock& bitmap = SizedFrame(this);
    bitmap.Clear();
    const BlitTarget target = MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
    const int aw = ArtWidth(gumpArt);
    const int off = aw < width ? (width - aw) / 2 : 0;
    const int textLeft = off + 6;
    const int top = TopCap(), bottom = height - BottomCap();
    const Rect clip{textLeft, top, width - 6, bottom};
    // The strip is drawn at the art's width; a widened list centres it.
    const int stripWidth = aw > 0 ? aw : width;
    // Drawn in place, shifted to the centre and cut to the art's width, as if drawn alone.
    BlitTarget strip = target;
    strip.origin = off;
    strip.valid = Rect{0, 0, std::min(stripWidth, width - off), height};
    DrawArtStripVertical(gumpArt, 3, strip, stripWidth, height, 0, 0);
    if (selected >= 0 && selected >= firstVisible)
        BlendHighlightBar(textLeft, top + (selected - firstVisible) * kRowHeight, width - 2 * textLeft,
                          kHighlightArt, bitmap);
    const int baseline = Baseline(font);
    const int rows = scrolling ? std::min(visibleRows, itemCount - firstVisible) : itemCount;
    for (int r = 0; r < rows; ++r) {
        const int item = (scrolling ? firstVisible : 0) + r;
        FontManager::DrawString(textLeft, top + r * kRowHeight + 1 + baseline, font, hue,
                                texts[static_cast<size_t>(item)].data(), target, clip);
    }
    if (scrolling) {
        if (firstVisible > 0) DrawArt(bitmap, kUpMarkArt, width - 12 - ArtWidth(kUpMarkArt), top);
        if (firstVisible + visibleRows < itemCount)
            DrawArt(bitmap, kDownMarkArt, width - 12 - ArtWidth(kDownMarkArt),
                    bottom - ArtHeight(kDownMarkArt));
    }
}

// ------------------------------------------------------------------ CDropDownListGump

CDropDownListGump::CDropDownListGump(int x_, int y_, int art, int w, int h, CGump*, int font_, int hue_,
                                     int rows)
    : CListBoxControlGump(x_, y_, art, w, h, font_, hue_, rows) {
    width = w;
    height = h;
}

void CDropDownListGump::HandleCaptureMove(int px, int py) {
    int item = -1;
    if (itemCount > 0 && px >= 0 && py >= 0 && px < width && py < height)
        item = std::min(firstVisible + py / kRowHeight, itemCount - 1);
    Select(item);
}

void CDropDownListGump::HandleLButtonDown(int, int) {
    MouseManager::ReleaseCaptureOf(this);
    CInputControlGump* control = ownerControl.get();
    if (selected >= 0 && control && control->value != ids[static_cast<size_t>(selected)]) Fill(selected);
    Close();
}

void CDropDownListGump::Redraw(int) {
    if (width <= 0 || height <= 0) return;
    PixelBlock& bitmap = SizedFrame(this);
    bitmap.Clear();
    DrawCachedGumpFrame(frame_, 0, 0, width, height, gumpArt, bitmap);
    const BlitTarget target = MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
    const int baseline = Baseline(font);
    const Rect clip{0, 0, width, height};
    for (int i = 0; i < itemCount; ++i)
        FontManager::DrawStringBufEllips(0, i * kRowHeight + 1 + baseline, font, i == selected ? 33 : hue,
                                         texts[static_cast<size_t>(i)].data(), target, clip);
}
