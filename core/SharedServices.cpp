#include "core/SharedServices.h"

#include "core/ExitHandlers.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

const char* GetClientVersionString() {
    static char buffer[32];
    static bool done = false;
    if (!done) {
        std::snprintf(buffer, sizeof buffer, "%d.%d.%d%s", 3, 0, 6, "j");
        done = true;
    }
    return buffer;
}

void DoNothing() {}

bool IsGodClient() {
    return false;
}

void OutOfMemoryHandler() {
    if (platform::HasMainWindow() && platform::IsFullScreen()) platform::SetFullScreen(false, 0, 0);
    platform::ShowMessageBox(
        "There is not enough memory to continue execution.  If you do not have virtual memory "
        "enabled, this could be the problem. Otherwise, you may be low on disk space, or may "
        "need to increase the amount of space allocated for virtual memory.",
        "Out of memory");
    TerminateProcess(1);
}

void ShowErrorMessage(const char* text, const char* caption, const void* exitFlag) {
    platform::ShowMessageBox(text ? text : "", caption ? caption : "");
    if (exitFlag) TerminateProcess(1);
}

int GameCursorFor(int kind) {
    bool automatic = (kind >= 1 && kind <= 8) || (kind >= 31 && kind <= 38);
    return automatic ? 0 : 17;
}

namespace {
std::atomic<uint32_t> g_randomState{1};
}

void SeedRandom(uint32_t seed) {
    g_randomState.store(seed);
}

int RandomNext() {
    uint32_t s = g_randomState.load();
    uint32_t next;
    do {
        next = s * 214013u + 2531011u;
    } while (!g_randomState.compare_exchange_weak(s, next));
    return static_cast<int>((next >> 16) & 0x7FFF);
}

int RandomBelow(int n) {
    if (n <= 0) return 0;
    return RandomNext() % n;
}

void ClearRingArea(uint16_t* pixels, int width, int height, int ringOffset, int areaWidth, int areaHeight) {
    if (!pixels || width <= 0 || height <= 0) return;
    const int64_t total = static_cast<int64_t>(width) * height;
    areaWidth = std::clamp(areaWidth, 0, width);
    areaHeight = std::clamp(areaHeight, 0, height);
    int64_t pos = ringOffset % total;
    if (pos < 0) pos += total;
    for (int row = 0; row < areaHeight; ++row) {
        int64_t first = std::min<int64_t>(areaWidth, total - pos);
        std::memset(pixels + pos, 0, static_cast<size_t>(first) * sizeof(uint16_t));
        if (first < areaWidth)
            std::memset(pixels, 0, static_cast<size_t>(areaWidth - first) * sizeof(uint16_t));
        pos += width;
        if (pos >= total) pos -= total;
    }
}

namespace {
bool g_editServerInUse = false;
}

void OnEditServerPacket() {
    if (!g_editServerInUse) return;
    DoNothing(); // the version-recording step
}
