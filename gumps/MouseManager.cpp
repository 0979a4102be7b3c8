#include "gumps/MouseManager.h"
#include "world/PlayerWalk.h"

#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "platform/platform.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"

#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace MouseManager {
namespace {

constexpr int kPictureCount = kLastCursorArt - kFirstCursorArt + 1;
constexpr uint16_t kMarker = 0x03E0; // pure green marks the hot spot in the top row and left column

struct CursorEntry {
    int firstArt = -1;
    int lastArt = -1;
    int hotX = 0;
    int hotY = 0;
    int width = 0;
    int height = 0;
    bool loaded = false;
};

struct CursorPicture {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint16_t> normal, hued;
    uintptr_t normalHandle = 0, huedHandle = 0;
};

struct MouseState {
    std::array<CursorEntry, kCursorKinds> table{};
    std::array<CursorPicture, kPictureCount> pictures{};
    std::atomic<int> mouseX{0}, mouseY{0};
    std::atomic<int> requested{0};
    std::atomic<int> dirty{0};
    int busy = 0;
    int current = -1;
    int frame = 0;
    int picture = -1;
    int drawnW = 0, drawnH = 0;
    GumpRef<CGump> capture;
    int lastX = 0, lastY = 0;
    bool shift = false;
    bool software = false;
    bool colorCursors = false;
    bool huedSetShown = false;
    bool huedConverted = false;
    uintptr_t shown = 0;
    uint16_t tint = 0;
    // Hover help.
    int hoverState = 0;
    uint32_t hoverObject = 0;
    uint32_t hoverStart = 0;
    uint32_t requestTime = 0;
    int stillX = -1, stillY = -1;
    // The cursor drawn into the back buffer when the backend has no colour cursors.
    std::vector<uint16_t> under;
    std::vector<size_t> underIndex;
    std::thread::id mainThread = std::this_thread::get_id();
};

MouseState& S() {
    static MouseState state;
    return state;
}

bool OnMainThread() {
    return std::this_thread::get_id() == S().mainThread;
}

void FillTable(std::array<CursorEntry, kCursorKinds>& t) {
    auto set = [&](int kind, int first, int last) {
        t[kind].firstArt = first;
        t[kind].lastArt = last;
    };
    for (int k = 0; k < 8; ++k) {
        set(k, 24659 + k, 24659 + k);
        set(k + 8, 24659 + k, 24659 + k);
    }
    set(16, 24667, 24667);
    set(17, 24668, 24669);
    set(18, 24670, 24670);
    set(19, 24671, 24671);
    set(20, 24672, 24672);
    set(21, 24673, 24673);
    set(22, 24674, 24674);
    for (int k = 0; k < 8; ++k) {
        set(23 + k, 24682 + k, 24682 + k);
        set(31 + k, 24682 + k, 24682 + k);
    }
    set(39, 24690, 24690);
    set(40, 24691, 24692);
    for (int k = 0; k < 5; ++k)
        set(41 + k, 24693 + k, 24693 + k);
}

// The hot spot marked in an art: the first marker pixel of the top row's first run, and the first
// row whose first run starts with the marker.
void FindHotSpot(const ArtItem* art, int* hx, int* hy) {
    *hx = *hy = 0;
    if (!art || art->height <= 0) return;
    const ArtRun* first = art->RowBegin(0);
    if (first != art->RowEnd(0))
        for (int i = 0; i < first->count; ++i)
            if (art->pixels[first->pixel + i] == kMarker) {
                *hx = first->column + i;
                break;
            }
    for (int y = 0; y < art->height; ++y) {
        const ArtRun* run = art->RowBegin(y);
        if (run != art->RowEnd(y) && art->pixels[run->pixel] == kMarker) {
            *hy = y;
            return;
        }
    }
}

bool WarMode() {
    return GumpWorld().warMode && GumpWorld().warMode();
}

bool HuedSetWanted() {
    return !WarMode() && GumpWorld().facet && GumpWorld().facet() != 0;
}

void ConvertHuedSet() {
    MouseState& s = S();
    if (s.huedConverted) return;
    s.huedConverted = true;
    for (CursorPicture& p : s.pictures) {
        for (uint16_t& px : p.hued)
            if (px != 0) px = HueManager::ResolveHueColours(50)[std::max(SpanChannels::Red(px), 1)];
        if (s.colorCursors && !p.hued.empty())
            p.huedHandle = platform::CreateColorCursor(p.hued.data(), p.width, p.height, p.hotX, p.hotY);
    }
}

// Shows the current kind's picture as the platform cursor when it changed.
void ApplyCursor() {
    MouseState& s = S();
    if (!s.colorCursors || s.picture < kFirstCursorArt || s.picture > kLastCursorArt) return;
    const bool hued = HuedSetWanted();
    if (hued) ConvertHuedSet();
    const CursorPicture& p = s.pictures[static_cast<size_t>(s.picture - kFirstCursorArt)];
    const uintptr_t handle = hued && p.huedHandle ? p.huedHandle : p.normalHandle;
    if (handle == s.shown) return;
    platform::SetColorCursor(handle);
    s.shown = handle;
}

void Validated(GumpRef<CGump>& ref, const char* message) {
    if (CGump* g = ref.get(); g && !QV_VALID_OBJECT(static_cast<CTrackedObject*>(g))) {
        QVReport::error("%s", message);
        ref.reset();
    }
}

// The button handlers' common step: the point, and a popup menu elsewhere closes.
void CommonStep(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    const GumpSlots& slots = GumpSlotTable();
    if (slots.popupMenuHit && slots.closePopupMenu && !slots.popupMenuHit(x, y)) slots.closePopupMenu();
}

CGump* FindRButtonGump(int x, int y) {
    if (CGump* modal = CGumpManager::GetModal()) {
        int cx = x, cy = y;
        CGump::ScreenToGumpCoords(modal, &cx, &cy);
        return modal->IsPointInside(cx, cy) ? modal->GetGumpAt(cx, cy, nullptr) : nullptr;
    }
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next()) {
        if (g->IsClosed() || !g->visible || (g->IsBarkGump() && !g->IsItemPropGump())) continue;
        int cx = x, cy = y;
        CGump::ScreenToGumpCoords(g, &cx, &cy);
        if (g->IsPointInside(cx, cy)) return g->GetGumpAt(cx, cy, nullptr);
    }
    return nullptr;
}

