#pragma once
// The process's exit handlers: start-up registers each manager's shutdown right after starting it,
// and they run last-in-first-out when WinMain returns or when a fatal path ends the process.
#include <functional>
#include <string>
#include <vector>

using ExitHandler = void (*)();

// Adds a handler; the name is for reports and tests.
void RegisterExitHandler(ExitHandler handler, const char* name);
// Runs every registered handler, newest first, and empties the list. Every handler runs at most
// once, even when one of them ends the process from inside.
void RunExitHandlers();
// The names of the registered handlers, oldest first.
std::vector<std::string> RegisteredExitHandlerNames();
void ClearExitHandlers();

// The one way the process ends: runs the exit handlers still registered, then the exit function.
[[noreturn]] void TerminateProcess(int code);

// Tests replace the exit function (for example with one that throws). It must not return; if it
// does, the process aborts. An empty function restores the real exit.
void SetExitFunction(std::function<void(int)> exitFunction);
