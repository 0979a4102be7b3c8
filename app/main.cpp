// The client's entry point: hands over to WinMain and runs the exit handlers when it returns.
//
// --exit-after-first-frame (for scripts/bench-startup.sh): closes the window as soon as the first
// frame was presented and prints the milliseconds from process start to that frame on stderr.
// It needs the headless backend, whose presented frames can be counted.
#include "app/WinMain.h"
#include "core/ExitHandlers.h"
#include "media/MusicManager.h"
#include "media/SoundManager.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {

int RunUntilFirstFrame() {
    RunStartup();
    bool closing = false;
    while (RunMainLoopPass()) {
        if (!closing && platform::headless::PresentedFrameCount() > 0) {
            std::fprintf(stderr, "first frame: %u ms\n", platform::ProcessClockMillis());
            platform::PostMessage(platform::WM_CLOSE);
            closing = true;
        }
    }
    return RunShutdown();
}

} // namespace

int main(int argc, char** argv) {
    bool firstFrameOnly = argc > 1 && std::strcmp(argv[1], "--exit-after-first-frame") == 0;
    if (firstFrameOnly && platform::ActiveBackend() != platform::BackendKind::Headless) {
        std::fprintf(stderr, "--exit-after-first-frame needs QV_PLATFORM=headless\n");
        return 2;
    }
    SoundManager::BindServices();
    MusicManager::BindServices();
    int code = firstFrameOnly ? RunUntilFirstFrame() : WinMain();
    RunExitHandlers();
    return code;
}
