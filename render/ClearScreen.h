#pragma once
// Zero the whole back buffer, or the screen-sized area of it as the ring shows it.
int ClearScreenBuffer();
void ClearViewBuffer();
