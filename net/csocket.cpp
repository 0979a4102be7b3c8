#include "net/csocket.h"

#include "core/QVReport.h"
#include "net/ConnectionSeed.h"
#include "net/PacketBuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

struct SocketSettings {
    bool quiet = false;
    bool editServer = false;
    uint32_t editAddress = 0;
    uint16_t editPort = 0;
};
SocketSettings g_settings;

uint32_t NextConnectionId() {
    static uint32_t next = 0;
    return ++next;
}

// FlushAll gives up after this long without the buffer emptying (a peer that stopped reading).
constexpr uint32_t kFlushAllLimitMs = 5000;

struct ErrorText {
    int code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {platform::WSAEINTR, "The (blocking) call was canceled through WSACancelBlockingCall."},
    {platform::WSAEACCES, "Attempt to connect datagram socket to broadcast address failed because setsockopt "
                          "option SO_BROADCAST is not enabled."},
    {platform::WSAEFAULT,
     "The name or the namelen parameter is not a valid part of the user address space, the namelen "
     "parameter is too small, or the name parameter contains incorrect address format for the "
     "associated address family."},
    {platform::WSAEINVAL, "The socket is already bound to an address."},
    {platform::WSAEMFILE, "No more socket descriptors are available."},
    {platform::WSAEWOULDBLOCK,
     "The socket is marked as nonblocking and no connections are present to be accepted."},
    {platform::WSAEINPROGRESS,
     "A blocking Windows Sockets 1.1 call is in progress, or the service provider is "
     "still processing a callback function."},
    {platform::WSAEALREADY,
     "A nonblocking connect call is in progress on the specified socket. Note In order to preserve "
     "backward compatibility, this error is reported as WSAEINVAL to Windows Sockets 1.1 applications "
     "that link to either Winsock.dll or Wsock32.dll."},
    {platform::WSAENOTSOCK, "The descriptor is not a socket."},
    {platform::WSAEMSGSIZE, "The socket is message oriented, and the message is larger than the maximum "
                            "supported by the underlying transport."},
    {platform::WSAEPROTOTYPE, "The specified protocol is the wrong type for this socket."},
    {platform::WSAEOPNOTSUPP, "The referenced socket is not of a type that supports the listen operation."},
    {platform::WSAEAFNOSUPPORT, "The specified address family is not supported."},
    {platform::WSAEADDRINUSE,
     "The specified address is already in use. (See the SO_REUSEADDR socket option under setsockopt.)"},
    {platform::WSAEADDRNOTAVAIL, "The specified address is not available from the local machine."},
    {platform::WSAENETDOWN, "The network subsystem or the associated service provider has failed."},
    {platform::WSAENETUNREACH, "The network cannot be reached from this host at this time."},
    {platform::WSAENETRESET, "The connection has been broken due to the remote host resetting."},
    {platform::WSAECONNABORTED, "The virtual circuit was terminated due to a time-out or other failure. The "
                                "application should close the socket as it is no longer usable."},
    {platform::WSAECONNRESET,
     "The virtual circuit was reset by the remote side executing a 'hard' or 'abortive' close. The "
     "application should close the socket as it is no longer usable. On a UDP-datagram socket this "
     "error would indicate that a previous send operation resulted in an ICMP 'Port Unreachable' "
     "message."},
    {platform::WSAENOBUFS, "No buffer space is available. The socket cannot be created."},
    {platform::WSAEISCONN, "The socket is already connected."},
    {platform::WSAENOTCONN, "The socket is not connected."},
    {platform::WSAESHUTDOWN, "The socket has been shut down; it is not possible to send on a socket after "
                             "shutdown has been invoked with how set to SD_SEND or SD_BOTH."},
    {platform::WSAETIMEDOUT, "Attempt to connect timed out without establishing a connection."},
    {platform::WSAECONNREFUSED, "The attempt to connect was forcefully rejected."},
    {platform::WSAEHOSTUNREACH, "The remote host cannot be reached from this host at this time."},
    {10093, "A successful WSAStartup must occur before using this function."},
};

} // namespace

// ---------------------------------------------------------------- settings

