#pragma once
// The application object: session state the start-up fills and the whole client reads.
#include <cstdint>
#include <string>

class CInputWindow;

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
// The folder of the client named by "ExePath", ending in its separator; "" before startup.
const std::string& GetClientFolder();
const std::string& GetName(); // the character name, "QV Player" at start
uint32_t GetPlayerSerial();
void SetPlayerSerial(uint32_t serial);
int GetFrameInterval(); // milliseconds between frame steps

// The text entry line, once start-up created it.
CInputWindow* GetInputWindow();
void SetInputWindow(CInputWindow* window);

// The installation keys: the main one, then the fallback.
extern const char* const kInstallKey;
extern const char* const kInstallKeyFallback;

void ResetForTests();

} // namespace CApp
