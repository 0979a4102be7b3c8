#pragma once
// Server-kept configuration files: while enabled, the configuration files live in
// "Desktop/common/" and are kept on the server.
class CGump;

namespace CServerConfigSync {
bool IsEnabled();
void CheckFiles(bool force);
CGump* GetGump(); // the gump object QuitGame receives
} // namespace CServerConfigSync
