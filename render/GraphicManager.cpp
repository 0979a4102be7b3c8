#include "render/GraphicManager.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "platform/platform.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/FrameServices.h"
#include "render/RenderData.h"
#include "render/WindowLayer.h"

#include <algorithm>
#include <vector>

namespace GraphicManager {

CMapGump* pMapGump = nullptr;

namespace {

constexpr int kRedShift = 10;
constexpr int kGreenShift = 5;
constexpr size_t kAnimInfoBytes = 2 * kBodyCount;
constexpr int kLandArtSlotBytes = 2048;

struct State {
    int screenWidth = 640;
    int screenHeight = 480;
    std::vector<uint16_t> grey;
    uint8_t walk[kBodyCount];
    uint8_t run[kBodyCount];
    int deathFade = 0;

    State() {
        std::fill(std::begin(walk), std::end(walk), kDefaultWalkFrames);
        std::fill(std::begin(run), std::end(run), kDefaultRunFrames);
    }
};
State& S() {
    static State s;
    return s;
}

void BuildGreyTable() {
    std::vector<uint16_t>& grey = S().grey;
    grey.assign(32768, 0);
    for (int v = 1; v < 32768; ++v) {
        int r = v >> 10, g = (v >> 5) & 31, b = v & 31;
        int level = ((536 * r + 104 * g + 160 * b) / 100) >> 3;
        grey[v] = static_cast<uint16_t>(level << kGreenShift | level << kRedShift | level);
    }
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Each row of the visible screen as the ring holds it, from the ring's own start.
void DarkenVisibleScreen() {
    uint16_t* pixels = BackBuffer::Pixels();
    if (!pixels) return;
    const int64_t n = BackBuffer::PixelCount();
    const int w = std::min(S().screenWidth, BackBuffer::Width());
    const int h = std::min(S().screenHeight, BackBuffer::Height());
    int64_t start = BackBuffer::RingOffset();
    for (int row = 0; row < h; ++row) {
        int64_t first = std::min<int64_t>(w, n - start);
        DarkenPixels(pixels + start, static_cast<int>(first));
        if (first < w) DarkenPixels(pixels, static_cast<int>(w - first));
        start = (start + BackBuffer::Width()) % n;
    }
}

} // namespace

void startup() {
    QVReport::message("GraphicManager::startup: begin.\n");
    BuildGreyTable();
    pMapGump = nullptr;
    LoadAnimInfo();
}

void shutdown() {
    QVReport::message("GraphicManager::shutdown: begin.\n");
}

int GetScreenWidth() {
    return S().screenWidth;
}
int GetScreenHeight() {
    return S().screenHeight;
}
int GetScreenHalfWidth() {
    return S().screenWidth / 2;
}
int GetScreenHalfHeight() {
    return S().screenHeight / 2;
}

void SetScreenSize(int width, int height) {
    bool large = width == 800 && height == 600;
    S().screenWidth = large ? 800 : 640;
    S().screenHeight = large ? 600 : 480;
    RecreateWindowSurfaces();
}

const uint16_t* GetGreyTable() {
    if (S().grey.empty()) BuildGreyTable();
    return S().grey.data();
}

void LoadAnimInfo() {
    auto bytes = RenderData::ReadFile("animinfo.mul", kAnimInfoBytes);
    if (!bytes) {
        LoadAnimInfoFromBytes(nullptr, 0);
        return;
    }
    if (LoadAnimInfoFromBytes(bytes->data(), bytes->size()))
        platform::ShowMessageBox(
            "Your \"animinfo.mul\" file is corrupted!\nYou will need to recopy it from the "
            "original CD.\n\nDefaulting settings temporarily...",
            "File Error", platform::BoxIcon::Warning);
}

bool LoadAnimInfoFromBytes(const uint8_t* data, size_t length) {
    bool damaged = false;
    for (int body = 0; body < kBodyCount; ++body) {
        size_t at = 2 * static_cast<size_t>(body);
        uint8_t walk = data && at < length ? data[at] : 0;
        uint8_t run = data && at + 1 < length ? data[at + 1] : 0;
        if (walk == 0 || run == 0) {
            walk = kDefaultWalkFrames;
            run = kDefaultRunFrames;
            damaged = true;
        }
        S().walk[body] = walk;
        S().run[body] = run;
    }
    return data && damaged;
}

int GetWalkFrames(int body) {
    return body >= 0 && body < kBodyCount ? S().walk[body] : kDefaultWalkFrames;
}

int GetRunFrames(int body) {
    return body >= 0 && body < kBodyCount ? S().run[body] : kDefaultRunFrames;
}

void UpdateArt(const uint8_t* data, size_t available, int artId, int length, int extra) {
    if (artId < 0 || artId > 65535) {
        ShowErrorMessage("Tried to update art less than 0 or greater then 65535.", "damn art bug", nullptr);
        return;
    }
    if (length == -1) {
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, artId, extra, nullptr, 0);
    } else {
        // Item art: run table (its size in the first word), line table and header.
        int64_t stored = kLandArtSlotBytes;
        if (artId >= kFirstItemArtId) {
            if (!data || available < 8) {
                QVReport::error("GraphicManager::UpdateArt: art 0x%04X: %zu bytes arrived, too short for the "
                                "header; ignored.\n",
                                artId, available);
                return;
            }
            stored = int64_t{ReadU32(data)} + 2 * int64_t{data[6] | data[7] << 8} + 8;
        }
        if (!data || stored > static_cast<int64_t>(available)) {
            QVReport::error(
                "GraphicManager::UpdateArt: art 0x%04X needs %lld bytes but %zu arrived; ignored.\n", artId,
                static_cast<long long>(stored), available);
            return;
        }
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, artId, extra, data,
                                    static_cast<int>(stored));
    }
    ForgetArt(artId);
    if (artId < kFirstItemArtId)
        DrawManager::InvalidateLandTiles(artId);
    else
        DrawManager::RefreshItemsWithGraphic(artId - kFirstItemArtId);
}

