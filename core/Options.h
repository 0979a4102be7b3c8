#pragma once
// The options start-up, the main loop and the main window read, named after their "qv.cfg" keys.
// They hold their defaults until the configuration reader fills them.
#include <string>

extern bool FrameSkipping;     // a late frame step first updates the world without drawing
extern bool ShowIntroAnim;     // play the intro at every start
extern bool ClientFirstLaunch; // play the intro once, then saved as "no"
extern bool AllowWindowResize; // the game area follows the window's size
extern bool UnicodeSpeech;
extern bool HoldTabForCombat; // war while Tab is held
extern bool FullScreen;
extern bool MouseThread; // the 25 ms software-cursor timer
extern bool ObscenityFilter;
extern bool Footsteps;
extern bool RuntimeDebugMsg;           // the verbose mode: extra system lines
extern int SpamLimit;                  // speech budget units per second
extern std::string GamePlayWindowSize; // "%dx%d"
extern std::string AcctID;
extern std::string AcctLastName;

// Back to the defaults.
void ResetStartupOptions();
