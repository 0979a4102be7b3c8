#include "render/Display.h"

#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/FrameServices.h"
#include "render/GameArea.h"
#include "render/GraphicManager.h"
#include "render/WindowLayer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct DisplayState {
    bool fullScreenActive = false;
    int fullScreenWidth = 640; // "FullScreenRes"
    int fullScreenHeight = 480;
    std::vector<uint16_t> surface; // the full-screen surface, the mode's size
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    std::vector<uint16_t> picture; // the frame in screen order, in a window
    std::vector<uint16_t> shown;   // what the last present showed
    int shownWidth = 0;
    int shownHeight = 0;
};
DisplayState& D() {
    static DisplayState d;
    return d;
}

uint32_t To565Pair(uint32_t word) {
    return (word & 0x001F001Fu) | (word & 0xFFE07FE0u) << 1;
}

void Convert565(uint16_t* out, const uint16_t* in, int count) {
    int i = 0;
    for (; i + 1 < count; i += 2) {
        uint32_t word;
        std::memcpy(&word, in + i, sizeof word);
        word = To565Pair(word);
        std::memcpy(out + i, &word, sizeof word);
    }
    if (i < count) out[i] = static_cast<uint16_t>(To565Pair(in[i]));
}

void Copy555(uint16_t* out, const uint16_t* in, int count) {
    std::memcpy(out, in, static_cast<size_t>(count) * sizeof(uint16_t));
}

template <void (*Row)(uint16_t*, const uint16_t*, int)>
void CopyRing(const DisplaySurface& dst, const RingView& ring, int position, int index, int count) {
    if (!dst.pixels || !ring.pixels || ring.width <= 0 || ring.height <= 0 || position < 0 || index < 0)
        return;
    const int64_t ringSize = int64_t{ring.width} * ring.height;
    if (index >= ringSize) return;
    int64_t left = std::min<int64_t>(count, ringSize - index);
    int64_t p = position;
    int64_t i = index;
    while (left > 0) {
        int64_t row = p / ring.width, column = p % ring.width;
        int64_t piece = std::min<int64_t>(left, ring.width - column);
        if (row >= dst.height) break;
        int64_t visible = std::min<int64_t>(column + piece, dst.width) - column;
        if (visible > 0)
            Row(dst.pixels + row * dst.pitch + column, ring.pixels + i, static_cast<int>(visible));
        p += piece;
        i += piece;
        left -= piece;
    }
}

} // namespace

void CreateBackBuffer() {
    BackBuffer::Destroy();
    BackBuffer::SetSize(std::max(BackBuffer::Width(), GraphicManager::GetScreenWidth()),
                        std::max(BackBuffer::Height(), GraphicManager::GetScreenHeight()));
    BackBuffer::Create();
    BackBuffer::GrowSaveUnder(static_cast<size_t>(BackBuffer::PixelCount()) * 2);
    ResetDirtyRects();
}

void DestroyBackBuffer() {
    BackBuffer::Destroy();
}

void CreateFullScreenSurfaces() {
    int width = 640, height = 480;
    const FrameServices& services = GetFrameServices();
    if (services.isInWorld && services.isInWorld()) {
        width = D().fullScreenWidth;
        height = D().fullScreenHeight;
    }
    if (!platform::SetFullScreen(true, width, height)) {
        if (width == 640 && height == 480) return;
        width = 640;
        height = 480;
        if (!platform::SetFullScreen(true, width, height)) return;
    }
    BackBuffer::SetSize(width, height);
    SetGameAreaOffset(0, 0);
    RecreateWindowSurfaces();
    D().surface.assign(static_cast<size_t>(width) * height, 0);
    D().surfaceWidth = width;
    D().surfaceHeight = height;
    D().fullScreenActive = true;
}

void ReleaseFullScreenSurfaces() {
    if (D().fullScreenActive || platform::IsFullScreen()) platform::SetFullScreen(false, 0, 0);
    D().surface = {};
    D().surfaceWidth = D().surfaceHeight = 0;
    D().fullScreenActive = false;
}

bool IsFullScreenActive() {
    return D().fullScreenActive;
}

