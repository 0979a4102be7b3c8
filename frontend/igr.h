#pragma once
// The game-room mode: the room's id and web address from the settings store, the account login that
// carries the id, and the background sessions that report play time to the room's service.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CClientSock;
struct GameRoomSessionFields;

namespace QVIGR {
// Both values read; called once at start-up, which ignores the result.
bool ReadRegistry();
// "noid" into the stored id; turns the game-room mode on when it was read.
bool GetRegKey();
// "nourl" into the web address.
bool GetRegUrl();
} // namespace QVIGR

bool IsIGRMode();
void SetIGRMode(bool on);
std::string IGRGetUrl();
// The stored game-room id (empty until read or written).
std::string IGRStoredId();

// Queues the account login on the connection: the game-room form (0xCF) with the stored id in
// game-room mode, otherwise the plain form (0x80). Returns 1 when it was queued.
int SubmitAccountLogin(CClientSock* connection, const char* account, const char* password, uint8_t key);

// What a session reports with.
struct IGRSessionParams {
    std::string userName;
    uint32_t port = 0;
    uint32_t heartbeat = 0; // seconds between reports
    std::string roomId;     // at most 16 characters
    std::string contextId;  // at most 36 characters
    uint32_t serviceId = 0;
    std::string host; // at most 256 characters
    std::string path; // at most 256 characters

    IGRSessionParams() = default;
    IGRSessionParams(std::string userName, uint32_t port, uint32_t heartbeat, std::string roomId,
                     std::string contextId, uint32_t serviceId, std::string host, std::string path);
};
IGRSessionParams IGRParamsFromFields(const GameRoomSessionFields& fields);

// Delivers one report to the room's service; true when it was delivered. Called only from a
// session's thread, one call at a time per session, and may block as long as delivery takes. The
// room's own library exists only for another system: the default delivers nothing.
class IGRPingTransport {
  public:
    virtual ~IGRPingTransport() = default;
    virtual bool SendPingMessage(const std::string& host, uint32_t port, const std::string& path,
                                 const char* message, size_t length);
};
// The transport of sessions started from now on (null: the default).
void IGRSetTransport(std::shared_ptr<IGRPingTransport> transport);

// The report text: "command=...&username=...&igrID=...&contextID=...&serviceID=..." with the values
// as they are, cut to 2047 characters.
std::string IGRFormatReport(const IGRSessionParams& params, const char* command);

// Writes "noid" when the id differs from the stored one, then starts a session.
void IGRSaveIdAndStart(const IGRSessionParams& params);
// Asks every running session to stop and starts a new one that reports with params.
void IGRStartSession(const IGRSessionParams& params);
// Creates the session list; before it the stops do nothing.
void IGRCreateSessionMutex();
// Asks every session to stop; returns at once.
void IGRRequestStopAll();
// Asks every session to stop and waits until they have sent their end reports, at most the wait
// limit (5000 ms). True when they did.
bool IGRStopAllAndWait();
// Sessions in the list.
int IGRSessionCount();

// ---------------------------------------------------------------- tests
struct IGRTimings {
    uint32_t waitLimitMs = 5000;     // IGRStopAllAndWait's limit
    uint32_t heartbeatUnitMs = 1000; // one second of the heartbeat
    bool failThreadStart = false;    // the next threads do not start
};
void IGRSetTimings(const IGRTimings& timings);
// Back to the state before start-up; the sessions must have ended.
void IGRResetForTests();
