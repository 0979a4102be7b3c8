#pragma once
// Everything the client asks of the operating system, in one list. Nothing outside platform/
// includes SDL or POSIX window, socket or mapping headers; it calls these functions instead.
//
// Two backends stand behind the window, display, input and message-box services: "sdl" (a real
// window) and "headless" (in memory, for tests and CI). QV_PLATFORM=headless|sdl chooses; sdl is
// the default. The test hooks of the headless backend are in platform/headless.h.
#include "platform/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- backend choice
enum class BackendKind { Sdl, Headless };
// Chooses from QV_PLATFORM on first use; UseBackend before any window call overrides.
BackendKind ActiveBackend();
void UseBackend(BackendKind kind);

// ---------------------------------------------------------------- window and messages
// The window procedure: receives every message that is sent or dispatched to the main window.
using WindowProc = std::function<intptr_t(const Message&)>;

struct WindowDesc {
    std::string title; // UTF-8
    int clientWidth = 640;
    int clientHeight = 480;
    bool visible = true;
};

// Creates the one main window. Sends WM_CREATE, then WM_SIZE and WM_ACTIVATE, to the procedure.
bool CreateMainWindow(const WindowDesc& desc, WindowProc proc);
bool HasMainWindow();
// Sends WM_DESTROY to the procedure, then closes the window.
void DestroyMainWindow();

