#include "frontend/igr.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/csocket.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <list>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The store's values are read into a buffer of this size, as the room's installer wrote them.
constexpr size_t kMaxValueLength = 1024;
constexpr size_t kReportBufferSize = 2048;

struct IGRState {
    std::string storedId;
    std::string url;
    bool mode = false;
    std::shared_ptr<IGRPingTransport> transport;
    IGRTimings timings;
};

IGRState& S() {
    static IGRState state;
    return state;
}

struct IGRSession {
    IGRSessionParams params;
    std::shared_ptr<IGRPingTransport> transport;
    Clock::duration interval{};
    // Only the session's thread touches the time of the last attempt.
    Clock::time_point lastAttempt{};
    // Guards the two flags; the wake ends the thread's wait at a stop request.
    std::mutex mutex;
    std::condition_variable wake;
    bool stopRequested = false;
    bool finished = false;
};

// The list outlives every thread that may still unlink from it: it is never destroyed. Each thread
// owns its session; the list only refers to it while the thread runs.
struct IGRSessionList {
    std::mutex mutex;
    std::condition_variable changed;
    std::list<std::shared_ptr<IGRSession>> sessions;
};

std::atomic<IGRSessionList*> g_list{nullptr};

IGRSessionList& EnsureList() {
    IGRSessionList* list = g_list.load();
    if (list) return *list;
    auto* created = new IGRSessionList;
    if (g_list.compare_exchange_strong(list, created)) return *created;
    delete created;
    return *list;
}

// A store value as the room's installer wrote it: a value that does not fit the buffer with its end
// is read as missing.
std::optional<std::string> ReadValue(const char* name, const char* caller) {
    std::optional<std::string> value =
        platform::RegGetString(platform::RegRoot::LocalMachine, FileManager::kInstallKey, name);
    if (!value) return std::nullopt;
    if (value->size() + 1 >= kMaxValueLength) {
        QVReport::warning("%s: the value \"%s\" is %zu bytes long; ignored.\n", caller, name, value->size());
        return std::nullopt;
    }
    return value->substr(0, strnlen(value->c_str(), value->size()));
}

void RequestStop(IGRSession& session) {
    {
        std::lock_guard<std::mutex> lock(session.mutex);
        session.stopRequested = true;
    }
    session.wake.notify_all();
}

bool IGRStopRequested(IGRSession& session) {
    std::lock_guard<std::mutex> lock(session.mutex);
    return session.stopRequested;
}

bool IGRSendCommand(IGRSession& session, const char* command) {
    const std::string message = IGRFormatReport(session.params, command);
    return session.transport->SendPingMessage(session.params.host, session.params.port, session.params.path,
                                              message.c_str(), message.size());
}

// Waits until a heartbeat has passed since the last attempt; true when a stop came first.
bool WaitForHeartbeat(IGRSession& session) {
    std::unique_lock<std::mutex> lock(session.mutex);
    return session.wake.wait_until(lock, session.lastAttempt + session.interval,
                                   [&] { return session.stopRequested; });
}

void IGRRunSession(IGRSession& session) {
    bool started = IGRSendCommand(session, "IGRSTARTGAME");
    session.lastAttempt = Clock::now();
    while (!started) {
        if (WaitForHeartbeat(session)) break;
        started = IGRSendCommand(session, "IGRSTARTGAME");
        session.lastAttempt = Clock::now();
    }
    while (started && !IGRStopRequested(session)) {
        if (WaitForHeartbeat(session)) break;
        IGRSendCommand(session, "IGRHEARTBEAT");
        session.lastAttempt = Clock::now();
    }
    IGRSendCommand(session, "IGRENDGAME");
    std::lock_guard<std::mutex> lock(session.mutex);
    session.finished = true;
}

void Unlist(IGRSessionList& list, const std::shared_ptr<IGRSession>& session) {
    {
        std::lock_guard<std::mutex> lock(list.mutex);
        list.sessions.remove(session);
    }
    list.changed.notify_all();
}

void IGRSessionThread(std::shared_ptr<IGRSession> session) {
    if (!platform::SetCurrentThreadPriority(platform::ThreadPriority::BelowNormal))
        QVReport::warning(
            "IGRSessionThread: the report thread keeps its priority (the system refused a lower one).\n");
    IGRRunSession(*session);
    Unlist(*g_list.load(), session);
}

// Every listed session asked to stop; the list's mutex is held.
void RequestStopLocked(IGRSessionList& list) {
    for (const std::shared_ptr<IGRSession>& session : list.sessions)
        RequestStop(*session);
}

bool AllStoppedDone(IGRSessionList& list) {
    for (const std::shared_ptr<IGRSession>& session : list.sessions) {
        std::lock_guard<std::mutex> lock(session->mutex);
        if (session->stopRequested && !session->finished) return false;
    }
    return true;
}

} // namespace

