#pragma once
// The application object: session state the start-up fills and the whole client reads.
#include "core/ShardRecord.h"
#include "core/config.h"
#include "net/AppLink.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class CInputWindow;

namespace CApp {
// The world's sound, music and message entries (bound at start).
void BindWorldHooks();
} // namespace CApp

namespace CApp {

// Runs once: paths from the installation key, "bodyconv.def", "qv.cfg" and the login server
// file, character data, the speech budget and the map probe. Without an installation key or
// "ExePath" it shows a box and returns with the application not started.
void startup();
// Exit handler: frees what startup loaded, when it got that far.
void shutdown();
bool IsStarted();

// Bit u is set when "map<u>.mul" exists in the client folder; bit 1 follows bit 0.
uint32_t GetMapMask();
// The shard chosen in the shard list; empty until then.
const std::string& GetShardName();
void SetShardName(std::string_view name);
uint32_t GetPlayerSerial();
int GetFrameInterval(); // milliseconds between frame steps

// The text entry line, once start-up created it.
CInputWindow* GetInputWindow();
void SetInputWindow(CInputWindow* window);

// The installation keys: the main one, then the fallback.
extern const char* const kInstallKey;
extern const char* const kInstallKeyFallback;

void ResetForTests();

} // namespace CApp