bool InsideHelpWindow(int x, int y) {
    CGump* help = CGumpManager::GetHelpText();
    if (!help) return false;
    const Rect r = help->ScreenRect();
    return r.left < x && x < r.right && r.top < y && y < r.bottom;
}

void CloseHelpWindow() {
    if (CGump* help = CGumpManager::GetHelpText()) help->Close();
    CGumpManager::SetHelpText(nullptr);
}

void Release();

} // namespace

void startup() {
    QVReport::message("MouseManager::startup: begin.\n");
    Release();
    MouseState& s = S();
    s.mainThread = std::this_thread::get_id();
    s.dirty = 1;
    FillTable(s.table);
}

void shutdown() {
    QVReport::message("MouseManager::shutdown: begin.\n");
    Release();
}

void ResetForTests() {
    Release();
    S().mouseX = S().mouseY = 0;
    S().lastX = S().lastY = 0;
    S().shift = false;
    S().tint = 0;
    S().mainThread = std::this_thread::get_id();
    FillTable(S().table);
}

namespace {
void Release() {
    MouseState& s = S();
    for (CursorPicture& p : s.pictures) {
        platform::DestroyColorCursor(p.normalHandle);
        platform::DestroyColorCursor(p.huedHandle);
    }
    if (s.shown) platform::SetColorCursor(0);
    s.capture.reset();
    s.pictures = {};
    s.table = {};
    s.busy = 0;
    s.current = -1;
    s.frame = 0;
    s.picture = -1;
    s.drawnW = s.drawnH = 0;
    s.requested = 0;
    s.dirty = 0;
    s.software = false;
    s.colorCursors = false;
    s.huedConverted = false;
    s.shown = 0;
    s.hoverState = 0;
    s.hoverObject = 0;
    s.stillX = s.stillY = -1;
    s.under.clear();
    s.underIndex.clear();
}
} // namespace

