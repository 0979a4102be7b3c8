#pragma once
// The "controls" scene of gumplab: one window holding every control live, a button that opens a
// yes/no question and one that shows a modal message, a sign and a translucent picture.

namespace gumplab {

// Where the scripted session clicks (window coordinates).
struct ControlsLayout {
    static constexpr int kWindowX = 20, kWindowY = 20, kWindowW = 600, kWindowH = 300;
    static constexpr int kAskX = kWindowX + 20, kAskY = kWindowY + 80;   // text button: yes/no
    static constexpr int kNoteX = kWindowX + 70, kNoteY = kWindowY + 80; // text button: message
    static constexpr int kThumbX = kWindowX + 20, kThumbY = kWindowY + 130;
    static constexpr int kToggleX = kWindowX + 20, kToggleY = kWindowY + 170;
};

void BuildControlsScene();

} // namespace gumplab