void SetFullScreenRes(int width, int height) {
    if (width <= 0 || height <= 0) return;
    D().fullScreenWidth = width;
    D().fullScreenHeight = height;
}

DisplaySurface GetFullScreenSurface() {
    if (D().surface.empty()) return {};
    return DisplaySurface{D().surface.data(), D().surfaceWidth, D().surfaceWidth, D().surfaceHeight};
}

void CopyRingToSurface(const DisplaySurface& destination, const RingView& ring, int destinationPosition,
                       int ringIndex, int count) {
    CopyRing<Copy555>(destination, ring, destinationPosition, ringIndex, count);
}

void CopyRingToSurface565(const DisplaySurface& destination, const RingView& ring, int destinationPosition,
                          int ringIndex, int count) {
    CopyRing<Convert565>(destination, ring, destinationPosition, ringIndex, count);
}

int PresentStartIndex() {
    const int64_t n = BackBuffer::PixelCount();
    if (n <= 0) return 0;
    int x = 0, y = 0;
    GetGameAreaOffset(&x, &y);
    int64_t d = (BackBuffer::RingOffset() - (int64_t{y} * BackBuffer::Width() + x)) % n;
    return static_cast<int>(d < 0 ? d + n : d);
}

std::vector<Rect> ChangedRects(const uint16_t* before, const uint16_t* now, int width, int height) {
    std::vector<Rect> rects;
    if (!before || !now || width <= 0 || height <= 0) return rects;
    for (int top = 0; top < height; top += kPresentBandRows) {
        const int bottom = std::min(top + kPresentBandRows, height);
        int left = width, right = 0;
        for (int y = top; y < bottom; ++y) {
            const uint16_t* a = before + static_cast<size_t>(y) * width;
            const uint16_t* b = now + static_cast<size_t>(y) * width;
            if (std::memcmp(a, b, static_cast<size_t>(width) * sizeof(uint16_t)) == 0) continue;
            int l = 0, r = width;
            while (a[l] == b[l])
                ++l;
            while (a[r - 1] == b[r - 1])
                --r;
            left = std::min(left, l);
            right = std::max(right, r);
        }
        if (left < right) {
            // A band that continues the one above over the same columns joins it.
            if (!rects.empty() && rects.back().bottom == top && rects.back().left == left &&
                rects.back().right == right)
                rects.back().bottom = bottom;
            else
                rects.push_back(Rect{left, top, right, bottom});
        }
    }
    return rects;
}

void PresentFrame() {
    RefreshWindowCursor();
    uint16_t* pixels = BackBuffer::Pixels();
    if (pixels) {
        const int w = BackBuffer::Width(), h = BackBuffer::Height(), n = w * h;
        const int d = PresentStartIndex();
        DisplaySurface picture = GetFullScreenSurface();
        if (!D().fullScreenActive) {
            D().picture.resize(static_cast<size_t>(n));
            picture = DisplaySurface{D().picture.data(), w, w, h};
        }
        RingView ring{pixels, w, h};
        CopyRingToSurface(picture, ring, 0, d, n - d);
        if (d > 0) CopyRingToSurface(picture, ring, n - d, 0, d);
        // Only what changed since the last present goes out; an unchanged frame shows nothing.
        DisplayState& s = D();
        const size_t count = static_cast<size_t>(picture.width) * picture.height;
        std::vector<platform::PresentRect> rects;
        if (s.shownWidth != picture.width || s.shownHeight != picture.height || s.shown.size() != count) {
            rects.push_back({0, 0, picture.width, picture.height});
        } else {
            for (const Rect& r : ChangedRects(s.shown.data(), picture.pixels, picture.width, picture.height))
                rects.push_back({r.left, r.top, r.right, r.bottom});
        }
        if (!rects.empty()) {
            s.shown.assign(picture.pixels, picture.pixels + count);
            s.shownWidth = picture.width;
            s.shownHeight = picture.height;
            platform::PresentFrameRects(picture.pixels, picture.width, picture.height, 0, rects);
        }
    }
    RestoreWindowCursor();
}

void ForgetPresentedFrame() {
    D().shown.clear();
    D().shownWidth = D().shownHeight = 0;
}

void ResetDisplayForTests() {
    D() = DisplayState{};
}
