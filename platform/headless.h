#pragma once
// Test hooks of the headless backend: script input, read presented frames and message boxes,
// and set what the "desktop" reports.
#include "platform/Audio.h"
#include "platform/platform.h"

#include <optional>

#include <string>
#include <vector>

namespace platform::headless {

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels; // row-major, already unrolled from the ring
};

struct RecordedBox {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
};

// Puts input as if the user made it; it is taken by the next PeekMessage.
void PushInput(const Message& msg);
void PushKey(int virtualKey, bool down, bool repeat = false);
void PushChar(char16_t unit);
void PushMouse(uint32_t id, int x, int y, uintptr_t buttons = 0);
void PushClose(); // the user closes the window

// Presented frames.
int PresentedFrameCount();
// What the window shows: every present copies only its rectangles into it.
const Frame& LastFrame();
// The rectangles of the last present.
const std::vector<PresentRect>& LastPresentedRects();

// Message boxes shown so far (they are also printed to stderr).
const std::vector<RecordedBox>& MessageBoxes();
void ClearMessageBoxes();

// Colour cursors made by the client: the one shown now (0 for the system's arrow), each by id.
struct RecordedCursor {
    uintptr_t id = 0;
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint16_t> pixels;
};
uintptr_t CurrentCursor();
const RecordedCursor* FindCursor(uintptr_t id);
// A backend without colour cursors: CreateColorCursor answers 0.
void RefuseColorCursors(bool refuse);
// Moves the pointer without a message (as a motion the window has not reported yet).
void SetCursorPosition(int x, int y);

void SetDesktop(int width, int height, int bitsPerPixel);
void SetClipboardText(std::string utf8);
void SetFocus(bool focused);
void SetFullScreenAllowed(bool allowed);

// The virtual audio device: it pulls whole periods (10 ms at its rate unless set below) from the mixer as the
// manual clock advances, on the advancing thread, and records them (interleaved stereo). Under the real clock
// it pulls nothing.
std::vector<int16_t> RecordedAudio();
void ClearRecordedAudio();
// The rate of devices opened from now on (0: 44,100 Hz).
void SetAudioRate(int rate);
// The period of devices opened from now on, in ms (0: 10 ms). Long periods mix less often.
void SetAudioPeriod(int milliseconds);
// Makes a stage of the devices opened from now on fail with code (nullopt: nothing fails).
void FailAudioDevice(std::optional<AudioStage> stage, AudioResult code = dserr::GENERIC);
// Whether a virtual device is open now.
bool AudioDeviceOpen();

// Back to the initial state: no window, empty queues, default desktop (1024 x 768 x 32), audio at
// 44,100 Hz with nothing failing and nothing recorded.
void Reset();

} // namespace platform::headless
