#include "platform/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace platform {

namespace {

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

bool WaitFor(int fd, short events, uint32_t timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, static_cast<int>(timeoutMs));
        if (r >= 0) return r > 0;
        if (errno != EINTR) return false;
    }
}

void SetError(int* error, int value) {
    if (error) *error = value;
}

} // namespace

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

TcpSocket::~TcpSocket() {
    Close();
}

void TcpSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

TcpSocket TcpSocket::Listen(uint32_t address, uint16_t port, int* error) {
    SetError(error, 0);
    TcpSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.IsOpen()) {
        SetError(error, errno);
        return s;
    }
    const int on = 1;
    ::setsockopt(s.fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = MakeAddress(address, port);
    if (::bind(s.fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s.fd_, 16) != 0) {
        SetError(error, errno);
        s.Close();
    }
    return s;
}

TcpSocket TcpSocket::Connect(uint32_t address, uint16_t port, uint32_t timeoutMs, int* error) {
    SetError(error, 0);
    TcpSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s.IsOpen()) {
        SetError(error, errno);
        return s;
    }
    const sockaddr_in sa = MakeAddress(address, port);
    int result = ::connect(s.fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (result != 0 && errno == EINPROGRESS) {
        if (!WaitFor(s.fd_, POLLOUT, timeoutMs)) {
            SetError(error, ETIMEDOUT);
            s.Close();
            return s;
        }
        int soError = 0;
        socklen_t size = sizeof soError;
        ::getsockopt(s.fd_, SOL_SOCKET, SO_ERROR, &soError, &size);
        result = soError == 0 ? 0 : -1;
        errno = soError;
    }
    if (result != 0) {
        SetError(error, errno);
        s.Close();
        return s;
    }
    ::fcntl(s.fd_, F_SETFL, ::fcntl(s.fd_, F_GETFL) & ~O_NONBLOCK);
    const int on = 1;
    ::setsockopt(s.fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

TcpSocket TcpSocket::Accept(uint32_t timeoutMs) {
    if (!IsOpen() || !WaitFor(fd_, POLLIN, timeoutMs)) return TcpSocket();
    TcpSocket s(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (s.IsOpen()) {
        const int on = 1;
        ::setsockopt(s.fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return s;
}

long TcpSocket::Receive(void* buffer, size_t size, uint32_t timeoutMs) {
    if (!IsOpen()) return kFailed;
    if (!WaitFor(fd_, POLLIN, timeoutMs)) return kTimedOut;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) return kFailed;
    }
}

bool TcpSocket::SendAll(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

uint16_t TcpSocket::LocalPort() const {
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    if (!IsOpen() || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &size) != 0) return 0;
    return ntohs(sa.sin_port);
}

uint32_t LocalIPv4Address() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return 0;
    const auto* sa = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const uint32_t address = ntohl(sa->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return address;
}

} // namespace platform
