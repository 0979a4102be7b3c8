#include "gumps/CGumpManager.h"
#include "gumps/Sequence.h"

#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "gumps/CGump.h"
#include "gumps/GumpWorld.h"
#include "gumps/MessageGumps.h"
#include "gumps/MouseManager.h"
#include "gumps/ToolTipGump.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GameArea.h"
#include "render/GraphicManager.h"
#include "render/WindowLayer.h"
#include "text/LanguageManager.h"
#include "text/LanguageSection.h"
#include "world/ServerWorld.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace CGumpManager {
namespace {

struct SaveRecord {
    BlitTarget target;
    Rect rect;
    size_t offset; // into the save store
};

struct TooltipSections {
    bool loaded = false;
    std::array<LanguageSection*, 9> sections{};
};

struct ManagerState {
    TopLevelList top;
    GumpRef<CGump> focus, modal, mouseOn, helpText, menuBar, radar, toolTip, hovered;
    uint32_t hoverStart = 0;
    std::vector<CGump*> closed;
    std::vector<SaveRecord> saves;
    std::vector<uint16_t> saveStore;
    Rect presentRect{};
    TooltipSections tooltips;
};

ManagerState& S() {
    static ManagerState state;
    return state;
}

bool Valid(CGump* g) {
    return QV_VALID_OBJECT(static_cast<CTrackedObject*>(g));
}

void FreeAll() {
    ManagerState& s = S();
    while (CGump* g = s.top.first)
        delete g;
    s.closed.clear();
}

// The pieces of a window rectangle that lie wholly on one side of the ring's wrap.
std::vector<Rect> SplitAtWrap(const Rect& a) {
    const int w = BackBuffer::Width();
    const int64_t n = BackBuffer::PixelCount();
    int ox = 0, oy = 0;
    GetGameAreaOffset(ox, oy);
    int64_t ring = (int64_t{BackBuffer::RingOffset()} - int64_t{oy} * w - ox) % n;
    if (ring < 0) ring += n;
    const int64_t wrap = n - ring;
    const int64_t start = int64_t{a.top} * w + a.left;
    const int64_t end = int64_t{a.bottom - 1} * w + a.right - 1;
    if ((start < wrap) == (end < wrap) || ring == 0) return {a};
    const int c = static_cast<int>(wrap % w), r = static_cast<int>(wrap / w);
    if (a.left < c && c < a.right)
        return {Rect{a.left, a.top, c, r + 1}, Rect{c, a.top, a.right, r}, Rect{c, r, a.right, a.bottom},
                Rect{a.left, r + 1, c, a.bottom}};
    const int r2 = a.left >= c ? r : r + 1;
    return {Rect{a.left, a.top, a.right, r2}, Rect{a.left, r2, a.right, a.bottom}};
}

// One pass over the list from the back: false when a gump failed the validity check.
template <typename Call> bool WalkFromBack(const char* failure, Call call) {
    for (CGump* g = S().top.last; g; g = g->previous()) {
        if (!Valid(g)) {
            // Never freed here: the pointer may already be gone, and freeing it twice is worse.
            QVReport::error("%s", failure);
            return false;
        }
        if (!g->IsClosed()) call(g);
    }
    return true;
}

void DrawPiece(const Rect& piece) {
    const BlitTarget target = WindowTargetFor(piece);
    if (!target.IsUsable()) return;
    if (!WalkFromBack(
            "CGumpManager::DrawAllGumps: either pointer 'pGump' is not valid, or the data it points "
            "to is not valid. ending the pre-draw pass.\n",
            [&](CGump* g) { g->PreDraw(target, piece); }))
        return;
    WalkFromBack("CGumpManager::DrawAllGumps: either pointer 'pGump' is not valid, or the data it points to "
                 "is not valid. ending the draw pass.\n",
                 [&](CGump* g) { g->Draw(target, piece); });
}

void RestoreSaves() {
    ManagerState& s = S();
    for (auto it = s.saves.rbegin(); it != s.saves.rend(); ++it) {
        const uint16_t* from = s.saveStore.data() + it->offset;
        const int w = it->rect.Width();
        for (int y = it->rect.top; y < it->rect.bottom; ++y, from += w)
            std::memcpy(it->target.At(it->rect.left, y), from, static_cast<size_t>(w) * sizeof(uint16_t));
    }
    s.saves.clear();
    s.saveStore.clear();
}

void ShowTooltip() {
    ManagerState& s = S();
    if (!UseToolTips) return;
    int mx = 0, my = 0, cw = 0, ch = 0;
    MouseManager::GetMousePos(&mx, &my);
    MouseManager::GetDrawnCursorSize(&cw, &ch);
    CGump* g = GetGumpAt(mx, my, nullptr, false);
    if (!g || std::strcmp(g->debugName, "tutorial gump") == 0) return;
    int gx = mx, gy = my;
    CGump::ScreenToGumpCoords(g, &gx, &gy);
    const int id = g->GetTooltipId(gx, gy);
    const uint32_t now = GetGameTicks();
    if (s.hovered.get() != g) {
        s.hovered = g;
        s.hoverStart = now;
        return;
    }
    if (id == -1 || static_cast<int64_t>(TickDifference(now, s.hoverStart)) <= ToolTipPreDelay) return;
    const std::u16string text = LookupTooltipText(id);
    if (text.empty()) return;
    ToolTipGump* tip = new ToolTipGump(0, 0, text.c_str());
    s.toolTip = tip;
    int x = mx <= 320 ? (cw <= 250 ? mx + cw : mx) : mx - tip->width;
    int y = my > 240 ? my - tip->height : my;
    if (x < BackBuffer::Width() && y < BackBuffer::Height()) {
        tip->x = x;
        tip->y = y;
    } else {
        tip->Close();
        s.toolTip.reset();
    }
}

} // namespace

