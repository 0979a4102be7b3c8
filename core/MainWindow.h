#pragma once
// The main window's display switch.
void SwitchToWindowed();
void SwitchToFullScreen();
