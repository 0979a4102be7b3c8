#pragma once
// The player's death as the server tells it (0x2C) and the client's answer when the fade is over.
namespace CApp {
// Builds the death status message with this action and sends it on the world connection.
void SendDeathStatus(int action);
// Every top-level window closes except the party chat and the game view's own parts.
void CloseAllButPartyChat();
} // namespace CApp
