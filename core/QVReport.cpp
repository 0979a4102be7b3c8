#include "core/QVReport.h"

#include "core/ExitHandlers.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace QVReport {
namespace {

constexpr size_t kBufferSize = 2048;
constexpr const char* kMutexName = "QVReport::startup";

struct ReportState {
    // Recursive: starting the log from inside a report logs again on the same thread.
    std::recursive_mutex mutex;
    bool started = false;
    bool stopped = false;
    bool restarted = false;
    int instance = 0;
    std::FILE* logFile = nullptr;
    char buffer[kBufferSize] = {};
    platform::NamedObject instanceMutex;
    Recorder recorder;
    int echo = -1;            // -1 not decided, 0 off, 1 to stderr
    bool withoutFile = false; // a tool's log
};

ReportState& S() {
    static ReportState state;
    return state;
}

bool Echoed() {
    ReportState& s = S();
    if (s.echo < 0) s.echo = platform::GetEnv("QV_LOG") == "stderr" ? 1 : 0;
    return s.echo == 1;
}

// Whether a report of this level reaches anyone: the text of one that does not is never formatted.
bool Wanted(Level level) {
    return level == Level::Fatal || S().recorder || Echoed();
}

void Emit(Level level, const std::string& text) {
    ReportState& s = S();
    if (Echoed()) std::fprintf(stderr, "%s%s", prefixOf(level), text.c_str());
    if (s.recorder) s.recorder(level, text);
}

std::string Format(const char* format, va_list args) {
    char buffer[kBufferSize];
    if (!format) return std::string();
    std::vsnprintf(buffer, sizeof buffer, format, args); // cuts at 2047 and terminates
    return std::string(buffer);
}

void Log(Level level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Log(Level level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    outputText(level, prefixOf(level), format, args);
    va_end(args);
}

void OpenLogFile(const char* pattern) {
    ReportState& s = S();
    if (s.withoutFile) return;
    char name[64];
    std::snprintf(name, sizeof name, pattern, s.instance);
    s.logFile = std::fopen(name, "w");
    if (s.logFile)
        Log(Level::Plain, "QVReport: created file '%s' for writing.\n", name);
    else
        Log(Level::Warning, "QVReport: cannot open file '%s' for writing.\n", name);
}

} // namespace

const char* prefixOf(Level level) {
    switch (level) {
    case Level::Fatal:
        return "QVReport::fatal: ";
    case Level::Error:
        return "QVReport::error: ";
    case Level::Warning:
        return "QVReport::warning: ";
    case Level::Message:
        return "QVReport::message: ";
    case Level::Plain:
        return "";
    }
    return "";
}

void start() {
    ReportState& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.started && !s.stopped) {
        Log(Level::Warning, "QVReport::start: already started!\n");
    } else if (s.started && s.stopped && !s.restarted) {
        s.restarted = true;
        char name[64];
        std::snprintf(name, sizeof name, "QVErrata%d.log", s.instance);
        Log(Level::Warning,
            "QVReport::start: already started & stopped! look in file '%s' for further information.\n", name);
        OpenLogFile("QVErrata%d.log");
    } else if (!s.started && s.stopped) {
        fatal("QVReport::start: !started && stopped => freak occurance!\n");
    } else if (!s.started) {
        s.started = true;
        OpenLogFile("QVReport%d.log"); // named before the instance test, as other clients expect
        Log(Level::Plain, "QVReport: starting up...\n");
        platform::NamedObject existing = platform::NamedObject::OpenExisting(kMutexName);
        if (existing.IsOpen()) {
            s.instance += 1;
            s.instanceMutex = std::move(existing);
        } else {
            bool already = false;
            platform::NamedObject created = platform::NamedObject::Create(kMutexName, &already);
            if (!created.IsOpen()) {
                platform::ShowMessageBox("Cannot CreateMutex.", "QVReport::startup:");
            } else {
                s.instance = already ? s.instance + 1 : 0;
                s.instanceMutex = std::move(created); // held until the process ends
            }
        }
    }
    MonochromeMonitor::clear();
    Log(Level::Plain, "QVReport: started.\n");
}

void startWithoutFile() {
    ReportState& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.started) return;
    s.started = true;
    s.withoutFile = true;
}

void stop() {
    ReportState& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.started) {
        Log(Level::Warning, "QVReport::stop: not started!\n");
        return;
    }
    if (s.stopped) {
        Log(Level::Warning, "QVReport::stop: already stopped!\n");
        return;
    }
    Log(Level::Plain, "QVReport: stopping...\n");
    if (s.logFile) std::fclose(s.logFile);
    s.logFile = nullptr;
    s.stopped = true;
}

int getInstanceNumber() {
    std::lock_guard<std::recursive_mutex> lock(S().mutex);
    return S().instance;
}

