#pragma once
// A login server and a game server on loopback ports, on one thread, that play the server side of
// the login road from a script: the shard list or a denial, the relay, the character list, the
// login confirmation, world messages and login complete, keep-alive echoes, and the faults a client
// must survive (a full shard, error codes, a close in the middle of a packet, bytes one at a time).
#include "testshard/CreationPackets.h"
#include "testshard/WalkJudge.h"
#include "testshard/Wire.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testshard {

struct ShardListing {
    std::string name;
    uint32_t address = 0x7F000001; // host order
    uint8_t percentFull = 0;
    int8_t timeZone = 0;
};

// What a game-room account login (0xCF) is answered with after the shard list: the session
// packet (0xCE) that tells the client where and how often to report.
struct GameRoomSession {
    uint32_t port = 8080;
    uint32_t heartbeatSeconds = 60;
    std::string roomId = "ROOM-0042";           // 16 bytes on the wire
    std::string contextId = "ctx-7f3a&seat=12"; // 36 bytes on the wire
    uint32_t serviceId = 31337;
    std::string host = "reports.example.test";
    std::string path = "/igr/report";
};

struct Script {
    // Empty: any account and password are accepted.
    std::string account;
    std::string password;
    // The account login is answered with 0x82 and this reason.
    int denyReason = -1;
    uint8_t nextLoginKey = 0x5A;
    std::vector<ShardListing> shards = {{"Test Shard"}};

    // The relay: to the game server (address 0 and port 0 mean its loopback address and port), to
    // address 0 (the shard is full), or to the login server's own address and port (the client
    // keeps its connection).
    bool relayFull = false;
    bool relayToSelf = false;
    uint32_t relayAddress = 0;
    uint16_t relayPort = 0;
    uint32_t relayKey = 0x0BADF00D;

    std::vector<std::string> characters = {"Tester"};
    // An account that starts without characters whatever the list above holds; it keeps the ones
    // it creates while the server runs.
    std::string emptyAccount = "new";
    // The character screen: a password per slot (a protected character), the list's client flags
    // (0x10: one character only; bit 1: the server keeps the configuration files; bit 3: context
    // menus), the answer to a deletion (-1: the list without it, 0x86; else
    // 0x85 with this reason) and whether a logout request (0xD1) is answered.
    std::vector<std::string> characterPasswords;
    uint32_t clientFlags = 0x08;
    int deleteRefusal = -1;
    bool answerLogout = true;
    // The character choice is answered with 0x53 and this code instead of the login confirmation.
    int errorCode = -1;

    // The login confirmation.
    uint32_t serial = 0x00001234;
    uint16_t body = 400;
    uint16_t x = 1500;
    uint16_t y = 1600;
    int16_t z = 5;
    uint8_t facing = 2;
    uint8_t map = 0;

    // Sent after the confirmation; empty: a light level, the time and a line of speech.
    std::vector<std::vector<uint8_t>> worldPackets;
    bool loginComplete = true;
    // After the confirmation: half of a packet, then the connection closes.
    bool closeMidStream = false;
    // Game-phase bytes go out one per send.
    bool byteAtATime = false;
    bool echoKeepAlive = true;
    // The client speaks to an edit server: no seed, nothing enciphered (the game phase still
    // compressed).
    bool editServer = false;
    // The server's side of the stream (every byte it writes, over both ports, counted from the
    // start) ends after this many bytes: the connection closes there, or, with stall, the server
    // goes on reading but never writes again. -1: the stream does not end.
    int64_t cutAfterBytes = -1;
    bool stall = false;
    // Packets other than the login road's: what the server answers (logged as replies).
    std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>& packet)> answer;
    // The game server judges walking (and answers war mode and lifts) by this model when set.
    std::shared_ptr<WalkJudge> walk;
    // Set: a game-room login is answered with this session packet too.
    std::shared_ptr<GameRoomSession> gameRoom;
};

// A packet the client sent, deciphered.
struct ClientPacket {
    int connection = 0; // 1 for the first client, counting up over both ports
    bool gamePort = false;
    Phase phase = Phase::Unknown;
    uint32_t seed = 0;
    std::vector<uint8_t> bytes;
};

class ScenarioServer {
  public:
    ScenarioServer();
    ~ScenarioServer();
    ScenarioServer(const ScenarioServer&) = delete;
    ScenarioServer& operator=(const ScenarioServer&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port).
    bool Start(const Script& script, uint16_t loginPort = 0, uint16_t gamePort = 0);
    void Stop();
    uint16_t loginPort() const { return loginPort_; }
    uint16_t gamePort() const { return gamePort_; }

    // One line per event, on the server thread.
    void SetLog(std::function<void(const std::string&)> log);

