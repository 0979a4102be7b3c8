// The real backend: an SDL2 window, keyboard and mouse translated into window messages with
// virtual-key codes, and RGB555 frames shown through the window's own surface, only the
// rectangles that changed (no renderer, so no GL driver is loaded).
#include "platform/backend.h"

#include <SDL.h>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace platform::detail {
namespace {

int VirtualKeyFor(const SDL_Keysym& key) {
    SDL_Keycode k = key.sym;
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return VK_F1 + 12 + (k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (k - SDLK_KP_1);
    switch (k) {
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_END:
        return VK_END;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_PAUSE:
        return VK_PAUSE;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
        return VK_SCROLL;
    case SDLK_KP_0:
        return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
        return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
        return VK_DIVIDE;
    case SDLK_SEMICOLON:
        return VK_OEM_1;
    case SDLK_EQUALS:
        return VK_OEM_PLUS;
    case SDLK_COMMA:
        return VK_OEM_COMMA;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_PERIOD:
        return VK_OEM_PERIOD;
    case SDLK_SLASH:
        return VK_OEM_2;
    case SDLK_BACKQUOTE:
        return VK_OEM_3;
    case SDLK_LEFTBRACKET:
        return VK_OEM_4;
    case SDLK_BACKSLASH:
        return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
        return VK_OEM_6;
    case SDLK_QUOTE:
        return VK_OEM_7;
    default:
        return 0;
    }
}

uintptr_t MouseFlags(uint32_t buttons, SDL_Keymod mods) {
    uintptr_t f = 0;
    if (buttons & SDL_BUTTON_LMASK) f |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) f |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) f |= MK_MBUTTON;
    if (mods & KMOD_SHIFT) f |= MK_SHIFT;
    if (mods & KMOD_CTRL) f |= MK_CONTROL;
    return f;
}

// UTF-8 text of one input event to UTF-16 units.
void AppendUtf16(const char* s, std::vector<char16_t>& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (!ok) continue;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
}

// One 5-5-5 pixel into a surface pixel: each channel widened to 8 bits (the top bits repeated
// below), then put in the surface's format; 32-bit xRGB, the usual X11 surface, directly.
inline void WidenInto(SDL_Surface* surface, uint8_t* row, int x, uint16_t p) {
    const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
    const uint32_t r8 = r << 3 | r >> 2, g8 = g << 3 | g >> 2, b8 = b << 3 | b >> 2;
    const SDL_PixelFormat* f = surface->format;
    if (f->format == SDL_PIXELFORMAT_RGB888 || f->format == SDL_PIXELFORMAT_ARGB8888) {
        reinterpret_cast<uint32_t*>(row)[x] = 0xFF000000u | r8 << 16 | g8 << 8 | b8;
        return;
    }
    const uint32_t mapped =
        SDL_MapRGB(f, static_cast<Uint8>(r8), static_cast<Uint8>(g8), static_cast<Uint8>(b8));
    std::memcpy(row + x * f->BytesPerPixel, &mapped, f->BytesPerPixel);
}

// SDL's event wait cannot see sockets: while the main thread waits, this thread polls the watched
// sockets and the wake descriptor and, when one is ready, wakes the event wait with a user event.
// Between waits it sleeps on its condition, so it costs nothing while the main thread works.
class SocketWatcher {
  public:
    ~SocketWatcher() { Stop(); }

