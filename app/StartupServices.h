#pragma once
// What start-up, the main loop, the frame step and the main window call in subsystems that are
// built elsewhere and not yet built: each folder declares its own in <folder>/*StandIns.h, and this
// header gathers them with the built subsystems' headers the application calls.
#include "chat/ChatStandIns.h"
#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/VerData.h"
#include "frontend/FrontEndStandIns.h"
#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "media/MediaStandIns.h"
#include "media/MusicManager.h"
#include "net/CGameSock.h"
#include "net/CNetInfo.h"
#include "net/PacketManager.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "render/Light.h"
#include "render/RenderStandIns.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/LanguageTranslationServer.h"
#include "text/UnicodeFont.h"
#include "windows/WindowsStandIns.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/MultiManager.h"
#include "world/PathManager.h"
#include "world/PlayerWalk.h"
#include "world/PlayerObject.h"
#include "world/RegionManager.h"
#include "world/Terrain.h"
#include "world/WorldStandIns.h"
#include "world/animCrap.h"

#include <cstdint>
#include <string>

// ---------------------------------------------------------------- application object: connections, actions
namespace CApp {
void RequestWarMode(int mode); // 1 war, 0 peace, -1 toggle
void SendTextCommand(int type, const char* text);
bool IsTargeting();
bool IsWarRequested();
bool IsInWarMode();
} // namespace CApp
