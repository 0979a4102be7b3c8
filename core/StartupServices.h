#pragma once
// What start-up, the main loop, the frame step and the main window call in subsystems that are
// built elsewhere. Each group names its owner; its stand-in lives in <subsystem>/stubs/ and goes
// away, together with the group, when the owner's code arrives.
#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/VerData.h"
#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "net/CGameSock.h"
#include "net/CNetInfo.h"
#include "net/PacketManager.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/LanguageTranslationServer.h"
#include "text/UnicodeFont.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/RegionManager.h"
#include "world/animCrap.h"

#include <cstdint>
#include <string>

class CGump;
class CObj;

// ---------------------------------------------------------------- application object: connections, actions
namespace CApp {
void LoadPlayerFile();
void RequestWarMode(int mode); // 1 war, 0 peace, -1 toggle
void SendTextCommand(int type, const char* text);
bool IsTargeting();
bool IsWarRequested();
bool IsInWarMode();
} // namespace CApp

// ---------------------------------------------------------------- network (net/)
// The connections, the network pass and the packet module: net/CGameSock.h, net/CNetInfo.h and
// net/PacketManager.h, included above.

// ---------------------------------------------------------------- world model (world/)
// The tile data and object manager, regions, animated tiles and body types have their own headers
// (included above); what follows is still to come.
namespace MapManager {
void startup();
}
namespace PathManager {
void startup();
void shutdown();
} // namespace PathManager
namespace MradeRunager {
void startup();
}
namespace WeatherManager {
void startup();
void shutdown();
void Update();
} // namespace WeatherManager
void UpdatePlayerWalk();
void WalkByKey(int direction, intptr_t keyData);
class CPlacementPreview {
  public:
    CPlacementPreview();
    ~CPlacementPreview();
};
// The player object (pPlayerObject): whether it exists, its serial, and its deletion at exit.
bool HasPlayerObject();
uint32_t GetPlayerObjectSerial();
void SetPlayerObjectSerial(uint32_t serial);
void DeletePlayerObject();
// The player's CMobile::UpdateStepZ: the step height again, which re-centres the view.
void UpdatePlayerStepZ();

// ---------------------------------------------------------------- text and localization (text/)
// text/FontManager.h, text/LanguageManager.h, text/LanguageTranslationServer.h, text/UnicodeFont.h.

// ---------------------------------------------------------------- graphics (render/)
// GraphicManager, HueManager, the display surfaces and the dirty rectangles have their own headers.
namespace DrawManager {
void ClearDrawTable();
void startup();
} // namespace DrawManager
namespace SkipDrawHandler {
void startup();
}
namespace thelightthingie {
void startup();
void shutdown();
} // namespace thelightthingie

// ---------------------------------------------------------------- gump framework (gumps/)
// Built: gumps/CGumpManager.h and gumps/MouseManager.h are included above for this header's users.

// ---------------------------------------------------------------- login front end (frontend/)
void IGRCreateSessionMutex();
namespace QVIGR {
bool ReadRegistry();
}
void LoadSkillNames();

// ---------------------------------------------------------------- in-game windows (windows/)
namespace TextManager {
void startup();
void FreeLines();
void CloseJournalFile();
} // namespace TextManager
class CInputWindow {
  public:
    CInputWindow();
    ~CInputWindow();
    int OnChar(int keyCode, intptr_t keyData);
    void OnKey(int code);
    void SendPromptReply(int kind, const char* text);
    bool HasPendingPrompt() const;
};
void LoadMacros();
void FreeMacros();
void StartMacro(int macroNumber);
// The index of the first macro key binding with this key and modifiers, or -1.
int FindMacroKeyBinding(int virtualKey, bool control, bool alt, bool shift);
void UpdateMacroPlayer();
void StepAlongPath();
void FocusMainWindow();
void QuitGame(CGump* gump);
void RequestHelp();
void ShowSystemMessage(int hue, int font, const char* text);
namespace GameAreaEdgeGump {
void RebuildAll(); // the strips around the game area, after its size changed
}
// Popup help decides again whether it is used, and its window state starts anew.
void ClearPopupHelpState();

// ---------------------------------------------------------------- chat, messenger, help (chat/)
class CGMSSock {
  public:
    CGMSSock();
    virtual ~CGMSSock();
};
namespace ContextHelpManager {
void startup();
}
// F1: raises the context help window, or builds the current help page and opens the window on it.
void ShowContextHelp();

// ---------------------------------------------------------------- music, movies (media/)
// Sound effects and music are built (media/SoundManager.h, media/MusicManager.h); core reaches them
// through AppServices, which their BindServices bind, and calls music's start-up and shutdown here.
namespace MusicManager {
void CMusicManager();
void shutdown();
void Update();
void EnableMusic(bool on);
bool IsEnabled();
void SetVolume(int volume); // 0..255
void PlayNextSong();
} // namespace MusicManager
struct MovieContext;
struct MovieSettings {
    bool asynchronous = false;
    bool fullScreen = false;
    int (*messagePump)() = nullptr;
    int left = 0; // top-left of the 640 x 480 picture in the window's client area
    int top = 0;
};
MovieContext* MoviePlay(const char* fileName, MovieSettings* settings);
using MovieMeasureFunction = void (*)(const char16_t* text, int* width, int* height, int* third);
using MovieDrawFunction = int (*)(const BlitTarget& target, const char16_t* text, int x, int y,
                                  uint16_t colour, const Rect& clip);
void MovieSetSubtitleMeasureFunction(MovieMeasureFunction function);
void MovieSetSubtitleDrawFunction(MovieDrawFunction function);
void MovieSetSubtitleSection(LanguageSection* section);
struct IntroMpegStream;
// 0 on success; the stream is then the caller's until ReleaseIntroMpeg.
int OpenIntroMpeg(const char* path, IntroMpegStream** stream);
void PlayIntroMpeg(IntroMpegStream* stream);
void ReleaseIntroMpeg(IntroMpegStream* stream);
