#pragma once
// The login front end: the functions of this folder that others call and that are not built yet. Their
// stand-ins live in frontend/stubs/; each goes away, with its declaration here, when its code arrives.
#include <string>

void IGRCreateSessionMutex();
namespace QVIGR {
bool ReadRegistry();
}

// The game-room mode, its registration address ("nourl") and the stop of its reports.
bool IsIGRMode();
std::string IGRGetUrl();
void IGRRequestStopAll();
void IGRStopAllAndWait();
// The credits roll.
void ShowCredits();
