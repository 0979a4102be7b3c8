#pragma once
// The game connections and the network pass. The client may hold one connection per shard record;
// one connection is current and receives every built packet. Connections are deleted only at the
// start of a network pass, after being queued, so a handler may close its own connection safely.
#include "net/csocket.h"

#include <cstdint>
#include <functional>
#include <span>

struct ShardRecord;
class PacketWriter;

class CGameSock : public CClientSock {
  public:
    // What runs once a started connect completed (true) or was given up (false), in the pass.
    using ConnectDone = std::function<void(CGameSock& connection, bool connected)>;

    CGameSock();
    ~CGameSock() override;
    // Drops the failing shard, switches to another one, or tells the player the connection is lost.
    void OnError(const char* reason) override;
    // Dispatches by id to the handler of PacketLengthTable, which gets this connection.
    void HandlePacket(uint8_t* packet, int length) override;
    // Runs once, for the connect under way. Without one, a failed connect is a closed connection
    // for the next pass.
    void SetConnectDone(ConnectDone done) { connectDone_ = std::move(done); }

  protected:
    void OnConnected() override;
    void OnConnectFailed() override;

  private:
    void RunConnectDone(bool connected);
    ConnectDone connectDone_;
};

// Makes a new connection current (the old current one, when no record owns it, is queued for
// deletion). Null when it cannot be made.
CGameSock* CreateGameSock();
void EnsureGameSock();
CGameSock* GetCurrentConnection();
// A current game connection object exists.
bool HasGameSock();
void SetCurrentConnection(CGameSock* connection);
bool IsConnected();
bool HasOpenConnection();
// Closes the current connection's socket when open.
void Disconnect();
// The client ends this connection itself (a denial, a refusal). The current one is closed with the
// lost-connection watch off, so its record goes without "Connection lost" in the next pass; any other
// is closed, queued for deletion and its record removed, and the current one is left alone.
void EndConnection(CGameSock& connection);

// Queues a built packet on the current connection; nothing without one.
void SendPacket(PacketWriter& packet);
int ConnectGameSock(uint32_t address, uint16_t port);
void SetGameMode(bool on);
void SetGameSeedVariant(bool on);
// Marks the active shard record for reconnection in the next pass.
void RequestReconnect(uint32_t address, uint16_t port);
void QueueSocketForDeletion(CClientSock* connection);
bool IsQueuedForDeletion(const CClientSock* connection);

// The record whose connection is being served or whose packet is being dispatched; null outside.
ShardRecord* GetActiveShardRecord();
void SetActiveShardRecord(ShardRecord* record);

// Sees every packet the dispatcher accepts, before its handler (diagnostics and tests).
using PacketObserver = void (*)(const uint8_t* packet, int length);
void SetPacketObserver(PacketObserver observer);

// Once per main-loop pass.
void PollNetwork();
// Once per world step: 0x73 once 61 s have passed since the last one, while in the world.
void SendKeepAlive();
// At exit: every connection is closed and deleted.
void ShutdownNetwork();

// Set once the player is in the world.
bool IsInWorld();
void SetInWorld(bool inWorld);

// Set when a login or game connection is made; cleared when the client ends the connection itself,
// so that its close is not reported as a lost connection.
void SetLostConnectionWatch(bool on);
bool IsWatchingLostConnection();

// Deletes every connection and shard record and clears the module state, for tests.
void ResetNetworkForTests();