    void Arm(const std::vector<WatchedSocket>& sockets, int wake, Uint32 eventType) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (control_ < 0) control_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        fds_.assign(1, pollfd{control_, POLLIN, 0});
        fds_.push_back(pollfd{wake, POLLIN, 0});
        for (const WatchedSocket& w : sockets)
            fds_.push_back(pollfd{w.socket, static_cast<short>(POLLIN | (w.wantWrite ? POLLOUT : 0)), 0});
        eventType_ = eventType;
        outcome_ = WaitOutcome::Timeout;
        armed_ = true;
        ++generation_;
        ready_.notify_one();
    }

    // Ends the watch; what it saw, Timeout for nothing.
    WaitOutcome Disarm() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (armed_) {
            armed_ = false;
            Kick();
        }
        return outcome_;
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
            Kick();
            ready_.notify_one();
        }
        if (thread_.joinable()) thread_.join();
        if (control_ >= 0) close(control_);
        control_ = -1;
    }

  private:
    void Kick() {
        const uint64_t one = 1;
        if (control_ >= 0) [[maybe_unused]]
            auto n = write(control_, &one, sizeof one);
    }

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return armed_ || stop_; });
            if (stop_) return;
            std::vector<pollfd> fds = fds_;
            const uint64_t generation = generation_;
            lock.unlock();
            const int n = poll(fds.data(), fds.size(), -1);
            uint64_t count = 0;
            if (fds[0].revents) [[maybe_unused]]
                auto r = read(control_, &count, sizeof count);
            lock.lock();
            if (n <= 0 || fds[0].revents || !armed_ || generation != generation_) continue;
            bool socketReady = false;
            for (size_t i = 2; i < fds.size(); ++i)
                socketReady = socketReady || fds[i].revents != 0;
            outcome_ = socketReady ? WaitOutcome::Socket : WaitOutcome::Wake;
            armed_ = false;
            SDL_Event e{};
            e.type = eventType_;
            SDL_PushEvent(&e);
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::thread thread_;
    std::vector<pollfd> fds_;
    int control_ = -1;
    Uint32 eventType_ = 0;
    WaitOutcome outcome_ = WaitOutcome::Timeout;
    bool armed_ = false;
    bool stop_ = false;
    uint64_t generation_ = 0;
};

