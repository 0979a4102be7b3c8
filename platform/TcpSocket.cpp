#include "platform/sockets.h"

#include <utility>

namespace platform {

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TcpSocket::~TcpSocket() { Close(); }

void TcpSocket::Close() {
    CloseSocket(fd_);
    fd_ = -1;
}

TcpSocket TcpSocket::Listen(uint32_t address, uint16_t port, int* error) {
    SocketHandle s = ListenTcp(address, port);
    if (s == kInvalidSocket && error) *error = LastSocketError();
    return TcpSocket(s);
}

TcpSocket TcpSocket::Connect(uint32_t address, uint16_t port, uint32_t timeoutMs, int* error) {
    SocketHandle s = OpenTcpSocket();
    if (s == kInvalidSocket || !ConnectSocket(s, address, port, timeoutMs)) {
        if (error) *error = LastSocketError();
        CloseSocket(s);
        return TcpSocket();
    }
    return TcpSocket(s);
}

TcpSocket TcpSocket::Accept(uint32_t timeoutMs) {
    if (fd_ < 0 || !WaitSocketReadable(fd_, timeoutMs)) return TcpSocket();
    SocketHandle s = AcceptConnection(fd_);
    if (s == kInvalidSocket) return TcpSocket();
    SetSocketNonBlocking(s, false); // a stream of this wrapper blocks
    return TcpSocket(s);
}

long TcpSocket::Receive(void* buffer, size_t size, uint32_t timeoutMs) {
    if (fd_ < 0) return kFailed;
    if (!WaitSocketReadable(fd_, timeoutMs)) return kTimedOut;
    int n = ReceiveBytes(fd_, buffer, size);
    return n < 0 ? kFailed : n;
}

bool TcpSocket::SendAll(const void* data, size_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        int n = SendBytes(fd_, p, size);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

uint16_t TcpSocket::LocalPort() const { return fd_ < 0 ? 0 : BoundPort(fd_); }

} // namespace platform