void SetNetworkQuiet(bool quiet) {
    g_settings.quiet = quiet;
}
bool IsNetworkQuiet() {
    return g_settings.quiet;
}
void SetEditServer(bool configured, uint32_t address, uint16_t port) {
    g_settings.editServer = configured;
    g_settings.editAddress = address;
    g_settings.editPort = port;
}
bool IsEditServerConfigured() {
    return g_settings.editServer;
}
uint32_t GetEditServerAddress() {
    return g_settings.editAddress;
}
uint16_t GetEditServerPort() {
    return g_settings.editPort;
}
void ResetSocketSettings() {
    g_settings = SocketSettings{};
}

const char* SocketErrorText(int code) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.code == code) return entry.text;
    return "UNKNOWN ERROR.";
}

// ---------------------------------------------------------------- statistics

CTrafficMeter::CTrafficMeter() {
    first_ = next_ = platform::TickCount() / kSlotMs;
}

void CTrafficMeter::Add(uint32_t length) {
    AddAt(length, platform::TickCount());
}

void CTrafficMeter::AddAt(uint32_t length, uint32_t ticks) {
    const uint32_t slot = ticks / kSlotMs;
    if (length == 0) return;
    if (slot < first_) {
        // Late bytes of an older slot are ignored; a tick count that wrapped starts a new window.
        if (first_ - slot <= kWindowSlots) return;
        first_ = next_ = slot;
        slots_.clear();
    }
    if (slot >= next_ + kWindowSlots) {
        first_ = next_ = slot;
        slots_.clear();
    }
    if (first_ == next_) {
        first_ = next_ = slot;
        slots_.clear();
    }
    for (; next_ <= slot; ++next_)
        slots_.push_back(0);
    slots_[slot - first_] += length;
    if (next_ - first_ > kWindowSlots) {
        const uint32_t drop = next_ - first_ - kWindowSlots;
        slots_.erase(slots_.begin(), slots_.begin() + drop);
        first_ = next_ - kWindowSlots;
    }
}

uint64_t CTrafficMeter::Total() const {
    uint64_t total = 0;
    for (uint32_t slot : slots_)
        total += slot;
    return total;
}

void CPacketStats::Add(uint8_t id, uint32_t length) {
    Entry& entry = entries_[id];
    ++entry.count;
    entry.bytes += length;
    ids_.insert(id);
    changed_ = true;
}

void CByteCounter::Add(uint32_t length) {
    if (count_ == 0) firstTick_ = platform::TickCount();
    ++count_;
    total_ += length;
}

// ---------------------------------------------------------------- socket holders

void CSocketBase::Reset() {
    handle_ = platform::kInvalidSocket;
}

CSocketBase::~CSocketBase() {
    if (handle_ != platform::kInvalidSocket) platform::CloseSocket(handle_);
    handle_ = platform::kInvalidSocket;
}

void CSocketBase::Close() {
    if (handle_ != platform::kInvalidSocket) platform::CloseSocket(handle_);
    Reset();
}

CSocket::CSocket() {
    QVReport::message("CSocket::CSocket() begin.\n");
}

CSocket::~CSocket() = default;

bool CSocket::SetNonBlocking() {
    return IsOpen() && platform::SetSocketNonBlocking(handle_, true);
}

bool CSocket::SetBlocking() {
    return IsOpen() && platform::SetSocketNonBlocking(handle_, false);
}

// ---------------------------------------------------------------- CClientSock

CClientSock::CClientSock()
    : id_(NextConnectionId()), framer_(*this), rawBuffer_(new uint8_t[kBufferSize]),
      sendBuffer_(new uint8_t[kBufferSize]) {
    QVReport::message("GroupedPackets::GroupedPackets(): begin.\n");
    QVReport::message("CClientSock::CClientSock(): begin.\n");
    BuildHuffmanTree();
}

CClientSock::~CClientSock() = default;

void CClientSock::ClearBuffers() {
    sendEncrypted_ = 0;
    rawFill_ = 0;
    sendFill_ = 0;
    framer_.Reset();
    gameCipher_.ResetPosition();
    receiveKey_.ResetIndex();
}