TopLevelList& TopLevel() {
    return S().top;
}

void startup() {
    QVReport::message("CGumpManager::startup(): begin.\n");
    FreeAll();
    S() = ManagerState{};
}

void shutdown() {
    QVReport::message("CGumpManager::shutdown(): begin.\n");
    FreeAll();
    S() = ManagerState{};
}

void ResetForTests() {
    FreeAll();
    S() = ManagerState{};
}

// ------------------------------------------------ slots

CGump* GetFocus() {
    return S().focus.get();
}

void SetFocus(CGump* gump) {
    ManagerState& s = S();
    if (gump && s.focus.get() == gump) return;
    KillFocus();
    s.focus = gump;
    if (GumpSlotTable().redrawInputLine) GumpSlotTable().redrawInputLine();
}

void KillFocus() {
    ManagerState& s = S();
    // A closed focus gump resolves to null: a close never runs a focus-lost action.
    CGump* old = s.focus.get();
    s.focus.reset();
    if (old) old->OnFocusLost();
    if (GumpWorld().inGameDisplay && GumpWorld().inGameDisplay() && GumpSlotTable().redrawInputLine)
        GumpSlotTable().redrawInputLine();
}

CGump* GetModal() {
    return S().modal.get();
}
void SetModal(CGump* gump) {
    S().modal = gump;
}
CGump* GetMouseOn() {
    return S().mouseOn.get();
}
void SetMouseOn(CGump* gump) {
    S().mouseOn = gump;
}
CGump* GetHelpText() {
    return S().helpText.get();
}
void SetHelpText(CGump* gump) {
    S().helpText = gump;
}
CGump* GetRadar() {
    return S().radar.get();
}
void SetRadar(CGump* gump) {
    S().radar = gump;
}
CGump* GetToolTip() {
    return S().toolTip.get();
}

// ------------------------------------------------ closing

void QueueClosed(CGump* gump) {
    if (gump) S().closed.push_back(gump);
}

void ForgetFreed(CGump* gump) {
    auto& closed = S().closed;
    closed.erase(std::remove(closed.begin(), closed.end(), gump), closed.end());
}

void FreeClosedGumps() {
    auto& closed = S().closed;
    while (!closed.empty()) {
        // Free the highest closed gump above it: its destructor frees the subtree, children first,
        // and every freed gump leaves the list.
        CGump* root = closed.front();
        for (CGump* g = root->parent(); g; g = g->parent())
            if (g->IsClosed()) root = g;
        delete root;
    }
}

void CloseAllGumps() {
    for (CGump* g = S().top.first; g; g = g->next())
        if (!g->IsMapGump() && !g->IsInputGump() && !g->IsGameAreaEdgeGump() && !g->IsPointerGump())
            g->Close();
    // A show still being recorded has nothing left to play over.
    DropRecordingSequence();
    ResetDirtyRects();
}

