#include "platform/backend.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

namespace platform {
namespace detail {
namespace {

std::mutex g_backendMutex;
std::unique_ptr<Backend> g_sdl;
std::atomic<int> g_kind{-1}; // -1: not chosen yet

struct WindowLayer {
    std::mutex queueMutex; // PostMessage may come from other threads
    std::deque<Message> queue;
    WindowProc proc;
    bool keyDown[256] = {};
    bool destroying = false;
};

WindowLayer& Layer() {
    static WindowLayer layer;
    return layer;
}

void TrackKeys(const Message& msg) {
    auto& keys = Layer().keyDown;
    bool down = msg.id == WM_KEYDOWN || msg.id == WM_SYSKEYDOWN;
    bool up = msg.id == WM_KEYUP || msg.id == WM_SYSKEYUP;
    if ((down || up) && msg.wParam < 256) keys[msg.wParam] = down;
    if (msg.id == WM_ACTIVATE && msg.wParam == WA_INACTIVE)
        std::fill(std::begin(keys), std::end(keys), false);
}

} // namespace

Backend& ActiveBackendObject() {
    if (ActiveBackend() == BackendKind::Headless) return HeadlessBackendObject();
    std::lock_guard<std::mutex> lock(g_backendMutex);
    if (!g_sdl) g_sdl = MakeSdlBackend();
    return *g_sdl;
}

void ResetWindowLayer() {
    WindowLayer& l = Layer();
    {
        std::lock_guard<std::mutex> lock(l.queueMutex);
        l.queue.clear();
    }
    l.proc = nullptr;
    l.destroying = false;
    std::fill(std::begin(l.keyDown), std::end(l.keyDown), false);
}

void QueueMessage(const Message& msg) {
    WindowLayer& l = Layer();
    {
        std::lock_guard<std::mutex> lock(l.queueMutex);
        l.queue.push_back(msg);
    }
    WakeWaiter();
}

void UnrollRing(const uint16_t* ring, int width, int height, int start, uint16_t* out, int outPitch) {
    if (!ring || width <= 0 || height <= 0) return;
    const int64_t total = static_cast<int64_t>(width) * height;
    int64_t pos = start % total;
    if (pos < 0) pos += total;
    for (int y = 0; y < height; ++y) {
        uint16_t* row = out + static_cast<int64_t>(y) * outPitch;
        int64_t first = std::min<int64_t>(width, total - pos);
        std::memcpy(row, ring + pos, static_cast<size_t>(first) * 2);
        if (first < width) std::memcpy(row + first, ring, static_cast<size_t>(width - first) * 2);
        pos += width;
        if (pos >= total) pos -= total;
    }
}

} // namespace detail

using detail::ActiveBackendObject;
using detail::Layer;

BackendKind ActiveBackend() {
    int kind = detail::g_kind.load();
    if (kind < 0) {
        std::string want = GetEnv("QV_PLATFORM");
        kind = want == "headless" ? 1 : 0;
        detail::g_kind.store(kind);
    }
    return kind == 1 ? BackendKind::Headless : BackendKind::Sdl;
}

void UseBackend(BackendKind kind) {
    detail::g_kind.store(kind == BackendKind::Headless ? 1 : 0);
}

namespace {
std::string g_title;
}

bool CreateMainWindow(const WindowDesc& desc, WindowProc proc) {
    auto& backend = ActiveBackendObject();
    if (backend.HasWindow()) return false;
    if (!backend.CreateWindow(desc)) return false;
    Layer().proc = std::move(proc);
    g_title = desc.title;
    SendMessage(WM_CREATE);
    SendMessage(WM_SIZE, 0, MakeLParam(desc.clientWidth, desc.clientHeight));
    if (desc.visible) SendMessage(WM_ACTIVATE, WA_ACTIVE);
    return true;
}

bool HasMainWindow() {
    return ActiveBackendObject().HasWindow();
}

void DestroyMainWindow() {
    auto& l = Layer();
    if (l.destroying || !HasMainWindow()) return;
    l.destroying = true;
    SendMessage(WM_DESTROY);
    ActiveBackendObject().DestroyWindow();
    l.proc = nullptr;
    l.destroying = false;
}

namespace {
// Moves the backend's pending input into the queue.
void PumpNative() {
    std::vector<Message> native;
    ActiveBackendObject().Pump(native);
    for (auto& m : native)
        detail::QueueMessage(m);
}
} // namespace

bool PeekMessage(Message& out) {
    auto& l = Layer();
    PumpNative();
    std::lock_guard<std::mutex> lock(l.queueMutex);
    if (l.queue.empty()) return false;
    out = l.queue.front();
    l.queue.pop_front();
    detail::TrackKeys(out);
    return true;
}

bool WaitMessage(uint32_t timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(Layer().queueMutex);
        if (!Layer().queue.empty()) return true;
    }
    return ActiveBackendObject().Wait(timeoutMs);
}

void PostMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    auto& l = Layer();
    {
        std::lock_guard<std::mutex> lock(l.queueMutex);
        l.queue.push_back(Message{id, wParam, lParam, TickCount()});
    }
    detail::WakeWaiter();
}