void CClientSock::Reset() {
    secondaryShard_ = false;
    loggedIn_ = false;
    seedVariant_ = false;
    gameMode_ = false;
    framer_.SetGameMode(false);
    loginCipher_.Reset();
    ClearBuffers();
    state_ = LinkState::Closed;
    CSocket::Reset();
}

void CClientSock::OnError(const char*) {}

void CClientSock::HandlePacket(uint8_t*, int) {}

void CClientSock::OnStreamBroken(const char* reason) {
    QVReport::error("CClientSock::ProcessReceived: %s; closing the connection\n", reason);
    Close();
    OnError(reason);
}

void CClientSock::SetGameMode(bool on) {
    // Bytes queued before the switch keep the cipher of the phase they were queued in.
    if (on != gameMode_) EncipherQueued();
    gameMode_ = on;
    framer_.SetGameMode(on);
}

int CClientSock::Connect(uint32_t address, uint16_t port, bool keepQueued) {
    // Queued bytes not yet enciphered can still go to another server.
    const int queued = keepQueued && sendEncrypted_ == 0 ? sendFill_ : 0;
    if (IsOpen()) Close();
    ClearBuffers();
    sendFill_ = queued;
    pendingError_ = nullptr;

    handle_ = platform::OpenTcpSocket();
    if (handle_ == platform::kInvalidSocket) return 0;
    if (!SetNonBlocking() || platform::StartConnect(handle_, address, port) < 0) {
        platform::CloseSocket(handle_);
        handle_ = platform::kInvalidSocket;
        return 0;
    }
    peerAddress_ = address;
    peerPort_ = port;
    // Once per connection: the packets that carry the local address read it from here.
    RefreshLocalAddress();

    if (IsEditServerConfigured()) {
        encrypted_ = false;
    } else {
        encrypted_ = true;
        const uint32_t seed = DetermineConnectionSeed();
        seedBytes_ = ConnectionSeedBytes(seed);
        loginCipher_.Init(seed);
        gameCipher_.Init(GameCipherKey(seed, seedVariant_));
        receiveKey_.Init(gameCipher_.GetBlock());
    }
    state_ = LinkState::Connecting;
    connectStart_ = platform::TickCount();
    UpdateWatch();
    return 1;
}

void CClientSock::AdvanceConnect() {
    platform::SocketReadiness ready;
    if (!platform::PollSocket(handle_, true, ready)) return;
    if (ready.writable || ready.exception) {
        const int code = platform::ConnectOutcome(handle_);
        if (code == 0)
            FinishConnect();
        else
            FailConnect(code);
        return;
    }
    if (platform::TickCount() - connectStart_ >= kConnectTimeoutMs) FailConnect(platform::WSAETIMEDOUT);
}

void CClientSock::FinishConnect() {
    state_ = LinkState::Connected;
    if (encrypted_) {
        if (platform::SendBytes(handle_, seedBytes_.data(), seedBytes_.size()) !=
            static_cast<int>(seedBytes_.size())) {
            Close();
            OnError("socket error in send");
            return;
        }
        CountSentBytes(static_cast<uint32_t>(seedBytes_.size()));
    }
    lastReceived_ = lastSent_ = platform::TickCount();
    OnConnected();
}

void CClientSock::FailConnect(int code) {
    QVReport::message("CClientSock::Connect: no connection to %u.%u.%u.%u:%u: %s\n", peerAddress_ >> 24,
                      (peerAddress_ >> 16) & 0xFF, (peerAddress_ >> 8) & 0xFF, peerAddress_ & 0xFF, peerPort_,
                      SocketErrorText(code));
    // The connection's flags and its queue stay: the caller may try again with them.
    platform::CloseSocket(handle_);
    handle_ = platform::kInvalidSocket;
    state_ = LinkState::Closed;
    OnConnectFailed();
}