void CloseDisposableGumps() {
    for (CGump* g = S().top.first; g; g = g->next())
        if (g->IsDisposable()) g->Close();
}

void DeleteMissiles() {
    for (CGump* g = S().top.first; g; g = g->next())
        if (g->IsMissileGump()) g->Close();
}

// ------------------------------------------------ update

void UpdateBarks() {
    const uint32_t now = GetGameTicks();
    for (CGump* g = S().top.first; g; g = g->next()) {
        if (!Valid(g)) {
            QVReport::error("CGumpManager::UpdateBarks: either pointer 'pGump' is not valid, or the data it "
                            "points to is not valid. breaking out of loop.\n");
            return;
        }
        if (!g->IsClosed() && g->IsBarkGump() && g->IsExpired(now)) g->Close();
    }
}

void Update() {
    UpdateBarks();
    if (CGump* radar = GetRadar(); radar && GumpSlotTable().updateRadar) GumpSlotTable().updateRadar(radar);
    // Closed gumps stay linked until the safe point below, so the saved next gump is still there.
    for (CGump* g = S().top.first; g;) {
        if (!Valid(g)) {
            QVReport::error(
                "CGumpManager::Update: either pointer 'pGump' is not valid, or the data it points to "
                "is not valid. breaking out of loop.\n");
            break;
        }
        CGump* next = g->next();
        if (!g->IsClosed()) g->Update();
        g = next;
    }
    FreeClosedGumps();
}

// ------------------------------------------------ hit test and finding

void RefreshBarks() {
    for (CGump* g = S().top.first; g; g = g->next())
        if (!g->IsClosed() && g->IsBarkGump()) g->UpdateBarkPosition();
}

bool IsClickableBark(const CGump* bark) {
    if (!bark) return false;
    if (bark->IsItemPropGump()) return true;
    if (bark->ownerSerial == 0) return false;
    if (GumpWorldAsk::Call(GumpWorld().isMobile, bark->ownerSerial)) return true;
    return GumpWorldAsk::Call(GumpWorld().isCorpse, bark->ownerSerial);
}

CGump* GetGumpAt(int x, int y, const CGump* exclude, bool filterBarks) {
    if (CGump* modal = GetModal()) {
        int cx = x, cy = y;
        CGump::ScreenToGumpCoords(modal, &cx, &cy);
        if (!modal->IsShown() || !modal->IsPointInside(cx, cy)) return nullptr;
        return modal->GetGumpAt(cx, cy, exclude);
    }
    for (CGump* g = S().top.first; g; g = g->next()) {
        if (!Valid(g)) {
            QVReport::error(
                "CGumpManager::GetGumpAt: either pointer 'pGump' is not valid, or the data it points "
                "to is not valid. returning NULL.\n");
            return nullptr;
        }
        if (g == exclude || g->IsClosed() || !g->visible) continue;
        int cx = x, cy = y;
        CGump::ScreenToGumpCoords(g, &cx, &cy);
        if (!g->IsPointInside(cx, cy)) continue;
        if (g->IsBarkGump() && filterBarks && !IsClickableBark(g)) continue;
        return g->GetGumpAt(cx, cy, exclude);
    }
    return nullptr;
}

CGump* FindObjectGump(uint32_t serial, bool paperdoll, bool shop, CGump* start, bool status) {
    const GumpWorldServices& w = GumpWorld();
    const bool mobile = GumpWorldAsk::Call(w.isMobile, serial);
    for (CGump* g = start; g; g = g->next()) {
        if (g->IsClosed()) continue;
        if (serial != 0 && g->ownerSerial == serial) {
            if (g->IsCourseGump() || g->IsStackGump()) return g;
            if (GumpWorldAsk::Call(w.isContainer, serial) && !paperdoll && !shop && !status &&
                g->IsContainerGump())
                return g;
            if (mobile) {
                const bool asked = paperdoll || shop || status;
                if ((paperdoll && g->IsPaperdollGump()) || (shop && g->IsShopGump()) ||
                    (status && g->IsStatusGump()))
                    return g;
                if (!asked && !g->IsPaperdollGump() && !g->IsShopGump() && !g->IsStatusGump()) return g;
            }
        }
        if (CGump* found = FindObjectGump(serial, paperdoll, shop, g->firstChild(), false)) return found;
    }
    return nullptr;
}

