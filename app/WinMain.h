#pragma once
// The program: start-up in its fixed order, the main loop, and the shutdown after WM_QUIT. Each
// manager's shutdown is registered as an exit handler right after its start-up, so the handlers
// (run by the caller of WinMain, or by TerminateProcess) undo the start-up in reverse order.
#include "core/ExitHandlers.h"

#include <cstdint>
#include <vector>

// One step of the start-up: what it runs and the exit handlers it registers afterwards.
struct StartupStep {
    int number;
    const char* name;
    void (*run)();
    ExitHandler handler = nullptr;
    const char* handlerName = nullptr;
    ExitHandler secondHandler = nullptr;
    const char* secondHandlerName = nullptr;
};
const std::vector<StartupStep>& StartupTable();

// Runs the start-up table. A refusal (second copy, running patcher, too few colours) or a failed
// window ends the process through TerminateProcess.
void RunStartup();
// One pass of the main loop: clock check, message drain, network pass, frame step. False once
// WM_QUIT was taken. With mayWait a pass that found nothing to do waits for work
// (platform::WaitForWork) until the frame step is due.
bool RunMainLoopPass(bool mayWait = true);
// The loop's own counters: passes made, and passes that ended in a wait. With QV_LOOP_STATS set,
// WinMain prints them (and the waits that slept) when the loop ends.
struct MainLoopCounts {
    uint64_t passes = 0;
    uint64_t waits = 0;
};
MainLoopCounts GetMainLoopCounts();
// The shutdown after WM_QUIT; returns the exit code (WM_QUIT's wParam).
int RunShutdown();
// Start-up, loop, shutdown. The caller runs the exit handlers afterwards.
int WinMain();

// The tick at which the current frame step began.
uint32_t GetStepStart();
void ResetWinMainForTests();
