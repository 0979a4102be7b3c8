#pragma once
// Internal to platform/: what a window backend provides. Window.cpp keeps the message queue and
// the window procedure and calls the active backend for everything native.
#include "platform/Audio.h"
#include "platform/platform.h"

#include <memory>

namespace platform::detail {

struct WatchedSocket {
    int socket = -1;
    bool wantWrite = false;
};
enum class WaitOutcome { Timeout, Native, Socket, Wake };

class Backend {
  public:
    virtual ~Backend() = default;
    virtual bool CreateWindow(const WindowDesc& desc) = 0;
    virtual void DestroyWindow() = 0;
    virtual bool HasWindow() const = 0;
    // Appends translated native input to out.
    virtual void Pump(std::vector<Message>& out) = 0;
    // Waits for native input at most ms; true when some is ready.
    virtual bool Wait(uint32_t ms) = 0;
    // Sleeps at most ms; ends early on native input, a ready watched socket, or the wake
    // descriptor becoming readable (left for the caller to drain).
    virtual WaitOutcome WaitForWork(uint32_t ms, const std::vector<WatchedSocket>& sockets, int wake) = 0;
    virtual void SetTitle(std::string_view utf8) = 0;
    virtual void SetClientSize(int width, int height) = 0;
    virtual void GetClientSize(int& width, int& height) = 0;
    virtual void SetPosition(int x, int y) = 0;
    virtual void GetPosition(int& x, int& y) = 0;
    virtual FrameMetrics Frame() = 0;
    virtual bool HasFocus() = 0;
    virtual bool IsMinimized() = 0;
    virtual void Maximize() = 0;
    virtual bool IsMaximized() = 0;
    virtual void ShowCursor(bool show) = 0;
    virtual void SetCapture(bool on) = 0;
    virtual void GetCursor(int& x, int& y) = 0;
    virtual uintptr_t CreateColorCursor(const uint16_t*, int, int, int, int) { return 0; }
    virtual void SetColorCursor(uintptr_t) {}
    virtual void DestroyColorCursor(uintptr_t) {}
    // Shows the listed rectangles (cut to the frame, at least one) of the ring frame.
    virtual void Present(const uint16_t* ring, int width, int height, int start,
                         const std::vector<PresentRect>& rects) = 0;
    virtual bool ReadShown(std::vector<uint32_t>&, int&, int&) { return false; }
    virtual bool SetFullScreen(bool on, int width, int height) = 0;
    virtual bool IsFullScreen() = 0;
    virtual DesktopInfo Desktop() = 0;
    virtual std::optional<std::string> Clipboard() = 0;
    virtual void MessageBox(std::string_view text, std::string_view caption, BoxIcon icon) = 0;
};

Backend& ActiveBackendObject();
std::unique_ptr<Backend> MakeSdlBackend();
std::unique_ptr<Backend> MakeHeadlessBackend();
// The headless backend object, created on first use (tests reach it through headless.h).
Backend& HeadlessBackendObject();
void ResetWindowLayer();
// Puts a message at the end of the main window's queue (input arriving, in arrival order).
void QueueMessage(const Message& msg);

// The wait's registry (platform/Wait.cpp). WakeWaiter ends a wait under way (any thread).
void WakeWaiter();
int WakeDescriptor();
void DrainWake();
std::vector<WatchedSocket> WatchedSockets();
// The earliest of deadline and every registered deadline, judged from now (ticks wrap).
uint32_t EarliestDeadline(uint32_t deadline, uint32_t now);
void CountWait(bool slept);
// Polls the sockets and the wake descriptor at most timeoutMs (-1: without end).
WaitOutcome PollSockets(const std::vector<WatchedSocket>& sockets, int wake, int timeoutMs);

// Copies a ring of pixels into a linear frame of width x height with the given pitch (in pixels).
void UnrollRing(const uint16_t* ring, int width, int height, int start, uint16_t* out, int outPitch);

// Audio devices of the two backends (platform/Audio.h); null with the reason in *result.
std::unique_ptr<AudioDevice> OpenSdlAudio(AudioResult* result);
std::unique_ptr<AudioDevice> OpenHeadlessAudio(AudioResult* result);
void ResetHeadlessAudio();
// Called after every AdvanceManualClock, on the advancing thread (the headless audio device pulls
// the periods that became due).
using ManualClockListener = void (*)();
void SetManualClockListener(ManualClockListener listener);

} // namespace platform::detail
