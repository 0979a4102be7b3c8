#pragma once
// Binds the desktop file to the world, the connection state and the per-character file names.
void BindDesktop();