CGump* FindHolderGump(uint32_t serial) {
    const GumpWorldServices& w = GumpWorld();
    const uint32_t holder = w.holderOf && serial ? w.holderOf(serial) : 0;
    if (holder == 0) return nullptr;
    const bool mobile = GumpWorldAsk::Call(w.isMobile, holder);
    const bool container = GumpWorldAsk::Call(w.isContainer, holder);
    for (CGump* g = S().top.first; g; g = g->next()) {
        if (g->IsClosed() || g->ownerSerial != holder) continue;
        if (mobile && g->IsPaperdollGump()) return g;
        if (!mobile && container && g->IsContainerGump()) return g;
    }
    return nullptr;
}

// ------------------------------------------------ drawing

BlitTarget WindowTargetFor(const Rect& rect) {
    BlitTarget t;
    const int w = BackBuffer::Width(), h = BackBuffer::Height();
    const int64_t n = BackBuffer::PixelCount();
    const Rect r = IntersectRect(rect, Rect{0, 0, w, h});
    if (r.IsEmpty() || !BackBuffer::Exists()) return t;
    int ox = 0, oy = 0;
    GetGameAreaOffset(ox, oy);
    int64_t ring = (int64_t{BackBuffer::RingOffset()} - int64_t{oy} * w - ox) % n;
    if (ring < 0) ring += n;
    const int64_t wrap = n - ring;
    const int64_t first = int64_t{r.top} * w + r.left;
    const int64_t last = int64_t{r.bottom - 1} * w + r.right - 1;
    if (ring != 0 && first < wrap && last >= wrap) return t; // crosses the wrap: split it first
    t.pixels = BackBuffer::Pixels();
    t.pitch = w;
    t.height = h;
    t.valid = r;
    t.origin = static_cast<ptrdiff_t>(first >= wrap ? ring - n : ring);
    return t;
}

void SaveUnder(const BlitTarget& target, const Rect& rect) {
    const Rect r = IntersectRect(rect, target.valid);
    if (r.IsEmpty() || !target.IsUsable()) return;
    ManagerState& s = S();
    // No fixed limit: a rectangle saved and not recorded would never be put back.
    const size_t offset = s.saveStore.size();
    const int w = r.Width();
    s.saveStore.resize(offset + static_cast<size_t>(w) * r.Height());
    uint16_t* to = s.saveStore.data() + offset;
    for (int y = r.top; y < r.bottom; ++y, to += w)
        std::memcpy(to, target.At(r.left, y), static_cast<size_t>(w) * sizeof(uint16_t));
    s.saves.push_back(SaveRecord{target, r, offset});
}

size_t SaveUnderRecordCount() {
    return S().saves.size();
}

void DrawAllGumps(const Rect* area, bool last) {
    ManagerState& s = S();
    if (!s.menuBar && GumpSlotTable().createMenuBar) s.menuBar = GumpSlotTable().createMenuBar();
    if (CGump* bar = s.menuBar.get()) bar->BringToFront(true);
    if (area && !area->IsEmpty() && BackBuffer::Exists()) {
        ShowTooltip();
        for (const Rect& piece : SplitAtWrap(*area))
            DrawPiece(piece);
        if (CGump* tip = s.toolTip.get()) tip->Close();
        s.toolTip.reset();
    }
    if (last) {
        // Mobile actions step once per drawn frame, before it is shown.
        UpdateAnimations();
        if (area) PresentRect(area);
        // The back buffer holds the world without gumps again, for the dirty-rectangle renderer.
        RestoreSaves();
    }
    FreeClosedGumps();
}

void PresentRect(const Rect* area) {
    ManagerState& s = S();
    // Not ready until there is a back buffer to present.
    if (!BackBuffer::Exists() || !area) return;
    s.presentRect = IntersectRect(*area, Rect{0, 0, BackBuffer::Width(), BackBuffer::Height()});
    PresentFrame();
}

Rect GetPresentRect() {
    return S().presentRect;
}

