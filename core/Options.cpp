#include "core/Options.h"

bool FrameSkipping;
bool ShowIntroAnim;
bool ClientFirstLaunch;
bool AllowWindowResize;
bool UnicodeSpeech;
bool HoldTabForCombat;
bool FullScreen;
bool MouseThread;
bool ObscenityFilter;
bool Footsteps;
bool RuntimeDebugMsg;
int SpamLimit;
std::string GamePlayWindowSize;
std::string AcctID;
std::string AcctLastName;

void ResetStartupOptions() {
    FrameSkipping = false;
    ShowIntroAnim = false;
    ClientFirstLaunch = true; // no "qv.cfg" has said otherwise yet
    AllowWindowResize = true;
    UnicodeSpeech = false;
    HoldTabForCombat = true;
    FullScreen = false;
    MouseThread = true;
    ObscenityFilter = true;
    Footsteps = true;
    RuntimeDebugMsg = false;
    SpamLimit = 30;
    GamePlayWindowSize = "640x480";
    AcctID.clear();
    AcctLastName.clear();
}

namespace {
// The defaults are in place before anything reads them.
const bool g_defaultsSet = (ResetStartupOptions(), true);
} // namespace
