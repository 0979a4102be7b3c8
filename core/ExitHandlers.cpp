#include "core/ExitHandlers.h"

#include "platform/platform.h"

#include <cstdlib>
#include <mutex>

namespace {

struct Entry {
    ExitHandler handler;
    std::string name;
};

struct ExitState {
    std::recursive_mutex mutex;
    std::vector<Entry> handlers;
    std::function<void(int)> exitFunction;
};

ExitState& State() {
    static ExitState state;
    return state;
}

} // namespace

void RegisterExitHandler(ExitHandler handler, const char* name) {
    if (!handler) return;
    std::lock_guard<std::recursive_mutex> lock(State().mutex);
    State().handlers.push_back(Entry{handler, name ? name : ""});
}

// Each handler leaves the list before it runs, so a handler that ends the process from inside
// (a fatal report during shutdown) makes the nested call run only the handlers still waiting.
void RunExitHandlers() {
    ExitState& s = State();
    for (;;) {
        Entry entry;
        {
            std::lock_guard<std::recursive_mutex> lock(s.mutex);
            if (s.handlers.empty()) break;
            entry = s.handlers.back();
            s.handlers.pop_back();
        }
        entry.handler(); // outside the lock: a handler may register or report
    }
}

std::vector<std::string> RegisteredExitHandlerNames() {
    std::lock_guard<std::recursive_mutex> lock(State().mutex);
    std::vector<std::string> names;
    for (const auto& e : State().handlers)
        names.push_back(e.name);
    return names;
}

void ClearExitHandlers() {
    std::lock_guard<std::recursive_mutex> lock(State().mutex);
    State().handlers.clear();
}

void SetExitFunction(std::function<void(int)> exitFunction) {
    std::lock_guard<std::recursive_mutex> lock(State().mutex);
    State().exitFunction = std::move(exitFunction);
}

void TerminateProcess(int code) {
    std::function<void(int)> exitFunction;
    {
        std::lock_guard<std::recursive_mutex> lock(State().mutex);
        exitFunction = State().exitFunction;
    }
    RunExitHandlers();
    if (exitFunction) {
        exitFunction(code);
        std::abort(); // an exit function must not return
    }
    platform::ExitProcessNow(code);
}