void RecreateDC() {
    ManagerState& s = S();
    s.saves.clear();
    s.saveStore.clear();
    DestroyBackBuffer();
    CreateBackBuffer();
    int offsetX = 0, offsetY = 0;
    GetGameAreaOffset(offsetX, offsetY);
    int x = offsetX < 0 ? 0 : offsetX;
    int y = offsetY < 0 ? 0 : offsetY;
    if (x + GraphicManager::GetScreenWidth() > BackBuffer::Width())
        x = BackBuffer::Width() - GraphicManager::GetScreenWidth();
    if (y + GraphicManager::GetScreenHeight() > BackBuffer::Height())
        y = BackBuffer::Height() - GraphicManager::GetScreenHeight();
    if (x != offsetX || y != offsetY) {
        SetGameAreaOffset(x, y);
        InvalidateAll();
    }
}

void GetGameAreaOffset(int& x, int& y) {
    ::GetGameAreaOffset(&x, &y);
}

void SetGameAreaOffset(int x, int y) {
    ::SetGameAreaOffset(x, y);
}

// ------------------------------------------------ tooltip text

std::u16string LookupTooltipText(int id) {
    static const char* const kNames[9] = {"gt_5400", "gt_5000", "gt_4000", "gt_2400", "gt_2310",
                                          "gt_2000", "gt_1010", "gt_0000", "tooltips"};
    static const int kBases[8] = {5400, 5000, 4000, 2400, 2310, 2000, 1010, 0};
    TooltipSections& t = S().tooltips;
    if (!t.loaded) {
        t.loaded = true;
        for (int i = 0; i < 9; ++i)
            t.sections[i] = LanguageManager::loadSection(kNames[i], nullptr, kNames[i], false, false, false);
    }
    if (id < 0) return {};
    auto entry = [&](int section, int index) -> std::u16string {
        const CWideString* str = t.sections[section]->getStr(index, true);
        return str && str->GetText() ? std::u16string(str->GetText()) : std::u16string{};
    };
    for (int i = 0; i < 8; ++i) {
        LanguageSection* section = t.sections[i];
        if (section && id >= kBases[i] && id - kBases[i] < section->getCount())
            return entry(i, id - kBases[i]);
    }
    if (t.sections[8] && id >= 100000 && id - 100000 < t.sections[8]->getCount())
        return entry(8, id - 100000);
    return {};
}

// ------------------------------------------------ not built here

namespace {
CGump* OpenModalBox(CWaitingGump* box) {
    SetModal(box);
    box->Attach(nullptr);
    return box;
}
} // namespace

CGump* ShowModalMessage(const char* text, CGump* owner, int mode, int value) {
    QVReport::message("CGumpManager::ShowModalMessage: %s\n", text ? text : "");
    return OpenModalBox(new CWaitingGump(-1, -1, text, owner, false, mode != 0, value));
}

CGump* ShowModalMessage(const char16_t* text, CGump* owner, int mode, int value) {
    return OpenModalBox(new CWaitingGump(-1, -1, text, owner, false, mode != 0, value));
}

} // namespace CGumpManager

// ------------------------------------------------ the window procedure's calls

int GumpHandleKey(CGump* gump, int code) {
    if (gump && !gump->IsClosed()) gump->HandleKey(code);
    CGumpManager::FreeClosedGumps();
    return 0;
}

bool GumpIsOptionsKeyField(CGump* gump, CGump** optionsWindow) {
    CGump* parent = gump ? gump->parent() : nullptr;
    if (!parent || !(parent->IsOptionsGump() || parent->IsSpareOptionsGump())) return false;
    if (optionsWindow) *optionsWindow = parent;
    return true;
}

void GumpHandleChildChange(CGump* parent, CGump* child) {
    if (parent && !parent->IsClosed()) parent->HandleChildChange(child);
    CGumpManager::FreeClosedGumps();
}

bool GumpIsSingleLineInput(CGump* gump) {
    return gump && (gump->IsInputControlGump() || gump->IsUnicodeInputControlGump());
}

namespace {
// The display and the frame below reach the windows through the window layer's slots.
const bool g_windowLayerInstalled = [] {
    WindowLayer& layer = GetWindowLayer();
    layer.recreateSurfaces = CGumpManager::RecreateDC;
    layer.drawAll = CGumpManager::DrawAllGumps;
    layer.refreshCursor = MouseManager::RefreshCursorPos;
    layer.restoreUnderCursor = MouseManager::RestoreUnderCursor;
    return true;
}();
} // namespace