    std::vector<ClientPacket> Packets() const;
    // The characters created (0x00), as the server decoded them.
    std::vector<CreatedCharacter> Created() const;
    // Waits for the count-th packet with this id (1 = the first); false on time-out.
    bool WaitForPacket(uint8_t id, uint32_t timeoutMs, size_t count = 1) const;
    // Waits until at least count connections were accepted.
    bool WaitForConnections(int count, uint32_t timeoutMs) const;
    int ConnectionCount() const;

    // Sends a packet to the newest connection in its phase; false without one.
    bool Send(const std::vector<uint8_t>& packet);
    // Sends bytes as they are (already in the connection's phase).
    bool SendRaw(const std::vector<uint8_t>& bytes);
    // Closes the newest connection.
    void CloseNewest();

    // Bytes written so far over both ports.
    uint64_t BytesSent() const;
    // Where each packet written whole lies in the stream, as it went out (compressed in the game
    // phase, end code and padding included): [start, end). When its own codes end on a byte
    // boundary, the client holds all of it after codesEnd bytes, before the end code (else 0).
    struct PacketSpan {
        uint64_t start = 0;
        uint64_t end = 0;
        uint64_t codesEnd = 0;
    };
    std::vector<PacketSpan> PacketSpans() const;
    // The stream reached cutAfterBytes.
    bool StreamEnded() const;

  private:
    struct Connection;
    void Run();
    void Accept(int listener, bool gamePort);
    // False when the connection is to be closed.
    bool Serve(Connection& connection);
    void OnPacket(Connection& connection, const std::vector<uint8_t>& packet);
    void Reply(Connection& connection, const std::vector<uint8_t>& packet);
    // The walk answers the judge held whose time has come go to the newest connection.
    void SendDueWalkAnswers();
    bool Write(Connection& connection, const std::vector<uint8_t>& bytes);
    void Log(const std::string& line);
    static std::string AccountOfGameLogin(const std::vector<uint8_t>& packet);
    std::vector<std::string>& CharactersOf(const std::string& account);
    // False when the message does not decode (it is dropped).
    bool NoteCreatedCharacter(Connection& connection, const std::vector<uint8_t>& packet);

    Script script_;
    int loginListener_ = -1;
    int gameListener_ = -1;
    uint16_t loginPort_ = 0;
    uint16_t gamePort_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int nextNumber_ = 1;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<ClientPacket> packets_;
    int accepted_ = 0;
    uint64_t sent_ = 0;
    std::vector<PacketSpan> packetSpans_;
    std::vector<std::string> characters_; // the account's characters as deletions leave them
    std::vector<std::string> emptyAccountCharacters_;
    bool emptyAccountLoggedIn_ = false; // the newest game login was the empty account's
    std::vector<CreatedCharacter> created_;
    bool ended_ = false;
    std::function<void(const std::string&)> log_;
};

// Builders of the server's messages, written from the wire layouts.
std::vector<uint8_t> ShardListPacket(uint8_t key, const std::vector<ShardListing>& shards);
std::vector<uint8_t> RelayPacket(uint32_t address, uint16_t port, uint32_t key);
std::vector<uint8_t> CharacterListPacket(const std::vector<std::string>& characters,
                                         uint32_t clientFlags = 0x08);
std::vector<uint8_t> LoginConfirmPacket(const Script& script);
std::vector<uint8_t> LoginDeniedPacket(uint8_t reason);
std::vector<uint8_t> ErrorCodePacket(uint8_t code);
// The character list (0xA9) or its update after a deletion (0x86), with the script's passwords
// and client flags (FrontEndScenarios.cpp).
std::vector<uint8_t> CharacterScreenPacket(const Script& script, const std::vector<std::string>& characters,
                                           bool update);
std::vector<uint8_t> DeleteRefusedPacket(uint8_t reason);
// The front end's named scenarios over a script; false for a name it does not know.
bool FrontEndScenario(const std::string& name, Script& script);
// The game-room session packet (GameRoomScenario.cpp).
std::vector<uint8_t> GameRoomSessionPacket(const GameRoomSession& session);
// The room id a game-room account login carries (its last 16 bytes), empty for other packets.
std::string GameRoomIdOf(const std::vector<uint8_t>& login);
// "gameroom": the account login of a game-room client is answered with a session packet.
bool GameRoomScenario(const std::string& name, Script& script);
// The world messages of the default script.
std::vector<std::vector<uint8_t>> DefaultWorldPackets();

// What the edit scenario sends after the login confirmation: a tile data group, a multi and 0xC6.
std::vector<std::vector<uint8_t>> EditServerPackets();

} // namespace testshard
