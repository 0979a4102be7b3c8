// The client's entry point.
#include "core/ExitHandlers.h"
#include "core/MemoryManager.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"

namespace {

intptr_t MainWndProc(const platform::Message& msg) {
    switch (msg.id) {
    case platform::WM_DESTROY:
        platform::PostQuitMessage(0);
        return 0;
    default:
        return platform::DefWindowProc(msg);
    }
}

} // namespace

int main() {
    QVReport::start();
    RegisterExitHandler(QVReport::stop, "QVReport::stop");
    QVReport::message("reached winmain!\n");
    MemoryManager::start();
    RegisterExitHandler(MemoryManager::shutdown, "MemoryManager::shutdown");
    CPointerRegistry::create();
    RegisterExitHandler(CPointerRegistry::destroy, "CPointerRegistry::destroy");

    platform::WindowDesc desc;
    desc.title = "Varnis Online";
    desc.clientWidth = GraphicManager::GetScreenWidth();
    desc.clientHeight = GraphicManager::GetScreenHeight();
    if (!platform::CreateMainWindow(desc, MainWndProc)) {
        ShowErrorMessage("The main window could not be created.", "ERROR", nullptr);
        RunExitHandlers();
        return 1;
    }
    BackBuffer::Resize(desc.clientWidth, desc.clientHeight);

    int exitCode = 0;
    uint32_t lastFrame = platform::TickCount() - 50;
    for (bool running = true; running;) {
        platform::Message msg;
        bool busy = false;
        while (platform::PeekMessage(msg)) {
            busy = true;
            if (msg.id == platform::WM_QUIT) {
                exitCode = static_cast<int>(msg.wParam);
                running = false;
                break;
            }
            platform::DispatchMessage(msg);
        }
        if (!running) break;
        if (platform::TickCount() - lastFrame >= 50 && platform::HasMainWindow()) {
            lastFrame = platform::TickCount();
            platform::PresentFrame(BackBuffer::Pixels(), BackBuffer::Width(), BackBuffer::Height(),
                                   BackBuffer::RingOffset());
            busy = true;
        }
        if (!busy) platform::WaitMessage(1);
    }
    RunExitHandlers();
    return exitCode;
}
