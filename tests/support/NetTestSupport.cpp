#include "support/NetTestSupport.h"

#include "app/multcli.h"
#include "core/GameTicks.h"
#include "core/HWProfile.h"
#include "core/ShardRecord.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/ConnectionSeed.h"
#include "net/PacketManager.h"
#include "platform/platform.h"

#include <chrono>
#include <cstring>
#include <filesystem>

namespace qvtest {

namespace {

void ResetNetworkState(bool services) {
    CLatencyProbe::Destroy();
    ResetGameTicks();
    ResetNetworkForTests();
    // A fixture's recorder binds the services before SetUp runs.
    if (services) ResetNetServices();
    PacketManager::ResetForTests();
    CApp::ResetConnectionsForTests();
    ResetConnectionSeed();
    SetLocalAddressOverride(0);
    CApp::ResetForTests();
}

} // namespace

FrontEndRecorder::FrontEndRecorder() {
    NetServices& s = GetNetServices();
    s.showSystemMessage = [this](int, int, const char* text) { systemMessages.push_back(text); };
    s.setWindowTitle = [this](const char* text) { titles.push_back(text); };
    s.showModalMessage = [this](MessageOwner owner, const char* text, int mode, int value) {
        modalMessages.push_back({owner, text, mode, value});
        waitingGumpShown = true;
    };
    s.showMessageBox = [this](const char* text, const char* caption) {
        messageBoxes.push_back(std::string(caption) + ": " + text);
    };
    s.isWaitingGumpShown = [this] { return waitingGumpShown; };
    s.deleteWaitingGump = [this] {
        ++waitingDeleted;
        waitingGumpShown = false;
    };
    s.showWaitingBox = [this](const char* text, bool) {
        waitingBoxes.push_back(text);
        waitingGumpShown = true;
    };
    s.showServersDown = [this](const char* text) { serversDown.push_back(text); };
    s.showServerList = [this] {
        ++serverLists;
        if (onServerList) onServerList();
    };
    s.showShardChoiceList = [this] { ++shardChoiceLists; };
    s.hasCharacterSelection = [this] { return characterSelectionOpen; };
    s.deleteCharacterSelection = [this] { characterSelectionOpen = false; };
    s.showCharacterSelection = [this](const std::vector<CharacterEntry>& characters) {
        characterSelections.push_back(characters);
        characterSelectionOpen = true;
        if (onCharacterSelection) onCharacterSelection(characters);
    };
    s.startCharacterCreation = [this] { ++creations; };
    s.refreshCharacterSelection = [this](const std::vector<CharacterEntry>& characters) {
        refreshedSelections.push_back(characters);
    };
    s.removeSelectedCharacter = [this] { ++selectionRemovals; };
    s.deleteLoginScreens = [this] {
        waitingGumpShown = false;
        characterSelectionOpen = false;
    };
    s.deferUntilMessageClosed = [this](void (*step)()) {
        if (!acknowledgeBoxOpen) return false;
        deferredStep = step;
        return true;
    };
    s.showConnectionLost = [this] {
        ++connectionLost;
        waitingGumpShown = true;
    };
    s.showShardMenu = [this](const std::vector<ShardMenuEntry>& entries) {
        shardMenus.push_back(entries);
        return shardMenuChoice;
    };
    s.sendSpeech = [this](const char* text) { speech.push_back(text); };
    s.placePlayer = [this](const LoginConfirmation& c) { placements.push_back(c); };
    s.releaseWorldObjects = [this] { ++worldReleases; };
    s.applyClientFlags = [this](uint32_t flags) { clientFlags.push_back(flags); };
    s.applyGameDisplay = [this] { ++gameDisplays; };
    s.sleep = [](uint32_t) {};
    s.saveConfigDirective = [this](const char* key, const char* value) {
        savedKeys.emplace_back(key, value);
    };
    s.saveMainConfigDirective = [this](const char* key, const char* value) {
        savedKeys.emplace_back(key, value);
    };
    s.igrSaveIdAndStart = [this](const GameRoomSessionFields& fields) { gameRooms.push_back(fields); };
    s.igrStopAllAndWait = [this] { ++igrStops; };
}

FrontEndRecorder::~FrontEndRecorder() {
    ResetNetServices();
}

bool FrontEndRecorder::HasSystemMessage(const std::string& text) const {
    for (const std::string& line : systemMessages)
        if (line == text) return true;
    return false;
}

bool FrontEndRecorder::HasModalMessage(const std::string& text) const {
    for (const ModalMessage& message : modalMessages)
        if (message.text == text) return true;
    return false;
}

void NetFixture::SetUp() {
    CleanState::SetUp();
    ResetNetworkState(false);
    // No machine description is stored: the first shard list of a test sends one.
    std::error_code ignored;
    std::filesystem::remove(platform::RegistryFilePath(), ignored);
    ResetHWProfileForTests();
}

void NetFixture::TearDown() {
    ResetNetworkState(true);
    platform::UseRealClock();
    CleanState::TearDown();
}

void DispatchPostedMessages() {
    platform::Message message;
    while (platform::PeekMessage(message))
        platform::DispatchMessage(message);
}

bool PollNetworkUntil(const std::function<bool()>& condition, uint32_t timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs)) return false;
        DispatchPostedMessages();
        PollNetwork();
        if (!condition()) platform::SleepMillis(1);
    }
    return true;
}

bool WaitUntil(const std::function<bool()>& condition, uint32_t timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!condition()) {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs)) return false;
        DispatchPostedMessages();
        if (condition()) break;
        platform::SleepMillis(1);
    }
    return true;
}

bool CompleteConnect(CClientSock& connection, uint32_t timeoutMs) {
    WaitUntil(
        [&] {
            if (connection.IsConnecting()) connection.Poll();
            return !connection.IsConnecting();
        },
        timeoutMs);
    return connection.IsEstablished();
}

FullListener::FullListener() {
    listener_ = platform::ListenTcp(platform::kLoopback, 0, 0);
    if (listener_ == platform::kInvalidSocket) return;
    port_ = platform::BoundPort(listener_);
    // The queue takes a connect or two; the first that is not answered at once shows it is full.
    for (int i = 0; i < 16 && !full_; ++i) {
        const int filler = platform::OpenTcpSocket();
        if (filler == platform::kInvalidSocket) return;
        fillers_.push_back(filler);
        if (!platform::SetSocketNonBlocking(filler, true) ||
            platform::StartConnect(filler, platform::kLoopback, port_) < 0)
            return;
        full_ = !WaitUntil(
            [&] {
                platform::SocketReadiness ready;
                return platform::PollSocket(filler, true, ready) && (ready.writable || ready.exception);
            },
            200);
    }
}

FullListener::~FullListener() {
    for (int filler : fillers_)
        platform::CloseSocket(filler);
    platform::CloseSocket(listener_);
}

std::vector<uint8_t> AsFramed(std::vector<uint8_t> wire) {
    if (!wire.empty() && IsVariableLengthPacket(wire[0]) && wire.size() >= 3) {
        const uint16_t length = static_cast<uint16_t>(wire.size());
        std::memcpy(&wire[1], &length, 2);
    }
    return wire;
}

void Dispatch(CGameSock& connection, std::vector<uint8_t> wire) {
    std::vector<uint8_t> framed = AsFramed(std::move(wire));
    connection.HandlePacket(framed.data(), static_cast<int>(framed.size()));
}

} // namespace qvtest
