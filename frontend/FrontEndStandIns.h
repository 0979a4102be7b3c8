#pragma once
// The login front end: the functions of this folder that others call and that are not built yet. Their
// stand-ins live in frontend/stubs/; each goes away, with its declaration here, when its code arrives.
void IGRCreateSessionMutex();
namespace QVIGR {
bool ReadRegistry();
}
void LoadSkillNames();
