#pragma once
// The targeting state the gump layer needs until the application object owns it: whether a target
// cursor is up, the request's kind (1 harmful, 2 beneficial), the callback the next target click
// calls, and the server-target flag. Beginning shows the target cursor, ending the normal one.
#include <cstdint>
#include <functional>

namespace GumpTargeting {

constexpr int kTargetCursor = 19;
constexpr int kNormalCursor = 17;

// Called with the serial of the object picked (0 for none).
using TargetCallback = std::function<void(uint32_t serial)>;

bool IsTargeting();
// Sets the flag, the kind and the callback, and shows the target cursor.
void Begin(int kind, TargetCallback callback);
// Clears the flag and the callback and shows the normal cursor.
void End();
int RequestKind();
bool HasCallback();
// Runs the callback (kept for the call, so that it may end targeting itself).
void Deliver(uint32_t serial);
bool ServerTarget();
void SetServerTarget(bool on);

void ResetForTests();

} // namespace GumpTargeting