void LoadCursors() {
    MouseState& s = S();
    for (CursorEntry& e : s.table) {
        if (e.firstArt < 0) continue;
        for (int id = e.firstArt; id <= e.lastArt; ++id) {
            const ArtItem* art = GetArt(id);
            if (!art) continue;
            if (!e.loaded) FindHotSpot(art, &e.hotX, &e.hotY); // the first frame's marker
            e.loaded = true;
            e.width = std::max(e.width, art->width & ~1);
            e.height = std::max(e.height, art->height);
        }
    }
    bool refused = false;
    for (int i = 0; i < kPictureCount; ++i) {
        CursorPicture& p = s.pictures[static_cast<size_t>(i)];
        const ArtItem* art = GetArt(kFirstCursorArt + i);
        if (!art) continue;
        p.width = art->width & ~1;
        p.height = art->height;
        FindHotSpot(art, &p.hotX, &p.hotY);
        p.normal.assign(static_cast<size_t>(p.width) * p.height, 0);
        // The marker row and column stay out of the picture.
        DrawArtTo(MakeBlitTarget(p.normal.data(), p.width, p.height), CopySpanKeyed, art,
                  Rect{1, 1, p.width - 1, p.height}, 0, 0);
        p.hued = p.normal;
        if (s.tint != 0 && i < 23)
            for (uint16_t& px : p.normal)
                if (px != 0) {
                    const int level = SpanChannels::Red(px);
                    px = static_cast<uint16_t>((level * SpanChannels::Red(s.tint) / 32) << 10 |
                                               (level * SpanChannels::Green(s.tint) / 32) << 5 |
                                               level * SpanChannels::Blue(s.tint) / 32);
                }
        if (!refused && !p.normal.empty()) {
            p.normalHandle = platform::CreateColorCursor(p.normal.data(), p.width, p.height, p.hotX, p.hotY);
            refused = p.normalHandle == 0;
        }
    }
    s.colorCursors = !refused && s.pictures[0].normalHandle != 0;
    s.shown = 0;
    s.current = -1;
    UpdateCursorShape();
}

void SetCursorTint(uint16_t colour) {
    S().tint = colour;
}

// ------------------------------------------------ capture and cursor requests

void SetCapture(CGump* gump) {
    if (gump && !QV_VALID_OBJECT(static_cast<CTrackedObject*>(gump))) {
        QVReport::error(
            "MouseManager::SetCapture: either pointer 'pCapture' is not valid, or the data it points "
            "to is not valid. setting 'pCapture = 0'.\n");
        gump = nullptr;
    }
    S().capture = gump;
}

CGump* GetCapture() {
    return S().capture.get();
}

void ReleaseCaptureOf(CGump* gump) {
    if (S().capture.get() == gump) S().capture.reset();
}

int GetCursor() {
    return S().requested;
}

int IsCursorDirty() {
    return S().dirty;
}

void SetCursor(int cursor) {
    MouseState& s = S();
    if (!(GumpWorld().inGameDisplay && GumpWorld().inGameDisplay())) cursor = kNormalCursor;
    if (cursor == kBusyCursor && s.busy <= 0) s.busy = 1;
    if (s.busy > 0) cursor = kBusyCursor;
    if (cursor != s.requested) {
        s.requested = cursor;
        s.dirty = 1;
    }
}

void BeginBusy() {
    ++S().busy;
}

void EndBusy() {
    if (S().busy > 0) --S().busy;
}

int GetBusyCount() {
    return S().busy;
}

int GetCurrentCursorKind() {
    return S().current;
}

bool UsesColorCursors() {
    return S().colorCursors;
}

uintptr_t CursorHandleForPicture(int picture) {
    if (picture < 0 || picture >= kPictureCount) return 0;
    return S().pictures[static_cast<size_t>(picture)].normalHandle;
}

bool GetHotSpot(int kind, int* x, int* y) {
    if (kind < 0 || kind >= kCursorKinds || !S().table[static_cast<size_t>(kind)].loaded) return false;
    *x = S().table[static_cast<size_t>(kind)].hotX;
    *y = S().table[static_cast<size_t>(kind)].hotY;
    return true;
}

void SetSoftwareCursor(bool on) {
    S().software = on;
}