const char* CClientSock::StallReason(uint32_t now) const {
    // Bits of a code count as much as whole bytes: a stall after the first compressed byte of a
    // packet, before it yields a byte, would otherwise wait for ever.
    const bool partial =
        framer_.BufferedLength() > framer_.ReadOffset() || framer_.IsGrouping() || framer_.InsideCode();
    if (partial && now - lastReceived_ >= kStallTimeoutMs)
        return "the server stopped in the middle of a packet";
    if (sendFill_ > 0 && now - lastSent_ >= kStallTimeoutMs) return "the server stopped taking data";
    return nullptr;
}

void CClientSock::UpdateWatch() {
    if (!IsOpen()) {
        phaseDeadline_.Clear();
        return;
    }
    platform::WatchSocket(handle_, state_ == LinkState::Connecting || sendFill_ > 0);
    if (state_ == LinkState::Connecting) {
        phaseDeadline_.Set(connectStart_ + kConnectTimeoutMs);
        return;
    }
    const bool partial = framer_.BufferedLength() > framer_.ReadOffset() || framer_.IsGrouping();
    // The earlier of the two stall clocks runs out first.
    bool stalling = partial;
    uint32_t since = lastReceived_;
    if (sendFill_ > 0 && (!stalling || static_cast<int32_t>(lastSent_ - since) < 0)) {
        since = lastSent_;
        stalling = true;
    }
    if (stalling)
        phaseDeadline_.Set(since + kStallTimeoutMs);
    else
        phaseDeadline_.Clear();
}

void CClientSock::Poll() {
    // Whatever this pass did, the main loop's wait then watches the socket for the next phase.
    struct WatchAfter {
        CClientSock* self;
        ~WatchAfter() { self->UpdateWatch(); }
    } watchAfter{this};
    if (pendingError_) {
        const char* reason = pendingError_;
        pendingError_ = nullptr;
        OnError(reason);
        return;
    }
    if (!IsOpen()) {
        if (!IsNetworkQuiet()) OnError("dunno, select with invalid socket");
        return;
    }
    if (state_ == LinkState::Connecting) {
        AdvanceConnect();
        if (state_ != LinkState::Connected || !IsOpen()) return;
    }
    platform::SocketReadiness ready;
    if (!platform::PollSocket(handle_, sendFill_ > 0, ready)) return;
    if (ready.exception) {
        Close();
        OnError("exception state on socket");
        return;
    }

    bool peerClosed = false;
    if (ready.readable) {
        while (rawFill_ < kBufferSize) {
            const int n = platform::ReceiveBytes(handle_, rawBuffer_.get() + rawFill_,
                                                 static_cast<size_t>(kBufferSize - rawFill_));
            if (n == 0) {
                peerClosed = true;
                break;
            }
            if (n < 0) {
                const int code = platform::LastSocketError();
                if (code == platform::WSAEWOULDBLOCK) break;
                ReportSocketError(code);
                Close();
                OnError("Exiting due to closed connection.");
                return;
            }
            if (encrypted_ && gameMode_)
                receiveKey_.Apply(rawBuffer_.get() + rawFill_, static_cast<size_t>(n));
            rawFill_ += n;
            CountReceivedBytes(static_cast<uint32_t>(n));
            lastReceived_ = platform::TickCount();
        }
    }

    if (ready.writable) {
        Flush();
        if (!IsOpen()) return;
    }
    if (rawFill_ > 0) ProcessReceived();

    // The server's last bytes are handled first; then the connection ends like a failed one.
    if (peerClosed && IsOpen()) {
        QVReport::message("CClientSock::Poll: the server closed the connection.\n");
        Close();
        OnError("Exiting due to closed connection.");
        return;
    }
    if (!IsOpen()) return;
    if (const char* reason = StallReason(platform::TickCount())) {
        QVReport::error("CClientSock::Poll: %s for %u s; closing the connection\n", reason,
                        kStallTimeoutMs / 1000);
        Close();
        OnError(reason);
    }
}

void CClientSock::ProcessReceived() {
    const int fill = rawFill_;
    rawFill_ = 0;
    framer_.ProcessReceived(rawBuffer_.get(), static_cast<size_t>(fill));
}