std::string outputText(Level level, const char* prefix, const char* format, va_list args) {
    ReportState& s = S();
    std::string text;
    {
        std::lock_guard<std::recursive_mutex> lock(s.mutex);
        if (!prefix && !format) return text;
        const bool wanted = Wanted(level);
        if (wanted) {
            text = Format(format, args);
            std::memcpy(s.buffer, text.c_str(), text.size() + 1);
        }
        // Only the first report after stop restarts the log; later ones just format.
        if (!s.started || (s.stopped && !s.restarted)) {
            start();
            Log(Level::Warning, "QVReport::outputText: had to call 'start'\n");
        }
        if (wanted) Emit(level, text);
    }
    if (level == Level::Fatal) {
        // The level of this call decides, whatever was logged while starting.
        platform::ShowMessageBox(text, prefix ? prefix : "", platform::BoxIcon::Error);
        // A fatal report is a failure: the process ends with a failing code.
        TerminateProcess(1);
    }
    return text;
}

#define QV_REPORT_LEVEL(fn, level)                                                                           \
    void fn(const char* format, ...) {                                                                       \
        va_list args;                                                                                        \
        va_start(args, format);                                                                              \
        outputText(level, prefixOf(level), format, args);                                                    \
        va_end(args);                                                                                        \
    }
QV_REPORT_LEVEL(error, Level::Error)
QV_REPORT_LEVEL(warning, Level::Warning)
QV_REPORT_LEVEL(message, Level::Message)
QV_REPORT_LEVEL(plain, Level::Plain)
#undef QV_REPORT_LEVEL

void fatal(const char* format, ...) {
    va_list args;
    va_start(args, format);
    outputText(Level::Fatal, prefixOf(Level::Fatal), format, args);
    va_end(args);
    TerminateProcess(1); // not reached: outputText ends the process
}

void setRecorder(Recorder recorder) {
    std::lock_guard<std::recursive_mutex> lock(S().mutex);
    S().recorder = std::move(recorder);
}

void resetForTests() {
    ReportState& s = S();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.logFile) std::fclose(s.logFile);
    s.logFile = nullptr;
    s.started = s.stopped = s.restarted = false;
    s.withoutFile = false;
    s.instance = 0;
    s.instanceMutex.Close();
    s.echo = -1;
    MonochromeMonitor::resetForTests();
}

} // namespace QVReport

void DebugTrace(const char* fileName, int line, const char* text) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s(%d): %s\n", fileName ? fileName : "", line, text ? text : "");
    std::fputs(buffer, stderr);
}

namespace MonochromeMonitor {
namespace {

struct Screen {
    unsigned char cells[SCREEN_WIDTH * SCREEN_HEIGHT * 2] = {};
    int column = 0;
    int row = 0;
    int mode = 0;
    bool cleared = false;
};

Screen& M() {
    static Screen screen;
    return screen;
}

void ApplyRowRule() {
    Screen& m = M();
    if (m.mode == 2) {
        std::memmove(m.cells, m.cells + SCREEN_WIDTH * 2, SCREEN_WIDTH * 2 * (SCREEN_HEIGHT - 1));
        std::memset(m.cells + SCREEN_WIDTH * 2 * (SCREEN_HEIGHT - 1), 0, SCREEN_WIDTH * 2);
        m.column = 0;
        m.row = SCREEN_HEIGHT - 1;
    } else {
        m.column = 0;
        m.row = 0;
    }
}

} // namespace

void clear() {
    Screen& m = M();
    if (m.cleared) return;
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
        putchar(' ');
    m.column = 0;
    m.row = 0;
    m.cleared = true;
}

void setMode(int mode) {
    M().mode = mode;
}

void putchar(char c) {
    Screen& m = M();
    if (c == '\n') {
        m.column = 0;
        if (++m.row >= SCREEN_HEIGHT) ApplyRowRule();
        return;
    }
    if ((m.row * SCREEN_WIDTH + m.column) * 2 >= SCREEN_WIDTH * SCREEN_HEIGHT * 2) {
        QVReport::error("MonochromeMonitor::putchar: offset >= SCREEN_WIDTH * SCREEN_HEIGHT * 2\n");
        m.column = 0;
        m.row = 0;
    }
    int offset = (m.row * SCREEN_WIDTH + m.column) * 2;
    m.cells[offset] = static_cast<unsigned char>(c);
    m.cells[offset + 1] = 7;
    if (++m.column >= SCREEN_WIDTH) {
        m.column = 0;
        if (++m.row >= SCREEN_HEIGHT) ApplyRowRule();
    }
}

const unsigned char* buffer() {
    return M().cells;
}

void cursor(int& column, int& row) {
    column = M().column;
    row = M().row;
}

void resetForTests() {
    M() = Screen{};
}

} // namespace MonochromeMonitor