// Moves the backend's pending input into the queue, then takes the next message. Never waits.
bool PeekMessage(Message& out);
// Waits at most timeoutMs for input or a posted message; true when one is ready.
bool WaitMessage(uint32_t timeoutMs);
void PostMessage(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
void PostQuitMessage(int exitCode);
// How another thread hands work to the main thread: posts WM_POSTED_CALL, and the thread that
// dispatches it (the main loop) runs call(arg). Only a plain function and a number travel, so a
// message left in the queue after its sender is gone holds nothing that can dangle.
using PostedCall = void (*)(uintptr_t arg);
void PostCall(PostedCall call, uintptr_t arg = 0);
// Calls the window procedure at once and returns its result (0 without a window).
intptr_t SendMessage(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
intptr_t DispatchMessage(const Message& msg);
// The default handling: WM_CLOSE destroys the window; everything else answers 0.
intptr_t DefWindowProc(const Message& msg);
// Drops the first queued message with this id, if any (used to swallow a character message).
bool RemoveQueuedMessage(uint32_t id);

void SetWindowTitle(std::string_view utf8);
std::string GetWindowTitle();
void SetClientSize(int width, int height);
void GetClientSize(int& width, int& height);
void SetWindowPosition(int x, int y);
void GetWindowPosition(int& x, int& y);
// Width of the side frame, height of the bottom frame, height of the caption, in pixels.
struct FrameMetrics {
    int frameWidth = 0;
    int frameHeight = 0;
    int captionHeight = 0;
};
FrameMetrics GetFrameMetrics();
bool WindowHasFocus();
bool IsWindowMinimized();
// Maximises the main window (it keeps its restored place for later); without a window nothing.
void MaximizeWindow();
bool IsWindowMaximized();
void ShowSystemCursor(bool show);
bool IsSystemCursorShown();
void SetMouseCapture(bool on);
void GetCursorPosition(int& x, int& y); // client coordinates
bool IsKeyDown(int virtualKey);         // state as of the last message taken
uint32_t GetDoubleClickTime();          // milliseconds
// Colour cursors: width x height 5-5-5 pixels in rows of the width (0 transparent) with a hot spot.
// 0 when the backend refuses them (the caller then draws its own cursor).
uintptr_t CreateColorCursor(const uint16_t* pixels, int width, int height, int hotX, int hotY);
void SetColorCursor(uintptr_t cursor); // 0: the system's arrow
void DestroyColorCursor(uintptr_t cursor);

// Full screen at the given mode; false when the mode cannot be had (the window stays as it was).
bool SetFullScreen(bool on, int width, int height);
bool IsFullScreen();

struct DesktopInfo {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};
DesktopInfo GetDesktopInfo();

std::optional<std::string> GetClipboardText(); // UTF-8

// ---------------------------------------------------------------- display
// Shows a frame of 16-bit RGB555 pixels that is stored as a ring: screen pixel (x, y) is
// ring[(start + y * width + x) mod (width * height)]. Pixels outside the window are cut off.
void PresentFrame(const uint16_t* ring, int width, int height, int start);
// The same for only these rectangles of the screen (left/top inside, right/bottom outside); the
// rest of the window keeps what it showed. No rectangle: nothing is shown.
struct PresentRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
void PresentFrameRects(const uint16_t* ring, int width, int height, int start,
                       const std::vector<PresentRect>& rects);
// What the window shows now, as 0xRRGGBB a pixel (tests compare it with the frame drawn); false
// without a window.
bool ReadShownPixels(std::vector<uint32_t>& rgb, int& width, int& height);

// ---------------------------------------------------------------- message boxes
enum class BoxIcon { None, Information, Warning, Error };
// Shows a modal box with an OK button and returns when it is closed.
void ShowMessageBox(std::string_view text, std::string_view caption, BoxIcon icon = BoxIcon::None);

// ---------------------------------------------------------------- settings store (registry)
// Keys and values as the client names them ("SOFTWARE\...\1.0", "ExePath"), kept in one text file:
// $QV_REGISTRY, else $XDG_CONFIG_HOME/varnis-online/registry.ini (~/.config when unset).
enum class RegRoot { LocalMachine, CurrentUser };
std::string RegistryFilePath();
bool RegKeyExists(RegRoot root, std::string_view key);
std::optional<std::string> RegGetString(RegRoot root, std::string_view key, std::string_view name);
std::optional<uint32_t> RegGetDword(RegRoot root, std::string_view key, std::string_view name);
std::optional<std::vector<uint8_t>> RegGetBinary(RegRoot root, std::string_view key, std::string_view name);
bool RegSetString(RegRoot root, std::string_view key, std::string_view name, std::string_view value);
bool RegSetDword(RegRoot root, std::string_view key, std::string_view name, uint32_t value);
bool RegSetBinary(RegRoot root, std::string_view key, std::string_view name, const void* data, size_t size);
bool RegCreateKey(RegRoot root, std::string_view key);
bool RegDeleteValue(RegRoot root, std::string_view key, std::string_view name);
// Whether the store's file reads now (inside a batch: whether it read when the batch began).
enum class ReadStatus; // below, with the files
ReadStatus SettingsFileStatus();

// Many changes to the settings store with one reading and one writing of its file. While a batch
// is open, the Reg* calls of its thread read and change the batch's copy (other threads wait for the
// batch to end). Commit writes the file once; it is false when nothing may be written (the file
// could not be read when the batch began) or the write failed, and the file is then as it was. A
// batch ended without Commit writes its changes on the way out. A batch opened inside another one
// joins it: its Commit writes nothing and tells whether the outer one can still write.
class SettingsBatch {
  public:
    SettingsBatch();
    ~SettingsBatch();
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;
    bool Commit();

  private:
    bool owner_ = false;
};

// ---------------------------------------------------------------- named objects
// A process-wide name ("QvClientApp", "QVReport::startup") that exists while any holder keeps it:
// a lock file under RuntimeDir(). A second holder in the same process counts like another process.
std::string RuntimeDir(); // $QV_RUNTIME_DIR, else $XDG_RUNTIME_DIR/varnis-online, else /tmp/varnis-online-UID
class NamedObject {
  public:
    NamedObject() = default;
    NamedObject(NamedObject&& other) noexcept;
    NamedObject& operator=(NamedObject&& other) noexcept;
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;
    ~NamedObject();

    // Creates or joins the object; alreadyExisted tells whether another holder had it.
    static NamedObject Create(std::string_view name, bool* alreadyExisted);
    // Joins the object only when some holder has it.
    static NamedObject OpenExisting(std::string_view name);

    bool IsOpen() const { return fd_ >= 0; }
    void Close();

  private:
    explicit NamedObject(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// ---------------------------------------------------------------- paths and files
// '\' becomes '/'.
std::string NativePath(std::string_view path);
// The existing file or folder whose name matches path component by component, ignoring letter case
// (an exact match wins); nullopt when there is none.
std::optional<std::string> FindPathIgnoringCase(std::string_view path);
// The player's own data that is neither a setting nor the installation's (server-sent items):
// $QV_DATA_DIR, else $XDG_DATA_HOME/varnis-online, else ~/.local/share/varnis-online.
std::string UserDataDir();
bool FileExists(std::string_view path);
bool IsDirectory(std::string_view path);
bool MakeDirectories(std::string_view path);
std::optional<uint64_t> FileSize(std::string_view path);
std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path);

// A whole file, telling "no such file" apart from a file that is there but cannot be read (a
// folder in its place, no permission, an input error). A store rewrites its file only after reading
// it whole or finding it missing: rewriting after a failed read would throw away what it holds.
enum class ReadStatus { Read, Missing, Failed };
struct FileContents {
    ReadStatus status = ReadStatus::Missing;
    std::vector<uint8_t> bytes;
    int error = 0; // the errno value when not Read
};
FileContents ReadFileContents(std::string_view path);

// Who may read a file a writer creates. Shared: the usual 0644. Private: the user alone (0600), for
// files that hold the player's password; an existing private file's group and other bits are
// dropped at its next save. An existing file's mode is never widened.
enum class FileAccess { Shared, Private };

// Replaces a file atomically: the bytes go to a temporary file beside it ("NAME.tmp-XXXXXX", locked
// while it is written), which is flushed and then renamed over the target. On any failure the old
// file stays as it was. A target the caller may not write (a read-only file) is not replaced.
bool AtomicReplaceFile(std::string_view path, const void* data, size_t size,
                       FileAccess access = FileAccess::Shared);
// The same for writers that stream through stdio: write to File(), then Commit(). Destroying the
// writer without a successful Commit removes the temporary file and keeps the old one.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(std::string_view path, FileAccess access = FileAccess::Shared);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    bool IsOpen() const { return file_ != nullptr; }
    std::FILE* File() { return file_; }
    bool Commit();
    void Abandon();

  private:
    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
};

// A writer killed in the middle leaves its temporary behind. RemoveStaleTemporaries removes, in one
// folder, every "NAME.tmp-XXXXXX" that no live writer holds (its lock went with its process) and
// answers how many. SweepStaleTemporariesOnce does it for the folder of a file the first time it is
// asked in a process: stores call it as they load, and every AtomicFileWriter as it starts.
size_t RemoveStaleTemporaries(std::string_view folder);
void SweepStaleTemporariesOnce(std::string_view filePath);
// A forked child stands for a new start: it forgets which folders were swept.
void ForgetSweptFoldersForTests();

// Whether a save flushes its file to the disk before the rename (on by default). Fuzz targets turn
// it off: they save per input into a memory-backed folder, and nothing there must survive a crash.
void SetDurableWrites(bool durable);

// ---------------------------------------------------------------- memory-mapped files
class FileMapping {
  public:
    FileMapping() = default;
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;
    ~FileMapping();

    // Maps an existing file read-only. An empty file gives an empty, non-null view.
    // On failure returns false with errno-style error code in *error.
    bool OpenRead(std::string_view path, int* error = nullptr);
    // Maps exactly size bytes read/write, creating the file or changing its size as needed.
    bool OpenReadWrite(std::string_view path, size_t size, int* error = nullptr);
    bool Flush();
    void Close();

    bool IsOpen() const { return data_ != nullptr; }
    uint8_t* Data() const { return data_; }
    size_t Size() const { return size_; }

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
    int fd_ = -1;
};

// ---------------------------------------------------------------- clocks, timers, threads
// Milliseconds of a monotonic clock, wrapping at 2^32 (the tick count).
uint32_t TickCount();
// A second, independent millisecond clock since process start (the process clock).
uint32_t ProcessClockMillis();
// Tests replace both clocks with manual ones; Advance moves both by the same amount unless told.
void UseManualClock(uint32_t tickStart, uint32_t processStart);
void AdvanceManualClock(uint32_t tickMs, std::optional<uint32_t> processMs = std::nullopt);
void UseRealClock();
bool IsManualClock();
void SleepMillis(uint32_t ms);

// Calls a function every interval on its own thread until stopped. Stop joins the thread; the
// callback must not call Stop.
class PeriodicTimer {
  public:
    PeriodicTimer() = default;
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;
    bool Start(uint32_t intervalMs, std::function<void()> callback);
    void Stop();
    bool IsRunning() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

// A thread's sleep that ends when a socket becomes readable, when another thread raises the
// signal, or when the time is up: a worker that serves a socket sleeps until it has work.
class SocketWaiter {
  public:
    SocketWaiter();
    ~SocketWaiter();
    SocketWaiter(const SocketWaiter&) = delete;
    SocketWaiter& operator=(const SocketWaiter&) = delete;
    // Any thread. The signal stays raised until a Wait takes it.
    void Raise();
    // Waits at most timeoutMs for s (kInvalidSocket: for the signal alone); true when the signal
    // was raised, which clears it.
    bool Wait(int s, uint32_t timeoutMs);

  private:
    int event_ = -1;
};

// ---------------------------------------------------------------- waiting for work
// The main loop's one wait, the only place the client sleeps when it has nothing to do. It returns
// at once when a message is queued (input, a posted message or call), or when a watched socket is
// ready or closed; otherwise when the tick count reaches the earliest of deadline and every
// registered deadline. The SDL backend watches the sockets from a small thread that wakes the
// event wait; the headless backend under the manual clock moves the clock to the deadline instead
// of sleeping, so tests stay deterministic. Main thread only.
enum class WakeReason { Message, Socket, Deadline };
WakeReason WaitForWork(uint32_t deadline);
// How many times WaitForWork was called, and how many of those slept (did not return at once).
uint64_t WaitForWorkCalls();
uint64_t WaitForWorkSleeps();

// A deadline another part of the client has registered: at most one tick per slot, honoured by a
// wait already under way. Any thread; the slot clears itself when destroyed.
class Deadline {
  public:
    Deadline();
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
    void Set(uint32_t tick);
    void Clear();
    bool IsSet() const;

  private:
    int id_ = 0;
};

// Sockets whose readiness ends the wait: readable (bytes or a close), and writable too while
// wantWrite (a connect under way, queued bytes the socket did not take). Watching again updates
// wantWrite; CloseSocket unwatches. Any thread.
void WatchSocket(int s, bool wantWrite = false);
void UnwatchSocket(int s);

enum class ThreadPriority { Lowest, BelowNormal, Normal, Highest };
// Per-thread nice value. Linux without privileges may refuse raising a priority: false then, and the
// thread keeps the one it had.
bool SetCurrentThreadPriority(ThreadPriority priority);

// ---------------------------------------------------------------- sockets
// WinSock's calls over POSIX. Addresses and ports are in host order; errors are WinSock codes.
using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

constexpr int WSAEINTR = 10004;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAEHOSTUNREACH = 10065;

// The WinSock code of the last failed socket call on this thread.
int LastSocketError();
int SocketErrorFromErrno(int errnoValue);

SocketHandle OpenTcpSocket();
SocketHandle OpenUdpSocket();
void CloseSocket(SocketHandle s);
bool SetSocketNonBlocking(SocketHandle s, bool nonBlocking);
// A connect that waits at most timeoutMs; the socket stays blocking as it was.
bool ConnectSocket(SocketHandle s, uint32_t address, uint16_t port, uint32_t timeoutMs = 10000);
// Starts a connect on a non-blocking socket without waiting: 1 when it is already connected, 0
// while it is under way (finish it with ConnectOutcome once the socket is writable), -1 when it
// failed at once (see LastSocketError).
int StartConnect(SocketHandle s, uint32_t address, uint16_t port);
// The outcome of a started connect once the socket became writable or in error: 0 when it
// connected, otherwise its WinSock code (also kept for LastSocketError).
int ConnectOutcome(SocketHandle s);
// Bytes sent or received, -1 on error (see LastSocketError); Receive gives 0 when the peer closed.
// Sending never raises SIGPIPE.
int SendBytes(SocketHandle s, const void* data, size_t size);
int ReceiveBytes(SocketHandle s, void* data, size_t size);

struct SocketReadiness {
    bool readable = false;
    bool writable = false;
    bool exception = false;
};
// A zero-timeout readiness test (select with no wait); false when the test itself failed.
bool PollSocket(SocketHandle s, bool wantWrite, SocketReadiness& out);
// Waits at most timeoutMs for the socket to become readable.
bool WaitSocketReadable(SocketHandle s, uint32_t timeoutMs);
// The same for any of several sockets (a server's listeners and connections).
bool WaitAnySocketReadable(const std::vector<SocketHandle>& sockets, uint32_t timeoutMs);

// Datagrams. Bind with port 0 for an ephemeral local port; BoundPort tells which one.
bool BindSocket(SocketHandle s, uint32_t address, uint16_t port);
uint16_t BoundPort(SocketHandle s);
int SendDatagram(SocketHandle s, const void* data, size_t size, uint32_t address, uint16_t port);
int ReceiveDatagram(SocketHandle s, void* data, size_t size, uint32_t* fromAddress, uint16_t* fromPort);

// Listening (the test server): accept returns kInvalidSocket when nothing waits (non-blocking).
SocketHandle ListenTcp(uint32_t address, uint16_t port, int backlog = 8);
SocketHandle AcceptConnection(SocketHandle listener, uint32_t* peerAddress = nullptr,
                              uint16_t* peerPort = nullptr);

// Name look-up: a dotted address or a host name to an IPv4 address.
std::optional<uint32_t> ResolveHostIPv4(std::string_view name);
// Every IPv4 address of a host (a dotted address gives itself), in the resolver's order; empty when
// the look-up fails.
std::vector<uint32_t> ResolveHostIPv4All(std::string_view name);
// The local IPv4 address from the host's own name; 0 when the look-up fails.
uint32_t GetLocalAddress();
constexpr uint32_t MakeIPv4(int a, int b, int c, int d) {
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(b) << 16) |
           (static_cast<uint32_t>(c) << 8) | static_cast<uint32_t>(d);
}
constexpr uint32_t kLoopback = MakeIPv4(127, 0, 0, 1);

// ---------------------------------------------------------------- process
// Flushes standard streams and ends the process at once with the code.
[[noreturn]] void ExitProcessNow(int code);
std::string GetEnv(std::string_view name);

// The full path of a program found on $PATH, or nullopt.
std::optional<std::string> FindProgramOnPath(std::string_view name);
// Starts a program with these arguments, each passed as one argument (no shell), in the working
// folder when it is not empty. The child is reaped in the background. On failure *error holds an
// errno value (ENOTDIR when the working folder is not a folder).
bool StartProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& workingFolder, int* error);

// ---------------------------------------------------------------- machine facts
struct ProcessorInfo {
    bool x86 = false;
    int family = 0;        // x86 "cpu family"
    uint32_t clockMHz = 0; // nominal clock, 0 when unknown
    int count = 0;         // processors online
};
ProcessorInfo GetProcessorInfo();
// The fields of /proc/cpuinfo text that ProcessorInfo holds (the count is the number of entries).
ProcessorInfo ParseCpuInfo(std::string_view text);
uint64_t TotalPhysicalMemoryBytes(); // 0 when unknown
// The size of the largest mounted disk volume, 0 when none is found.
uint64_t LargestFixedVolumeBytes();
// UTC minus local standard time in minutes (negative east of Greenwich), nullopt when unknown.
std::optional<int32_t> TimeZoneBiasMinutes();
// Short names of the first display adapters (their kernel drivers), at most two.
std::vector<std::string> DisplayAdapterNames();

} // namespace platform
