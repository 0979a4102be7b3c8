#pragma once
// The client's TCP connections: the socket holder classes, the per-connection statistics, and
// CClientSock with its receive and send buffers, its ciphers and its framer. Everything here runs
// on the main thread inside the network pass or inside the handlers it calls.
#include "net/GameCipher.h"
#include "net/LoginCipher.h"
#include "net/PacketFramer.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <span>

class PacketWriter;

// Bytes per one-second slot over the last 60 slots.
class CTrafficMeter {
  public:
    static constexpr uint32_t kSlotMs = 1000;
    static constexpr uint32_t kWindowSlots = 60;

    CTrafficMeter();
    void Add(uint32_t length);
    // Adds at an explicit tick count (the clock Add reads).
    void AddAt(uint32_t length, uint32_t ticks);

    uint32_t FirstSlot() const { return first_; }
    uint32_t NextSlot() const { return next_; }
    const std::deque<uint32_t>& Slots() const { return slots_; }
    uint64_t Total() const;

  private:
    uint32_t first_;
    uint32_t next_;
    std::deque<uint32_t> slots_;
};

class CPacketStats {
  public:
    struct Entry {
        uint32_t count = 0;
        uint64_t bytes = 0;
    };
    void Add(uint8_t id, uint32_t length);
    const std::map<uint8_t, Entry>& Entries() const { return entries_; }
    const std::set<uint8_t>& Ids() const { return ids_; }
    bool Changed() const { return changed_; }

  private:
    std::map<uint8_t, Entry> entries_;
    std::set<uint8_t> ids_;
    bool changed_ = false;
};

class CByteCounter {
  public:
    void Add(uint32_t length);
    uint32_t Count() const { return count_; }
    uint64_t Total() const { return total_; }
    uint32_t FirstTick() const { return firstTick_; }

  private:
    uint32_t count_ = 0;
    uint64_t total_ = 0;
    uint32_t firstTick_ = 0;
};

class CSocketBase {
  public:
    CSocketBase() = default;
    CSocketBase(const CSocketBase&) = delete;
    CSocketBase& operator=(const CSocketBase&) = delete;
    // Forgets the handle.
    virtual void Reset();
    virtual ~CSocketBase();
    // Closes the handle when open, then Reset.
    virtual void Close();

    platform::SocketHandle Handle() const { return handle_; }

  protected:
    platform::SocketHandle handle_ = platform::kInvalidSocket;
};

class CSocket : public CSocketBase {
  public:
    CSocket();
    ~CSocket() override;

    void CountSentBytes(uint32_t length) { sentMeter_.Add(length); }
    void CountReceivedBytes(uint32_t length) { receivedMeter_.Add(length); }
    bool IsOpen() const { return handle_ != platform::kInvalidSocket; }
    bool SetNonBlocking();
    bool SetBlocking();

    const CTrafficMeter& ReceivedMeter() const { return receivedMeter_; }
    const CTrafficMeter& SentMeter() const { return sentMeter_; }
    const CPacketStats& ReceivedPackets() const { return receivedPackets_; }
    const CPacketStats& SentPackets() const { return sentPackets_; }
    const CByteCounter& ReceivedBytes() const { return receivedBytes_; }
    const CByteCounter& SentBytes() const { return sentBytes_; }

  protected:
    CTrafficMeter receivedMeter_;
    CTrafficMeter sentMeter_;
    CPacketStats receivedPackets_;
    CPacketStats sentPackets_;
    CByteCounter receivedBytes_;
    CByteCounter sentBytes_;
};

// One connection to a login or game server. Nothing here waits: a connect is started by Connect and
// completed by the network pass (Poll), each phase of a connection under a deadline.
class CClientSock : public CSocket, public PacketSink {
  public:
    static constexpr int kBufferSize = 65536;
    // How long a connect may wait for the server before it counts as failed.
    static constexpr uint32_t kConnectTimeoutMs = 10000;
    // How long a packet begun by the server may wait for its rest, and queued bytes for the server
    // to take any of them, before the connection counts as lost.
    static constexpr uint32_t kStallTimeoutMs = 30000;

    enum class LinkState { Closed, Connecting, Connected };

    CClientSock();
    ~CClientSock() override;

    void Reset() override;
    // What the owner does when the connection fails; the reason is for the log only.
    virtual void OnError(const char* reason);
    // A framed packet (a variable packet's length in host order in bytes 1-2).
    void HandlePacket(uint8_t* packet, int length) override;