bool WasShiftHeldAtRelease() {
    return S().shift;
}

void GetMousePos(int* x, int* y) {
    if (x) *x = S().mouseX;
    if (y) *y = S().mouseY;
}

void SetMousePos(int x, int y) {
    // The cursor timer thread still calls in; the pointer is read on the main thread now.
    if (!OnMainThread()) return;
    S().mouseX = x;
    S().mouseY = y;
    UpdateCursorShape();
}

void GetDrawnCursorSize(int* width, int* height) {
    if (width) *width = S().drawnW;
    if (height) *height = S().drawnH;
}

// ------------------------------------------------ direction and cursor choice

namespace {
void CentreOffsets(int* dx, int* dy) {
    int ox = 0, oy = 0;
    CGumpManager::GetGameAreaOffset(ox, oy);
    *dx = S().mouseX - (ox + GraphicManager::GetScreenHalfWidth());
    *dy = S().mouseY - (oy + GraphicManager::GetScreenHalfHeight());
}
} // namespace

int GetMouseDirection(bool anywhere) {
    const int x = S().mouseX, y = S().mouseY;
    int ox = 0, oy = 0;
    CGumpManager::GetGameAreaOffset(ox, oy);
    if (!anywhere && (x < ox || x >= ox + GraphicManager::GetScreenWidth() || y < oy ||
                      y >= oy + GraphicManager::GetScreenHeight()))
        return -1;
    int dx = 0, dy = 0;
    CentreOffsets(&dx, &dy);
    if (dx <= 0) {
        if (-2 * dx < dy) return 4;
        if (-dx < 2 * dy) return 5;
        if (dx < 2 * dy) return 6;
        if (2 * dx < dy) return 7;
        return 0;
    }
    if (dy < -2 * dx) return 0;
    if (2 * dy < -dx) return 1;
    if (2 * dy < dx) return 2;
    if (dy < 2 * dx) return 3;
    return 4;
}

bool IsInWalkEllipse() {
    int dx = 0, dy = 0;
    CentreOffsets(&dx, &dy);
    return 9 * int64_t{dx} * dx + 16 * int64_t{dy} * dy < 409601;
}

void UpdateCursorShape() {
    if (!OnMainThread()) return;
    MouseState& s = S();
    const int d = GetMouseDirection(false);
    int k = s.requested;
    if (k == 0) k = d == -1 ? kNormalCursor : d + (IsInWalkEllipse() ? 8 : 0);
    if (!WarMode()) k += kPeaceOffset;
    if (k >= -1 && k < kCursorKinds && k != s.current) {
        s.dirty = 1;
        s.current = k;
        s.frame = 0;
        if (k >= 0) {
            const CursorEntry& e = s.table[static_cast<size_t>(k)];
            s.drawnW = e.width;
            s.drawnH = e.height;
            s.picture = e.firstArt;
        } else {
            s.picture = -1;
        }
    }
    ApplyCursor();
}

void DrawSoftwareCursor(bool) {}

void ResetWalkState() {
    PlayerWalk::ResetWalkState();
}

// ------------------------------------------------ buttons

namespace {
// A press: without a capture the gump found at the point takes it; the capture gets the press in
// its own coordinates.
void Press(int x, int y, CGump* (*find)(int, int), const char* invalidCapture,
           void (CGump::*handler)(int, int)) {
    CommonStep(x, y);
    MouseState& s = S();
    if (!s.capture) {
        CGump* g = find(x, y);
        if (!g) return;
        s.capture = g;
    }
    Validated(s.capture, invalidCapture);
    if (CGump* c = s.capture.get()) {
        int cx = x, cy = y;
        CGump::ScreenToGumpCoords(c, &cx, &cy);
        (c->*handler)(cx, cy);
    }
    CGumpManager::FreeClosedGumps();
}

CGump* FindLButtonGump(int x, int y) {
    return CGumpManager::GetGumpAt(x, y, nullptr, true);
}
} // namespace

void OnLButtonDown(int x, int y) {
    Press(x, y, FindLButtonGump,
          "MouseManager::OnLButtonDown: either pointer 'pCapture' is not valid, or the data it points to is "
          "not "
          "valid. setting 'pCapture = 0'.\n",
          &CGump::HandleLButtonDown);
}