const ArtItem* GetLandArtOrDefault(unsigned id) {
    const ArtItem* art = GetArt(static_cast<int>(id & kMaxLandArtId));
    return art ? art : GetArt(0);
}

void CreateInitialGumps() {
    QVReport::message("GraphicManager::CreateInitialGumps: begin.\n");
    const FrameServices& services = GetFrameServices();
    pMapGump = services.createMapGump ? services.createMapGump() : nullptr;
    RecreateWindowSurfaces();
    if (services.createMainMenu) services.createMainMenu();
}

void DrawFrame() {
    const FrameServices& services = GetFrameServices();
    if (!services.hasGameConnection || !services.hasGameConnection()) return;
    if (S().deathFade != 0) {
        DarkenVisibleScreen();
        if (++S().deathFade == 16 && services.showCentredBark)
            services.showCentredBark("You are dead.", S().screenWidth, S().screenHeight);
        if (S().deathFade >= 32) {
            S().deathFade = 0;
            InvalidateAll();
            if (services.sendDeathStatus && services.hasGameConnection()) services.sendDeathStatus(2);
        }
    } else {
        RenderFrame();
    }
    Rect all{0, 0, BackBuffer::Width(), BackBuffer::Height()};
    DrawAllWindows(&all, true);
    if (services.redrawInputLine) services.redrawInputLine();
}

int GetDeathFadeCounter() {
    return S().deathFade;
}

void SetDeathFadeCounter(int counter) {
    S().deathFade = std::clamp(counter, 0, 31);
}

void ResetForTests() {
    S() = State{};
    pMapGump = nullptr;
}

} // namespace GraphicManager

void ProjectCell(int x, int y, int mapWidth, int scrollX, int scrollY, int* sx, int* sy) {
    if (sx) *sx = (mapWidth + x - y) * 22 - scrollX;
    if (sy) *sy = (x + y) * 22 - scrollY + 20;
}

uint16_t RGBToPixel(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

void DarkenPixels(uint16_t* pixels, int count) {
    for (int i = 0; i < count; ++i) {
        uint16_t p = pixels[i];
        // Subtract one from each channel that is not 0: a per-channel "is non-zero" bit.
        uint16_t nonZero = static_cast<uint16_t>(((p & 0x7C00) ? 0x0400 : 0) | ((p & 0x03E0) ? 0x0020 : 0) |
                                                 ((p & 0x001F) ? 0x0001 : 0));
        pixels[i] = static_cast<uint16_t>((p & 0x7FFF) - nonZero);
    }
}
