#include "gumps/Targeting.h"

#include "gumps/MouseManager.h"

#include <utility>

namespace GumpTargeting {
namespace {

struct State {
    bool targeting = false;
    bool serverTarget = false;
    int kind = 0;
    TargetCallback callback;
};

State& S() {
    static State state;
    return state;
}

} // namespace

bool IsTargeting() {
    return S().targeting;
}

void Begin(int kind, TargetCallback callback) {
    S().targeting = true;
    S().kind = kind;
    S().callback = std::move(callback);
    MouseManager::SetCursor(kTargetCursor);
}

void End() {
    S().targeting = false;
    S().kind = 0;
    S().callback = nullptr;
    MouseManager::SetCursor(kNormalCursor);
}

int RequestKind() {
    return S().kind;
}

bool HasCallback() {
    return static_cast<bool>(S().callback);
}

void Deliver(uint32_t serial) {
    TargetCallback callback = S().callback; // the callback may end targeting while it runs
    if (callback) callback(serial);
}

bool ServerTarget() {
    return S().serverTarget;
}

void SetServerTarget(bool on) {
    S().serverTarget = on;
}

void ResetForTests() {
    S() = State{};
}

} // namespace GumpTargeting