namespace QVIGR {

bool GetRegKey() {
    std::optional<std::string> id = ReadValue("noid", "QVIGR::GetRegKey");
    if (!id) return false;
    S().storedId = *id;
    S().mode = true;
    return true;
}

bool GetRegUrl() {
    std::optional<std::string> url = ReadValue("nourl", "QVIGR::GetRegUrl");
    if (!url) return false;
    S().url = *url;
    return true;
}

bool ReadRegistry() {
    const bool id = GetRegKey();
    const bool url = GetRegUrl();
    return id && url;
}

} // namespace QVIGR

bool IsIGRMode() {
    return S().mode;
}

void SetIGRMode(bool on) {
    S().mode = on;
}

std::string IGRGetUrl() {
    return S().url;
}

std::string IGRStoredId() {
    return S().storedId;
}

int SubmitAccountLogin(CClientSock* connection, const char* account, const char* password, uint8_t key) {
    if (!connection) return 0;
    uint8_t buffer[78];
    PacketWriter packet(buffer);
    if (IsIGRMode()) {
        PacketManager::SendAccountLoginIgr(packet, account, password, key, S().storedId.c_str());
    } else {
        PacketManager::SendAccountLogin(packet, account, password, key);
    }
    connection->Send(packet);
    return 1;
}

IGRSessionParams::IGRSessionParams(std::string userName, uint32_t port, uint32_t heartbeat,
                                   std::string roomId, std::string contextId, uint32_t serviceId,
                                   std::string host, std::string path)
    : userName(std::move(userName)), port(port), heartbeat(heartbeat), roomId(std::move(roomId)),
      contextId(std::move(contextId)), serviceId(serviceId), host(std::move(host)), path(std::move(path)) {}

IGRSessionParams IGRParamsFromFields(const GameRoomSessionFields& f) {
    return IGRSessionParams(f.userName, f.port, f.heartbeatSeconds, f.roomId, f.contextId, f.serviceId,
                            f.host, f.path);
}

bool IGRPingTransport::SendPingMessage(const std::string&, uint32_t, const std::string&, const char*,
                                       size_t) {
    return false;
}

void IGRSetTransport(std::shared_ptr<IGRPingTransport> transport) {
    S().transport = std::move(transport);
}

std::string IGRFormatReport(const IGRSessionParams& p, const char* command) {
    char buffer[kReportBufferSize];
    std::snprintf(buffer, sizeof buffer, "command=%s&username=%s&igrID=%s&contextID=%s&serviceID=%u", command,
                  p.userName.c_str(), p.roomId.c_str(), p.contextId.c_str(), p.serviceId);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

void IGRSaveIdAndStart(const IGRSessionParams& params) {
    if (params.roomId != S().storedId) {
        if (platform::RegSetString(platform::RegRoot::LocalMachine, FileManager::kInstallKey, "noid",
                                   params.roomId))
            S().storedId = params.roomId;
        else
            QVReport::warning("IGRSaveIdAndStart: the game-room id could not be stored.\n");
    }
    IGRStartSession(params);
}

void IGRStartSession(const IGRSessionParams& params) {
    SetIGRMode(true);
    auto session = std::make_shared<IGRSession>();
    session->params = params;
    session->transport = S().transport ? S().transport : std::make_shared<IGRPingTransport>();
    // A heartbeat of 0 would report without pause: under a second counts as one.
    session->interval = std::chrono::milliseconds(
        static_cast<uint64_t>(std::max<uint32_t>(params.heartbeat, 1)) * S().timings.heartbeatUnitMs);
    IGRSessionList& list = EnsureList();
    {
        std::lock_guard<std::mutex> lock(list.mutex);
        RequestStopLocked(list);
        list.sessions.push_back(session);
    }
    try {
        if (S().timings.failThreadStart)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        std::thread(IGRSessionThread, session).detach();
    } catch (const std::system_error& e) {
        // A session without a thread would hold every later quit for the whole wait.
        QVReport::error("IGRStartSession: the report thread did not start (%s); the session is dropped.\n",
                        e.what());
        Unlist(list, session);
    }
}

void IGRCreateSessionMutex() {
    EnsureList();
}

void IGRRequestStopAll() {
    IGRSessionList* list = g_list.load();
    if (!list) return;
    std::lock_guard<std::mutex> lock(list->mutex);
    RequestStopLocked(*list);
}

bool IGRStopAllAndWait() {
    IGRSessionList* list = g_list.load();
    if (!list) return true;
    std::unique_lock<std::mutex> lock(list->mutex);
    RequestStopLocked(*list);
    const Clock::time_point limit = Clock::now() + std::chrono::milliseconds(S().timings.waitLimitMs);
    // A session's finish is followed at once by its unlinking, which wakes this wait.
    return list->changed.wait_until(lock, limit, [list] { return AllStoppedDone(*list); });
}

int IGRSessionCount() {
    IGRSessionList* list = g_list.load();
    if (!list) return 0;
    std::lock_guard<std::mutex> lock(list->mutex);
    return static_cast<int>(list->sessions.size());
}

void IGRSetTimings(const IGRTimings& timings) {
    S().timings = timings;
}

void IGRResetForTests() {
    S() = IGRState{};
}