void OnLButtonUp(int x, int y) {
    MouseState& s = S();
    s.shift = platform::IsKeyDown(platform::VK_SHIFT);
    CommonStep(x, y);
    Validated(s.capture, "MouseManager::OnLButtonUp: either pointer 'pCapture' is not valid, or the data it "
                         "points to is not valid. setting 'pCapture = 0'.\n");
    if (CGump* c = s.capture.get()) {
        int cx = x, cy = y;
        CGump* help = CGumpManager::GetHelpText();
        if (!help || c->parent() != help) CGump::ScreenToGumpCoords(c, &cx, &cy);
        c->HandleLButtonUp(cx, cy);
    }
    CGumpManager::FreeClosedGumps();
}

void OnRButtonDown(int x, int y) {
    Press(x, y, FindRButtonGump,
          "MouseManager::OnRButtonDown: either pointer 'pCapture' is not valid, or the data it points to is "
          "not "
          "valid. setting 'pCapture = 0'.\n",
          &CGump::HandleRButtonDown);
}

void OnRButtonUp(int x, int y) {
    CommonStep(x, y);
    MouseState& s = S();
    if (CGump* c = s.capture.get()) {
        CGump* help = CGumpManager::GetHelpText();
        if (help && c->parent() == help) {
            s.capture.reset();
        } else {
            Validated(s.capture,
                      "MouseManager::OnRButtonUp: either pointer 'pCapture' is not valid, or the data "
                      "it points to is not valid. setting 'pCapture = 0'.\n");
            if ((c = s.capture.get())) {
                int cx = x, cy = y;
                CGump::ScreenToGumpCoords(c, &cx, &cy);
                c->HandleRButtonUp(cx, cy);
            }
        }
    }
    if (InsideHelpWindow(S().mouseX, S().mouseY)) CloseHelpWindow();
    CGumpManager::FreeClosedGumps();
}

// ------------------------------------------------ per-step dispatch

void Update() {
    MouseState& s = S();
    int px = 0, py = 0;
    platform::GetCursorPosition(px, py);
    s.mouseX = px;
    s.mouseY = py;
    UpdateCursorShape();
    UpdateHelpHovering();

    Validated(s.capture,
              "MouseManager::Update: either pointer 'pCapture' is not valid, or the data it points to "
              "is not valid. setting 'pCapture = 0'.\n");
    if (CGump* c = s.capture.get()) {
        int cx = px, cy = py;
        CGump::ScreenToGumpCoords(c, &cx, &cy);
        c->HandleCaptureMove(cx, cy);
    }
    GumpRef<CGump> g = CGumpManager::GetGumpAt(px, py, nullptr, false);
    CGump* g2 = CGumpManager::GetGumpAt(s.lastX, s.lastY, nullptr, true);
    if (g2 && g2 != g.get() && g2->IsGenericGump()) g2->HandleMouseMove(-1, -1);
    s.lastX = px;
    s.lastY = py;

    CGump* old = CGumpManager::GetMouseOn();
    if (old && old != g.get()) old->HandleMouseMoveAway();
    CGumpManager::SetMouseOn(g.get());
    if (CGump* over = g.get()) {
        int cx = px, cy = py;
        CGump::ScreenToGumpCoords(over, &cx, &cy);
        over->HandleMouseMove(cx, cy);
        if ((over = g.get())) over->HandleMouseTick();
    }
    // The capture ticks once, also when it is the gump under the mouse (auto-repeat fires once).
    if (CGump* c = s.capture.get(); c && c != g.get()) c->HandleMouseTick();
    CGumpManager::FreeClosedGumps();
    // A gump asked for another cursor just now: show it in this step, not the next.
    UpdateCursorShape();
}

// ------------------------------------------------ hover help