WakeReason WaitForWork(uint32_t deadline) {
    bool slept = false;
    WakeReason reason = WakeReason::Deadline;
    for (;;) {
        detail::DrainWake(); // anything queued after this wakes the wait below
        PumpNative();
        {
            std::lock_guard<std::mutex> lock(Layer().queueMutex);
            if (!Layer().queue.empty()) {
                reason = WakeReason::Message;
                break;
            }
        }
        const uint32_t now = TickCount();
        const int32_t left = static_cast<int32_t>(detail::EarliestDeadline(deadline, now) - now);
        if (left <= 0) break;
        slept = true;
        const detail::WaitOutcome outcome = ActiveBackendObject().WaitForWork(
            static_cast<uint32_t>(left), detail::WatchedSockets(), detail::WakeDescriptor());
        if (outcome == detail::WaitOutcome::Socket) {
            reason = WakeReason::Socket;
            break;
        }
    }
    detail::CountWait(slept);
    return reason;
}

void PostQuitMessage(int exitCode) {
    PostMessage(WM_QUIT, static_cast<uintptr_t>(exitCode));
}

void PostCall(PostedCall call, uintptr_t arg) {
    if (call) PostMessage(WM_POSTED_CALL, reinterpret_cast<uintptr_t>(call), static_cast<intptr_t>(arg));
}

intptr_t SendMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    return DispatchMessage(Message{id, wParam, lParam, TickCount()});
}

intptr_t DispatchMessage(const Message& msg) {
    if (msg.id == WM_POSTED_CALL) {
        if (msg.wParam) reinterpret_cast<PostedCall>(msg.wParam)(static_cast<uintptr_t>(msg.lParam));
        return 0;
    }
    WindowProc proc = Layer().proc; // a copy: the procedure may destroy the window
    if (!proc) return DefWindowProc(msg);
    return proc(msg);
}

intptr_t DefWindowProc(const Message& msg) {
    if (msg.id == WM_CLOSE) DestroyMainWindow();
    return 0;
}

bool RemoveQueuedMessage(uint32_t id) {
    auto& l = Layer();
    PumpNative();
    std::lock_guard<std::mutex> lock(l.queueMutex);
    auto it = std::find_if(l.queue.begin(), l.queue.end(), [&](const Message& m) { return m.id == id; });
    if (it == l.queue.end()) return false;
    l.queue.erase(it);
    return true;
}

void SetWindowTitle(std::string_view utf8) {
    g_title = std::string(utf8);
    ActiveBackendObject().SetTitle(utf8);
}
std::string GetWindowTitle() {
    return g_title;
}
void SetClientSize(int width, int height) {
    ActiveBackendObject().SetClientSize(width, height);
}
void GetClientSize(int& width, int& height) {
    ActiveBackendObject().GetClientSize(width, height);
}
void SetWindowPosition(int x, int y) {
    ActiveBackendObject().SetPosition(x, y);
}
void GetWindowPosition(int& x, int& y) {
    ActiveBackendObject().GetPosition(x, y);
}
FrameMetrics GetFrameMetrics() {
    return ActiveBackendObject().Frame();
}
bool WindowHasFocus() {
    return ActiveBackendObject().HasFocus();
}
bool IsWindowMinimized() {
    return ActiveBackendObject().IsMinimized();
}

void MaximizeWindow() {
    ActiveBackendObject().Maximize();
}

bool IsWindowMaximized() {
    return ActiveBackendObject().IsMaximized();
}

namespace {
std::atomic<bool> g_cursorShown{true};
}
void ShowSystemCursor(bool show) {
    g_cursorShown = show;
    ActiveBackendObject().ShowCursor(show);
}
bool IsSystemCursorShown() {
    return g_cursorShown;
}
void SetMouseCapture(bool on) {
    ActiveBackendObject().SetCapture(on);
}
void GetCursorPosition(int& x, int& y) {
    ActiveBackendObject().GetCursor(x, y);
}
uintptr_t CreateColorCursor(const uint16_t* pixels, int width, int height, int hotX, int hotY) {
    if (!pixels || width <= 0 || height <= 0) return 0;
    return ActiveBackendObject().CreateColorCursor(pixels, width, height, hotX, hotY);
}
void SetColorCursor(uintptr_t cursor) {
    ActiveBackendObject().SetColorCursor(cursor);
}
void DestroyColorCursor(uintptr_t cursor) {
    if (cursor) ActiveBackendObject().DestroyColorCursor(cursor);
}
bool IsKeyDown(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return false;
    return Layer().keyDown[virtualKey];
}
uint32_t GetDoubleClickTime() {
    return 500;
}

bool SetFullScreen(bool on, int width, int height) {
    return ActiveBackendObject().SetFullScreen(on, width, height);
}
bool IsFullScreen() {
    return ActiveBackendObject().IsFullScreen();
}
DesktopInfo GetDesktopInfo() {
    return ActiveBackendObject().Desktop();
}
std::optional<std::string> GetClipboardText() {
    return ActiveBackendObject().Clipboard();
}

void PresentFrame(const uint16_t* ring, int width, int height, int start) {
    PresentFrameRects(ring, width, height, start, {PresentRect{0, 0, width, height}});
}

void PresentFrameRects(const uint16_t* ring, int width, int height, int start,
                       const std::vector<PresentRect>& rects) {
    if (!ring || width <= 0 || height <= 0) return;
    std::vector<PresentRect> cut;
    cut.reserve(rects.size());
    for (const PresentRect& r : rects) {
        PresentRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
                      std::min(r.bottom, height)};
        if (c.left < c.right && c.top < c.bottom) cut.push_back(c);
    }
    if (cut.empty()) return;
    ActiveBackendObject().Present(ring, width, height, start, cut);
}

bool ReadShownPixels(std::vector<uint32_t>& rgb, int& width, int& height) {
    return ActiveBackendObject().ReadShown(rgb, width, height);
}

void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon) {
    ActiveBackendObject().MessageBox(text, caption, icon);
}

} // namespace platform