class SdlBackend final : public Backend {
  public:
    ~SdlBackend() override {
        watcher_.Stop();
        DestroyWindow();
        if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    bool CreateWindow(const WindowDesc& desc) override {
        if (!StartVideo()) return false;
        Uint32 flags = SDL_WINDOW_RESIZABLE | (desc.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
        window_ = SDL_CreateWindow(desc.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                   desc.clientWidth, desc.clientHeight, flags);
        if (!window_) {
            std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
            return false;
        }
        // Frames go to the window's own surface: no renderer, no texture, no GL driver.
        repaintAll_ = true;
        lastSurface_ = nullptr;
        SDL_StartTextInput();
        return true;
    }

    void DestroyWindow() override {
        if (window_) SDL_DestroyWindow(window_);
        window_ = nullptr;
        lastSurface_ = nullptr;
        closeQueued_ = false;
    }

    bool HasWindow() const override { return window_ != nullptr; }

    void Pump(std::vector<Message>& out) override {
        if (!videoUp_) return;
        closeQueued_ = false; // one close per pump: SDL reports a window close twice
        SDL_Event e;
        while (SDL_PollEvent(&e))
            Translate(e, out);
    }

    bool Wait(uint32_t ms) override {
        if (!videoUp_) {
            SleepMillis(ms);
            return false;
        }
        return SDL_WaitEventTimeout(nullptr, static_cast<int>(ms)) == 1;
    }

    WaitOutcome WaitForWork(uint32_t ms, const std::vector<WatchedSocket>& sockets, int wake) override {
        const int timeout = ms > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(ms);
        if (!videoUp_ || wakeEvent_ == 0) return PollSockets(sockets, wake, timeout);
        watcher_.Arm(sockets, wake, wakeEvent_);
        const bool native = SDL_WaitEventTimeout(nullptr, timeout) == 1;
        const WaitOutcome seen = watcher_.Disarm();
        SDL_FlushEvent(wakeEvent_);
        if (seen != WaitOutcome::Timeout) return seen;
        return native && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) ? WaitOutcome::Native
                                                                      : WaitOutcome::Timeout;
    }

    void SetTitle(std::string_view t) override {
        if (window_) SDL_SetWindowTitle(window_, std::string(t).c_str());
    }
    void SetClientSize(int w, int h) override {
        if (window_) SDL_SetWindowSize(window_, w, h);
    }
    void GetClientSize(int& w, int& h) override {
        w = h = 0;
        if (window_) SDL_GetWindowSize(window_, &w, &h);
    }
    void SetPosition(int x, int y) override {
        if (window_) SDL_SetWindowPosition(window_, x, y);
    }
    void GetPosition(int& x, int& y) override {
        x = y = 0;
        if (window_) SDL_GetWindowPosition(window_, &x, &y);
    }
    FrameMetrics Frame() override {
        int top = 0, left = 0, bottom = 0, right = 0;
        if (window_ && SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) == 0)
            return FrameMetrics{left, bottom, top > bottom ? top - bottom : top};
        return FrameMetrics{};
    }
    bool HasFocus() override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS); }
    bool IsMinimized() override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED); }
    void Maximize() override {
        if (window_) SDL_MaximizeWindow(window_);
    }
    bool IsMaximized() override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED); }
    void ShowCursor(bool show) override {
        if (videoUp_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }
    void SetCapture(bool on) override {
        if (videoUp_) SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE);
    }
    void GetCursor(int& x, int& y) override {
        x = y = 0;
        if (videoUp_) SDL_GetMouseState(&x, &y);
    }
    uintptr_t CreateColorCursor(const uint16_t* pixels, int w, int h, int hotX, int hotY) override {
        if (!videoUp_) return 0;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return 0;
        SDL_LockSurface(surface);
        for (int y = 0; y < h; ++y) {
            auto* row =
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
            for (int x = 0; x < w; ++x) {
                const uint32_t p = pixels[static_cast<size_t>(y) * w + x];
                const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
                const uint32_t r8 = r << 3 | r >> 2, g8 = g << 3 | g >> 2, b8 = b << 3 | b >> 2;
                row[x] = p == 0 ? 0 : 0xFF000000u | r8 << 16 | g8 << 8 | b8;
            }
        }
        SDL_UnlockSurface(surface);
        SDL_Cursor* cursor =
            SDL_CreateColorCursor(surface, std::clamp(hotX, 0, w - 1), std::clamp(hotY, 0, h - 1));
        SDL_FreeSurface(surface);
        return reinterpret_cast<uintptr_t>(cursor);
    }
    void SetColorCursor(uintptr_t cursor) override {
        if (!videoUp_) return;
        SDL_SetCursor(cursor ? reinterpret_cast<SDL_Cursor*>(cursor) : SDL_GetDefaultCursor());
    }
    void DestroyColorCursor(uintptr_t cursor) override {
        if (cursor) SDL_FreeCursor(reinterpret_cast<SDL_Cursor*>(cursor));
    }

    void Present(const uint16_t* ring, int w, int h, int start,
                 const std::vector<PresentRect>& rects) override {
        if (!window_) return;
        SDL_Surface* surface = SDL_GetWindowSurface(window_); // follows the window's size
        if (!surface) {
            std::fprintf(stderr, "SDL_GetWindowSurface: %s\n", SDL_GetError());
            return;
        }
        // After an expose, a resize or a new surface the window shows nothing of ours: all of it.
        std::vector<PresentRect> all;
        const std::vector<PresentRect>* list = &rects;
        if (repaintAll_ || surface != lastSurface_) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0)); // beyond the frame
            all.push_back(PresentRect{0, 0, std::max(w, surface->w), std::max(h, surface->h)});
            list = &all;
        }
        std::vector<SDL_Rect> update;
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
        const int64_t total = static_cast<int64_t>(w) * h;
        for (const PresentRect& r : *list) {
            const int right = std::min(r.right, surface->w), bottom = std::min(r.bottom, surface->h);
            if (r.left >= right || r.top >= bottom) continue;
            update.push_back(SDL_Rect{r.left, r.top, right - r.left, bottom - r.top});
            for (int y = r.top; y < std::min(bottom, h); ++y) {
                int64_t at = (start + static_cast<int64_t>(y) * w + r.left) % total;
                if (at < 0) at += total;
                uint8_t* row =
                    static_cast<uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch;
                for (int x = r.left; x < std::min(right, w); ++x) {
                    WidenInto(surface, row, x, ring[at]);
                    if (++at == total) at = 0;
                }
            }
        }
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        if (!update.empty() &&
            SDL_UpdateWindowSurfaceRects(window_, update.data(), static_cast<int>(update.size())) != 0)
            std::fprintf(stderr, "SDL_UpdateWindowSurfaceRects: %s\n", SDL_GetError());
        repaintAll_ = false;
        lastSurface_ = surface;
    }

    bool ReadShown(std::vector<uint32_t>& rgb, int& width, int& height) override {
        SDL_Surface* surface = window_ ? SDL_GetWindowSurface(window_) : nullptr;
        if (!surface) return false;
        width = surface->w;
        height = surface->h;
        rgb.assign(static_cast<size_t>(width) * height, 0);
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
        const int bpp = surface->format->BytesPerPixel;
        for (int y = 0; y < height; ++y) {
            const uint8_t* row =
                static_cast<const uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch;
            for (int x = 0; x < width; ++x) {
                uint32_t p = 0;
                std::memcpy(&p, row + x * bpp, static_cast<size_t>(bpp));
                Uint8 r = 0, g = 0, b = 0;
                SDL_GetRGB(p, surface->format, &r, &g, &b);
                rgb[static_cast<size_t>(y) * width + x] = static_cast<uint32_t>(r) << 16 | g << 8 | b;
            }
        }
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        return true;
    }

    bool SetFullScreen(bool on, int w, int h) override {
        if (!window_) return false;
        if (!on) return SDL_SetWindowFullscreen(window_, 0) == 0;
        SDL_DisplayMode want{SDL_PIXELFORMAT_UNKNOWN, w, h, 0, nullptr}, got{};
        int display = SDL_GetWindowDisplayIndex(window_);
        if (!SDL_GetClosestDisplayMode(display < 0 ? 0 : display, &want, &got) || got.w != w || got.h != h)
            return false;
        if (SDL_SetWindowDisplayMode(window_, &got) != 0) return false;
        return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0;
    }
    bool IsFullScreen() override { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN); }

    DesktopInfo Desktop() override {
        SDL_DisplayMode mode{};
        if (!StartVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return DesktopInfo{640, 480, 32};
        int bpp = static_cast<int>(SDL_BITSPERPIXEL(mode.format));
        return DesktopInfo{mode.w, mode.h, bpp == 24 && SDL_BYTESPERPIXEL(mode.format) == 4 ? 32 : bpp};
    }

    std::optional<std::string> Clipboard() override {
        if (!videoUp_ || !SDL_HasClipboardText()) return std::nullopt;
        char* text = SDL_GetClipboardText();
        if (!text) return std::nullopt;
        std::string out(text);
        SDL_free(text);
        return out;
    }

    void MessageBox(std::string_view text, std::string_view caption, BoxIcon icon) override {
        std::fprintf(stderr, "[message box] %.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
        Uint32 flags = icon == BoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                       : icon == BoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                  : SDL_MESSAGEBOX_INFORMATION;
        SDL_ShowSimpleMessageBox(flags, std::string(caption).c_str(), std::string(text).c_str(), window_);
    }

  private:
    bool StartVideo() {
        if (videoUp_) return true;
        // The window surface stays in memory (X shared memory): without this SDL probes an OpenGL
        // context to choose a texture-backed surface, which loads the GL driver.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
            return false;
        }
        videoUp_ = true;
        const Uint32 first = SDL_RegisterEvents(1);
        wakeEvent_ = first == static_cast<Uint32>(-1) ? 0 : first;
        return true;
    }

    void Translate(const SDL_Event& e, std::vector<Message>& out) {
        uint32_t now = TickCount();
        auto push = [&](uint32_t id, uintptr_t w, intptr_t l) { out.push_back(Message{id, w, l, now}); };
        switch (e.type) {
        case SDL_QUIT:
            if (!closeQueued_) push(WM_CLOSE, 0, 0);
            closeQueued_ = true;
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
            case SDL_WINDOWEVENT_CLOSE:
                if (!closeQueued_) push(WM_CLOSE, 0, 0);
                closeQueued_ = true;
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                repaintAll_ = true;
                push(WM_SIZE, 0, MakeLParam(e.window.data1, e.window.data2));
                break;
            case SDL_WINDOWEVENT_MINIMIZED:
                push(WM_SIZE, 1, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                push(WM_ACTIVATE, WA_ACTIVE, 0);
                push(WM_SETFOCUS, 0, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                push(WM_ACTIVATE, WA_INACTIVE, 0);
                push(WM_KILLFOCUS, 0, 0);
                break;
            case SDL_WINDOWEVENT_EXPOSED:
                repaintAll_ = true;
                push(WM_PAINT, 0, 0);
                break;
            default:
                break;
            }
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            int vk = VirtualKeyFor(e.key.keysym);
            if (vk == 0) break;
            bool down = e.type == SDL_KEYDOWN;
            bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
            intptr_t l = 1 | (static_cast<intptr_t>(e.key.keysym.scancode & 0xFF) << 16);
            if (e.key.repeat || !down) l |= KF_REPEAT_BIT;
            if (!down) l |= static_cast<intptr_t>(1u << 31);
            bool sys = alt || vk == VK_F1 + 9; // F10 is a system key
            uint32_t id = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
            push(id, static_cast<uintptr_t>(vk), l);
            if (!down) break;
            // Characters that text input does not deliver, as the keyboard layer would type them.
            uint32_t charId = alt ? WM_SYSCHAR : WM_CHAR;
            bool ctrl = (e.key.keysym.mod & KMOD_CTRL) != 0;
            if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE)
                push(charId, static_cast<uintptr_t>(vk == VK_RETURN ? 13 : vk), l);
            else if (ctrl && !alt && vk >= 'A' && vk <= 'Z')
                push(WM_CHAR, static_cast<uintptr_t>(vk - 'A' + 1), l);
            else if (alt && vk >= 'A' && vk <= 'Z')
                push(WM_SYSCHAR, static_cast<uintptr_t>(vk - 'A' + 'a'), l);
            break;
        }
        case SDL_TEXTINPUT: {
            if (SDL_GetModState() & (KMOD_CTRL | KMOD_ALT)) break;
            std::vector<char16_t> units;
            AppendUtf16(e.text.text, units);
            for (char16_t u : units)
                push(WM_CHAR, u, 1);
            break;
        }
        case SDL_MOUSEMOTION:
            push(WM_MOUSEMOVE, MouseFlags(e.motion.state, SDL_GetModState()),
                 MakeLParam(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            uint32_t id;
            if (e.button.button == SDL_BUTTON_LEFT)
                id = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            else if (e.button.button == SDL_BUTTON_RIGHT)
                id = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            else if (e.button.button == SDL_BUTTON_MIDDLE)
                id = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            else
                break;
            push(id, MouseFlags(SDL_GetMouseState(nullptr, nullptr), SDL_GetModState()),
                 MakeLParam(e.button.x, e.button.y));
            break;
        }
        case SDL_MOUSEWHEEL: {
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            uintptr_t w = (static_cast<uintptr_t>(static_cast<uint16_t>(e.wheel.y * 120)) << 16) |
                          MouseFlags(SDL_GetMouseState(nullptr, nullptr), SDL_GetModState());
            push(WM_MOUSEWHEEL, w, MakeLParam(x, y));
            break;
        }
        default:
            break;
        }
    }

    bool videoUp_ = false;
    Uint32 wakeEvent_ = 0; // the watcher's user event; 0 when none could be registered
    SocketWatcher watcher_;
    SDL_Window* window_ = nullptr;
    SDL_Surface* lastSurface_ = nullptr; // the window surface the last present drew into
    bool repaintAll_ = true;             // the window lost its picture (new, exposed, resized)
    bool closeQueued_ = false;
};

} // namespace

std::unique_ptr<Backend> MakeSdlBackend() {
    return std::make_unique<SdlBackend>();
}

} // namespace platform::detail