void UpdateHelpHovering() {
    MouseState& s = S();
    const uint32_t now = GetGameTicks();
    const int x = s.mouseX, y = s.mouseY;
    const uint32_t item = GumpWorld().objectAt ? GumpWorld().objectAt(x, y) : 0;
    if (item == 0) s.hoverObject = s.hoverState == 0 ? 0 : s.hoverObject;
    CGump* help = CGumpManager::GetHelpText();
    switch (s.hoverState) {
    case 0:
        s.hoverStart = now;
        if (item != 0 && item != s.hoverObject) {
            s.hoverObject = item;
            s.hoverState = 1;
            s.stillX = x;
            s.stillY = y;
        }
        break;
    case 1:
        if (item != s.hoverObject) {
            // Another object (or none) under the pointer: start over.
            s.hoverObject = 0;
            s.hoverState = 0;
            s.hoverStart = now;
        } else if (x != s.stillX || y != s.stillY) {
            s.stillX = x;
            s.stillY = y;
            s.hoverStart = now; // a move restarts the delay
        } else if (TickDifference(now, s.hoverStart) >= PopupHelpPreDelay) {
            s.hoverState = 2;
        }
        break;
    case 2:
        if (s.hoverObject != 0 && PopupHelpEnabled) {
            if (GumpWorld().exists && !GumpWorld().exists(s.hoverObject)) {
                QVReport::error(
                    "MouseManager::UpdateHelpHovering: pointer 'hover_object' is not valid,setting to "
                    "0.\n");
                s.hoverObject = 0;
            } else if (GumpSlotTable().helpRequest) {
                GumpSlotTable().helpRequest(s.hoverObject);
            }
        }
        s.requestTime = now;
        s.hoverState = 3;
        break;
    case 3:
        if (help || TickDifference(now, s.requestTime) > 1999) s.hoverState = 4;
        break;
    default:
        if (!PopupHelpPersistant || !help) s.hoverState = 0;
        break;
    }
    if (!help) return;
    if (InsideHelpWindow(x, y) || PopupHelpSticky) return;
    CGump* c = s.capture.get();
    if (c && help->IsAncestorOf(c) && c != help) return;
    CloseHelpWindow();
}

int GetHelpHoverState() {
    return S().hoverState;
}

// ------------------------------------------------ a cursor drawn into the back buffer

void RefreshCursorPos() {
    MouseState& s = S();
    if (s.colorCursors || !s.software || !OnMainThread()) return;
    int x = 0, y = 0;
    platform::GetCursorPosition(x, y);
    s.mouseX = x;
    s.mouseY = y;
    UpdateCursorShape();
    if (s.picture < kFirstCursorArt || s.picture > kLastCursorArt || !BackBuffer::Exists()) return;
    if (HuedSetWanted()) ConvertHuedSet();
    const CursorPicture& p = s.pictures[static_cast<size_t>(s.picture - kFirstCursorArt)];
    const std::vector<uint16_t>& pixels = HuedSetWanted() ? p.hued : p.normal;
    int ox = 0, oy = 0;
    CGumpManager::GetGameAreaOffset(ox, oy);
    const CursorEntry& e = s.table[static_cast<size_t>(s.current)];
    const int left = x - e.hotX - ox, top = y - e.hotY - oy; // in the ring's screen coordinates
    uint16_t* ring = BackBuffer::Pixels();
    s.under.clear();
    s.underIndex.clear();
    for (int row = 0; row < p.height; ++row)
        for (int col = 0; col < p.width; ++col) {
            const uint16_t px = pixels[static_cast<size_t>(row) * p.width + col];
            const int sx = left + col, sy = top + row;
            if (px == 0 || sx < -ox || sy < -oy || sx >= BackBuffer::Width() - ox ||
                sy >= BackBuffer::Height() - oy)
                continue;
            const int64_t n = BackBuffer::PixelCount();
            int64_t i = (int64_t{BackBuffer::RingOffset()} + int64_t{sy} * BackBuffer::Width() + sx) % n;
            if (i < 0) i += n;
            s.underIndex.push_back(static_cast<size_t>(i));
            s.under.push_back(ring[i]);
            ring[i] = px;
        }
}

void RestoreUnderCursor() {
    MouseState& s = S();
    uint16_t* ring = BackBuffer::Pixels();
    if (ring && OnMainThread())
        for (size_t k = s.under.size(); k-- > 0;)
            ring[s.underIndex[k]] = s.under[k];
    s.under.clear();
    s.underIndex.clear();
    s.dirty = 0;
}

} // namespace MouseManager
