#pragma once
// The "inputs" scene of gumplab: text fields of every mode in one window, drop-down fields that
// open a list box, a drop-down list and a choice list, an edit list, and barks stacked over a
// stand-in speaker with a system line and both input lines.

namespace gumplab {

// Where the scripted session clicks (window coordinates).
struct InputsLayout {
    static constexpr int kWindowX = 10, kWindowY = 10, kWindowW = 620, kWindowH = 300;
    static constexpr int kTextX = kWindowX + 20, kTextY = kWindowY + 30;       // 8-bit text field
    static constexpr int kWideX = kWindowX + 20, kWideY = kWindowY + 60;       // UTF-16 text field
    static constexpr int kDropX = kWindowX + 20, kDropY = kWindowY + 150;      // opens a list box
    static constexpr int kListX = kWindowX + 20, kListY = kWindowY + 150 + 22; // the list box's top
    static constexpr int kSpeakerX = 470, kSpeakerY = 380;                     // the stand-in speaker
    static constexpr unsigned kSpeaker = 0x77;
};

void BuildInputsScene();
// Click the text field, type, Tab to the UTF-16 field, type, choose from the list box.
void InputsScript(void (*frames)(int count));

} // namespace gumplab
