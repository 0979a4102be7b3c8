#pragma once
// The login screens take their entries of the login road's service table (the boxes, the main
// menu, the shard list, the character selection) and the slots of the gump layer they fill.
struct NetServices;

void BindFrontEndServices(NetServices& services);
// The gump layer's log-out slot and the shard list's hooks (when the first main menu is built).
void InstallFrontEndSlots();