void CClientSock::Send(PacketWriter& packet) {
    const int length = GetPacketLength(packet);
    sentPackets_.Add(packet.id(), static_cast<uint32_t>(length));
    sentBytes_.Add(static_cast<uint32_t>(length));
    const std::span<const uint8_t> wire = FinishPacket(packet);
    if (wire.empty()) {
        QVReport::error("CClientSock::Send: packet 0x%02X was not built completely; dropped\n", packet.id());
        return;
    }
    Send(wire);
}

void CClientSock::Send(std::span<const uint8_t> wire) {
    if (wire.empty()) return;
    if (static_cast<size_t>(sendFill_) + wire.size() > static_cast<size_t>(kBufferSize)) {
        // Dropping the packet would leave client and server out of step: the connection ends, and
        // the next pass reports it (the sender may be a handler in the middle of its work).
        QVReport::error("CClientSock::Send: the send buffer holds %d bytes; packet 0x%02X (%zu bytes) does "
                        "not fit; closing the connection\n",
                        sendFill_, wire[0], wire.size());
        if (IsOpen()) {
            Close();
            pendingError_ = "the send buffer is full";
        }
        return;
    }
    if (sendFill_ == 0) lastSent_ = platform::TickCount();
    // Enciphered when they leave (Flush) or when the phase changes, so that bytes queued while a
    // connect is under way can still go to another server.
    std::memcpy(sendBuffer_.get() + sendFill_, wire.data(), wire.size());
    sendFill_ += static_cast<int>(wire.size());
    if (IsOpen()) platform::WatchSocket(handle_, true); // the next wait ends when it can leave
}

void CClientSock::EncipherQueued() {
    if (!encrypted_ || sendEncrypted_ >= sendFill_) return;
    uint8_t* from = sendBuffer_.get() + sendEncrypted_;
    const size_t count = static_cast<size_t>(sendFill_ - sendEncrypted_);
    if (gameMode_)
        gameCipher_.Crypt(from, count);
    else
        loginCipher_.Crypt(from, count);
    sendEncrypted_ = sendFill_;
}

bool CClientSock::Flush() {
    if (!IsOpen()) {
        if (!IsNetworkQuiet()) OnError("dunno, select with invalid socket");
        return false;
    }
    if (sendFill_ == 0) return false;
    // The bytes wait for the connect; the seed goes first.
    if (state_ == LinkState::Connecting) return true;
    EncipherQueued();
    const int sent = platform::SendBytes(handle_, sendBuffer_.get(), static_cast<size_t>(sendFill_));
    if (sent < 0) {
        const int code = platform::LastSocketError();
        // The socket is full or the call was interrupted: the bytes go in a later pass.
        if (code == platform::WSAEWOULDBLOCK || code == platform::WSAEINTR) return true;
        ReportSocketError(code);
        Close();
        OnError("socket error in send");
        return false;
    }
    std::memmove(sendBuffer_.get(), sendBuffer_.get() + sent, static_cast<size_t>(sendFill_ - sent));
    sendFill_ -= sent;
    sendEncrypted_ = std::max(0, sendEncrypted_ - sent);
    CountSentBytes(static_cast<uint32_t>(sent));
    if (sent > 0) lastSent_ = platform::TickCount();
    return sendFill_ > 0;
}

void CClientSock::FlushAll() {
    if (state_ == LinkState::Connecting) return;
    const uint32_t start = platform::TickCount();
    while (Flush()) {
        if (platform::TickCount() - start > kFlushAllLimitMs) {
            QVReport::warning("CClientSock::FlushAll: %d bytes could not be sent\n", sendFill_);
            return;
        }
        if (IsOpen()) {
            platform::SocketReadiness ready;
            platform::PollSocket(handle_, true, ready);
            if (!ready.writable) platform::SleepMillis(1);
        }
    }
}

void CClientSock::CountReceivedPacket(const uint8_t* packet, int length) {
    if (length < 1) return;
    receivedPackets_.Add(packet[0], static_cast<uint32_t>(length));
    receivedBytes_.Add(static_cast<uint32_t>(length));
}

void CClientSock::ReportSocketError(int code) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s", SocketErrorText(code));
    DebugTrace("csocket", 519, text);
}
