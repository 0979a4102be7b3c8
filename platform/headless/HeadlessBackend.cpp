// The in-memory backend: no window system at all. Tests push input, read back presented frames
// and recorded message boxes, and set what the desktop reports.
#include "platform/backend.h"
#include "platform/headless.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace detail {
namespace {

class HeadlessBackend final : public Backend {
  public:
    bool window = false;
    std::string title;
    int clientW = 0, clientH = 0, posX = 0, posY = 0;
    bool focused = true;
    bool cursorShown = true;
    bool capture = false;
    int cursorX = 0, cursorY = 0;
    bool fullScreen = false;
    bool fullScreenAllowed = true;
    bool maximised = false;
    DesktopInfo desktop{1024, 768, 32};
    std::optional<std::string> clipboard;
    headless::Frame frame;
    int frames = 0;
    std::vector<PresentRect> presentedRects;
    std::vector<headless::RecordedBox> boxes;
    std::vector<headless::RecordedCursor> cursors;
    uintptr_t currentCursor = 0;
    uintptr_t nextCursor = 1;
    bool refuseCursors = false;

    bool CreateWindow(const WindowDesc& desc) override {
        window = true;
        title = desc.title;
        clientW = desc.clientWidth;
        clientH = desc.clientHeight;
        return true;
    }
    void DestroyWindow() override {
        window = false;
        fullScreen = false;
        maximised = false;
    }
    bool HasWindow() const override { return window; }
    void Pump(std::vector<Message>&) override {} // input enters the queue as it is pushed
    bool Wait(uint32_t ms) override {
        // Nothing arrives from outside; a test thread may push meanwhile.
        SleepMillis(ms > 1 ? 1 : ms);
        return false;
    }
    WaitOutcome WaitForWork(uint32_t ms, const std::vector<WatchedSocket>& sockets, int wake) override {
        // Under the manual clock the time passes at once: whatever is ready now ends the wait,
        // otherwise the clock moves to its end.
        if (IsManualClock()) {
            const WaitOutcome now = PollSockets(sockets, wake, 0);
            if (now != WaitOutcome::Timeout) return now;
            AdvanceManualClock(ms);
            return WaitOutcome::Timeout;
        }
        return PollSockets(sockets, wake, ms > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(ms));
    }
    void SetTitle(std::string_view t) override { title = std::string(t); }
    void SetClientSize(int w, int h) override {
        clientW = w;
        clientH = h;
    }
    void GetClientSize(int& w, int& h) override {
        w = clientW;
        h = clientH;
    }
    void SetPosition(int x, int y) override {
        posX = x;
        posY = y;
    }
    void GetPosition(int& x, int& y) override {
        x = posX;
        y = posY;
    }
    FrameMetrics Frame() override { return FrameMetrics{4, 4, 23}; }
    bool HasFocus() override { return window && focused; }
    bool IsMinimized() override { return false; }
    void Maximize() override { maximised = window; }
    bool IsMaximized() override { return maximised; }
    void ShowCursor(bool show) override { cursorShown = show; }
    void SetCapture(bool on) override { capture = on; }
    void GetCursor(int& x, int& y) override {
        x = cursorX;
        y = cursorY;
    }
    uintptr_t CreateColorCursor(const uint16_t* pixels, int w, int h, int hotX, int hotY) override {
        if (refuseCursors) return 0;
        headless::RecordedCursor c{
            nextCursor++, w,    h,
            hotX,         hotY, std::vector<uint16_t>(pixels, pixels + static_cast<size_t>(w) * h)};
        cursors.push_back(std::move(c));
        return cursors.back().id;
    }
    void SetColorCursor(uintptr_t cursor) override { currentCursor = cursor; }
    void DestroyColorCursor(uintptr_t cursor) override {
        std::erase_if(cursors, [cursor](const headless::RecordedCursor& c) { return c.id == cursor; });
        if (currentCursor == cursor) currentCursor = 0;
    }
    void Present(const uint16_t* ring, int w, int h, int start,
                 const std::vector<PresentRect>& rects) override {
        // Like a window: what lies outside the rectangles keeps what was shown before.
        if (frame.width != w || frame.height != h) {
            frame.width = w;
            frame.height = h;
            frame.pixels.assign(static_cast<size_t>(w) * h, 0);
        }
        std::vector<uint16_t> drawn(static_cast<size_t>(w) * h);
        UnrollRing(ring, w, h, start, drawn.data(), w);
        for (const PresentRect& r : rects)
            for (int y = r.top; y < r.bottom; ++y)
                std::copy(drawn.begin() + y * w + r.left, drawn.begin() + y * w + r.right,
                          frame.pixels.begin() + y * w + r.left);
        presentedRects = rects;
        ++frames;
    }
    bool ReadShown(std::vector<uint32_t>& rgb, int& width, int& height) override {
        if (!window) return false;
        width = frame.width;
        height = frame.height;
        rgb.resize(frame.pixels.size());
        for (size_t i = 0; i < frame.pixels.size(); ++i) {
            const uint32_t p = frame.pixels[i], r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
            rgb[i] = (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
        }
        return true;
    }
    bool SetFullScreen(bool on, int, int) override {
        if (on && !fullScreenAllowed) return false;
        fullScreen = on;
        return true;
    }
    bool IsFullScreen() override { return fullScreen; }
    DesktopInfo Desktop() override { return desktop; }
    std::optional<std::string> Clipboard() override { return clipboard; }
    void MessageBox(std::string_view text, std::string_view caption, BoxIcon icon) override {
        boxes.push_back(headless::RecordedBox{std::string(text), std::string(caption), icon});
        std::fprintf(stderr, "[message box] %.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
};

HeadlessBackend& State() {
    static HeadlessBackend backend;
    return backend;
}

} // namespace

Backend& HeadlessBackendObject() {
    return State();
}
std::unique_ptr<Backend> MakeHeadlessBackend() {
    return std::make_unique<HeadlessBackend>();
}

} // namespace detail

namespace headless {
using detail::State;

void PushInput(const Message& msg) {
    Message m = msg;
    if (m.time == 0) m.time = TickCount();
    if (m.id == WM_MOUSEMOVE || (m.id >= WM_LBUTTONDOWN && m.id <= WM_MBUTTONUP)) {
        State().cursorX = LowWordSigned(m.lParam);
        State().cursorY = HighWordSigned(m.lParam);
    }
    detail::QueueMessage(m);
}

void PushKey(int virtualKey, bool down, bool repeat) {
    intptr_t lParam = 1;
    if (repeat) lParam |= KF_REPEAT_BIT;
    if (!down) lParam |= KF_REPEAT_BIT | static_cast<intptr_t>(1u << 31);
    bool alt = IsKeyDown(VK_MENU) || virtualKey == VK_MENU;
    uint32_t id = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    PushInput(Message{id, static_cast<uintptr_t>(virtualKey), lParam, 0});
}

void PushChar(char16_t unit) {
    PushInput(Message{WM_CHAR, unit, 1, 0});
}

void PushMouse(uint32_t id, int x, int y, uintptr_t buttons) {
    PushInput(Message{id, buttons, MakeLParam(x, y), 0});
}

void PushClose() {
    PushInput(Message{WM_CLOSE, 0, 0, 0});
}

int PresentedFrameCount() {
    return State().frames;
}
const Frame& LastFrame() {
    return State().frame;
}
const std::vector<PresentRect>& LastPresentedRects() {
    return State().presentedRects;
}
const std::vector<RecordedBox>& MessageBoxes() {
    return State().boxes;
}
void ClearMessageBoxes() {
    State().boxes.clear();
}
void SetDesktop(int width, int height, int bitsPerPixel) {
    State().desktop = DesktopInfo{width, height, bitsPerPixel};
}
void SetClipboardText(std::string utf8) {
    State().clipboard = std::move(utf8);
}
void SetFocus(bool focused) {
    State().focused = focused;
}
uintptr_t CurrentCursor() {
    return State().currentCursor;
}
const RecordedCursor* FindCursor(uintptr_t id) {
    for (const RecordedCursor& c : State().cursors)
        if (c.id == id) return &c;
    return nullptr;
}
void RefuseColorCursors(bool refuse) {
    State().refuseCursors = refuse;
}
void SetCursorPosition(int x, int y) {
    State().cursorX = x;
    State().cursorY = y;
}
void SetFullScreenAllowed(bool allowed) {
    State().fullScreenAllowed = allowed;
}

void Reset() {
    auto& s = State();
    s.window = false;
    s.title.clear();
    s.clientW = s.clientH = s.posX = s.posY = 0;
    s.focused = true;
    s.cursorShown = true;
    s.capture = false;
    s.cursorX = s.cursorY = 0;
    s.fullScreen = false;
    s.fullScreenAllowed = true;
    s.maximised = false;
    s.desktop = DesktopInfo{1024, 768, 32};
    s.clipboard.reset();
    s.frame = Frame{};
    s.frames = 0;
    s.presentedRects.clear();
    s.boxes.clear();
    s.cursors.clear();
    s.currentCursor = 0;
    s.nextCursor = 1;
    s.refuseCursors = false;
    detail::ResetHeadlessAudio();
    detail::ResetWindowLayer();
}

} // namespace headless
} // namespace platform
