#pragma once
// Helpers of the connection and login-road tests: a fixture that starts every test with no
// connections, shard records or login tables, and a recorder that stands where the login screens
// will stand (it records what the handlers ask of windows and the world, and can act on it).
#include "net/NetServices.h"
#include "net/PacketFramer.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CClientSock;
class CGameSock;

namespace qvtest {

// Keeps every packet a framer hands on, for the tests that read a raw stream.
class PacketCollector : public PacketSink {
  public:
    void HandlePacket(uint8_t* packet, int length) override { packets.emplace_back(packet, packet + length); }
    bool IsOpen() const override { return true; }
    void OnStreamBroken(const char*) override { broken = true; }
    std::vector<std::vector<uint8_t>> packets;
    bool broken = false;
};

// A login packet of the given id and size with the account name "account" in its place.
inline std::vector<uint8_t> AccountPacket(uint8_t id, size_t size) {
    std::vector<uint8_t> p(size, 0);
    p[0] = id;
    const char* name = "account";
    std::copy(name, name + 7, p.begin() + (id == 0x91 ? 5 : 1));
    return p;
}

struct ModalMessage {
    MessageOwner owner = MessageOwner::None;
    std::string text;
    int mode = 0;
    int value = 0;
};

class FrontEndRecorder {
  public:
    // Binds every entry of the network's services to this recorder.
    FrontEndRecorder();
    ~FrontEndRecorder();

    std::vector<std::string> systemMessages;
    std::vector<ModalMessage> modalMessages;
    std::vector<std::string> titles;
    std::vector<std::string> messageBoxes;
    std::vector<std::string> waitingBoxes;
    std::vector<std::string> serversDown;
    std::vector<std::vector<CharacterEntry>> characterSelections;
    std::vector<std::vector<CharacterEntry>> refreshedSelections;
    std::vector<LoginConfirmation> placements;
    std::vector<std::string> speech;
    std::vector<uint32_t> clientFlags;
    int serverLists = 0;
    int shardChoiceLists = 0;
    int creations = 0;
    int connectionLost = 0;
    int gameDisplays = 0;
    int waitingDeleted = 0;
    int selectionRemovals = 0;
    int worldReleases = 0;
    int igrStops = 0;
    std::vector<GameRoomSessionFields> gameRooms;
    std::vector<std::pair<std::string, std::string>> savedKeys; // both configuration files

    // State the handlers ask about.
    bool characterSelectionOpen = false;
    bool waitingGumpShown = false;
    // When set, the next message box that must be acknowledged keeps the step it was given.
    bool acknowledgeBoxOpen = false;
    void (*deferredStep)() = nullptr;
    int shardMenuChoice = 0;
    std::vector<std::vector<ShardMenuEntry>> shardMenus;

    // Actions of the screens that are not there yet.
    std::function<void()> onServerList;
    std::function<void(const std::vector<CharacterEntry>&)> onCharacterSelection;

    bool HasSystemMessage(const std::string& text) const;
    bool HasModalMessage(const std::string& text) const;
};

// Fresh network, shard records, login tables, services, seed and latency probe, before and after.
class NetFixture : public CleanState {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// The test's thread stands for the main thread: it dispatches what other threads posted to it
// (the latency probe's change messages) here and while it waits below.
void DispatchPostedMessages();
// Runs the network pass until the condition holds or the time is up; true when it held.
bool PollNetworkUntil(const std::function<bool()>& condition, uint32_t timeoutMs = 5000);
// Waits (without the network pass) until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, uint32_t timeoutMs = 5000);

// Runs a started connect to its end through the connection's Poll; true when it connected.
bool CompleteConnect(CClientSock& connection, uint32_t timeoutMs = 5000);

// A loopback listener that never accepts and whose accept queue is full: a connect to it waits for
// an answer that never comes, as one to a server that stopped answering does.
class FullListener {
  public:
    FullListener();
    ~FullListener();
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;
    uint16_t port() const { return port_; }
    // The last connect made to fill the queue is still waiting.
    bool full() const { return full_; }

  private:
    int listener_ = -1;
    uint16_t port_ = 0;
    bool full_ = false;
    std::vector<int> fillers_;
};

// A packet as the framer hands it to the dispatcher: a variable packet's length in host order.
std::vector<uint8_t> AsFramed(std::vector<uint8_t> wire);
// Dispatches one framed packet through the given connection.
void Dispatch(CGameSock& connection, std::vector<uint8_t> wire);

} // namespace qvtest