    // Starts a connect without waiting: 1 while it is under way, 0 when it failed at once. Packets
    // may be queued before the server answers; they leave after the seed. Poll completes the
    // connect (OnConnected) or gives it up on an error or after kConnectTimeoutMs (OnConnectFailed:
    // the socket closed, the connection's flags and queue kept). With keepQueued the bytes queued
    // for a connect that failed go to this one instead of being discarded.
    int Connect(uint32_t address, uint16_t port, bool keepQueued = false);
    LinkState State() const { return state_; }
    bool IsConnecting() const { return state_ == LinkState::Connecting; }
    bool IsEstablished() const { return state_ == LinkState::Connected; }
    // Once per network pass: advance a connect; receive what is there, send what is queued, frame
    // what was read; end a connection whose server stalled (kStallTimeoutMs).
    void Poll();
    // Queues one built packet (enciphered when it leaves, under the cipher of the phase it was queued in).
    // A packet that does not fit into the send buffer closes the connection (a lost packet would
    // leave client and server out of step); the next Poll reports it through OnError.
    void Send(PacketWriter& packet);
    void Send(std::span<const uint8_t> wire);
    // Sends what it can once; true while bytes remain.
    bool Flush();
    // Flushes until the buffer is empty, the connection fails, or a few seconds pass; nothing while
    // a connect is under way.
    void FlushAll();
    // Counts a packet the dispatcher accepted.
    void CountReceivedPacket(const uint8_t* packet, int length);

    static void ReportSocketError(int code);

    // Unique for the life of the process and never reused, unlike the object's address.
    uint32_t Id() const { return id_; }

    bool IsSecondaryShard() const { return secondaryShard_; }
    void SetSecondaryShard(bool on) { secondaryShard_ = on; }
    bool IsLoggedIn() const { return loggedIn_; }
    void SetLoggedIn(bool on) { loggedIn_ = on; }
    bool IsSeedVariant() const { return seedVariant_; }
    void SetSeedVariant(bool on) { seedVariant_ = on; }
    bool IsGameMode() const { return gameMode_; }
    // Bytes queued before the switch keep the cipher of the phase they were queued in.
    void SetGameMode(bool on);
    bool IsEncrypted() const { return encrypted_; }

    // The server this connection was last connected to (host order).
    uint32_t PeerAddress() const { return peerAddress_; }
    uint16_t PeerPort() const { return peerPort_; }

    int SendFill() const { return sendFill_; }
    int SendEncryptedCount() const { return sendEncrypted_; }
    const uint8_t* SendBuffer() const { return sendBuffer_.get(); }
    int RawFill() const { return rawFill_; }
    const PacketFramer& Framer() const { return framer_; }

    // PacketSink
    bool IsOpen() const override { return CSocket::IsOpen(); }
    void OnStreamBroken(const char* reason) override;

  protected:
    // The outcome of a connect started by Connect, from inside Poll.
    virtual void OnConnected() {}
    virtual void OnConnectFailed() {}
    // Takes the raw received bytes into the framer, which delivers every complete packet.
    void ProcessReceived();
    void ClearBuffers();

  private:
    void EncipherQueued();
    void AdvanceConnect();
    void FinishConnect();
    void FailConnect(int code);
    // A stalled server: a packet begun and not finished, or queued bytes it does not take.
    const char* StallReason(uint32_t now) const;
    // Tells the main loop's wait what this connection waits for: its socket, and the deadline of
    // its phase (the connect, a stalled packet or send).
    void UpdateWatch();

    uint32_t id_;
    LinkState state_ = LinkState::Closed;
    uint32_t connectStart_ = 0;
    platform::Deadline phaseDeadline_;
    uint32_t lastReceived_ = 0; // when bytes last arrived
    uint32_t lastSent_ = 0;     // when the server last took bytes, or the buffer was empty
    std::array<uint8_t, 4> seedBytes_{};
    const char* pendingError_ = nullptr; // reported by the next Poll
    bool secondaryShard_ = false;
    bool loggedIn_ = false;
    int sendEncrypted_ = 0;
    bool seedVariant_ = false;
    bool gameMode_ = false;
    PacketFramer framer_; // the decompressed packet buffer and the decoder's state
    std::unique_ptr<uint8_t[]> rawBuffer_;
    int rawFill_ = 0;
    std::unique_ptr<uint8_t[]> sendBuffer_;
    int sendFill_ = 0;
    LoginCipher loginCipher_;
    bool encrypted_ = false;
    CGameCipher gameCipher_;
    ReceiveKey receiveKey_;
    uint32_t peerAddress_ = 0;
    uint16_t peerPort_ = 0;
};

// The English text of a WinSock error code ("UNKNOWN ERROR." for others).
const char* SocketErrorText(int code);

// While set, an invalid socket is not an error (the client is closing sockets itself).
void SetNetworkQuiet(bool quiet);
bool IsNetworkQuiet();

// The "EditServer" address: when configured, connections send no seed and use no ciphers.
void SetEditServer(bool configured, uint32_t address = 0, uint16_t port = 0);
bool IsEditServerConfigured();
uint32_t GetEditServerAddress();
uint16_t GetEditServerPort();

// Back to the state of a fresh process (quiet flag, edit server), for tests.
void ResetSocketSettings();
