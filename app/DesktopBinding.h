#pragma once
// Binds the desktop file to the world, the connection state, the per-character file names and the
// main window's placement.
void BindDesktop();
// The desktop part of entering the game display: the login-era windows go, the saved ones return.
void RestoreDesktopOnEntry();
