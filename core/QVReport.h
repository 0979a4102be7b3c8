#pragma once
// The report log. Every part of the client writes its diagnostics here, printf-style, as
// "Class::Method: text\n". Only fatal has a visible effect: a message box, then the process ends.
#include <cstdarg>
#include <functional>
#include <string>

namespace QVReport {

enum class Level { Fatal, Error, Warning, Message, Plain };

void start();
void stop();
// For the tools: the log counts as started but writes no file and takes no instance marker, so
// a tool leaves nothing behind in the folder it runs in (QV_LOG=stderr still echoes lines).
void startWithoutFile();
int getInstanceNumber();

[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));
void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
void warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void message(const char* format, ...) __attribute__((format(printf, 1, 2)));
void plain(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The common sink of the five levels. Returns the formatted text (at most 2047 characters).
std::string outputText(Level level, const char* prefix, const char* format, va_list args);

const char* prefixOf(Level level);

// Sees every report line (after formatting), on the reporting thread. Tests record with it;
// QV_LOG=stderr echoes lines for a maintainer. Pass an empty function to detach.
using Recorder = std::function<void(Level level, const std::string& text)>;
void setRecorder(Recorder recorder);

// Back to "never started" for tests; the instance marker is released.
void resetForTests();

} // namespace QVReport

// A line to the debugger's output: "file(line): text\n", cut at 255 characters (stderr here).
void DebugTrace(const char* fileName, int line, const char* text);

// A text screen of 80 x 25 cells {character, attribute} kept for debugging.
namespace MonochromeMonitor {
constexpr int SCREEN_WIDTH = 80;
constexpr int SCREEN_HEIGHT = 25;
void clear();
void setMode(int mode); // 0 no rule, 1 wrap to the top row, 2 scroll
void putchar(char c);
const unsigned char* buffer(); // SCREEN_WIDTH * SCREEN_HEIGHT * 2 bytes
void cursor(int& column, int& row);
void resetForTests();
} // namespace MonochromeMonitor
