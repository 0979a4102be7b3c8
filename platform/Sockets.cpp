// Sockets over POSIX, reporting failures with the WinSock codes the client prints.
#include "platform/platform.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

thread_local int t_lastError = 0;

int Fail(int errnoValue) {
    t_lastError = SocketErrorFromErrno(errnoValue);
    return -1;
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

} // namespace

int LastSocketError() {
    return t_lastError;
}

int SocketErrorFromErrno(int e) {
    switch (e) {
    case 0:
        return 0;
    case EINTR:
        return WSAEINTR;
    case EACCES:
        return WSAEACCES;
    case EFAULT:
        return WSAEFAULT;
    case EINVAL:
        return WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK:
        return WSAEWOULDBLOCK;
    case EINPROGRESS:
        return WSAEINPROGRESS;
    case EALREADY:
        return WSAEALREADY;
    case ENOTSOCK:
    case EBADF:
        return WSAENOTSOCK;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EPROTOTYPE:
        return WSAEPROTOTYPE;
    case EOPNOTSUPP:
        return WSAEOPNOTSUPP;
    case EAFNOSUPPORT:
        return WSAEAFNOSUPPORT;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ENETRESET:
        return WSAENETRESET;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
        return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
        return WSAENOBUFS;
    case EISCONN:
        return WSAEISCONN;
    case ENOTCONN:
        return WSAENOTCONN;
    case ESHUTDOWN:
    case EPIPE:
        return WSAESHUTDOWN;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN:
        return WSAEHOSTUNREACH;
    default:
        return 100000 + e; // no WinSock name: reported as an unknown error
    }
}

SocketHandle OpenTcpSocket() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return Fail(errno);
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one); // packets are small and interactive
    return s;
}

SocketHandle OpenUdpSocket() {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return s < 0 ? Fail(errno) : s;
}

void CloseSocket(SocketHandle s) {
    if (s < 0) return;
    UnwatchSocket(s); // before the number can be handed out again
    ::close(s);
}

bool SetSocketNonBlocking(SocketHandle s, bool nonBlocking) {
    int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0) return Fail(errno), false;
    flags = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (::fcntl(s, F_SETFL, flags) != 0) return Fail(errno), false;
    return true;
}

bool ConnectSocket(SocketHandle s, uint32_t address, uint16_t port, uint32_t timeoutMs) {
    int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0) return Fail(errno), false;
    bool wasBlocking = (flags & O_NONBLOCK) == 0;
    if (wasBlocking && !SetSocketNonBlocking(s, true)) return false;
    sockaddr_in sa = MakeAddress(address, port);
    int rc = ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    int err = rc == 0 ? 0 : errno;
    if (rc != 0 && err == EINPROGRESS) {
        pollfd p{s, POLLOUT, 0};
        int ready;
        do {
            ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            err = ETIMEDOUT;
        } else if (ready < 0) {
            err = errno;
        } else {
            socklen_t len = sizeof err;
            if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        }
    }
    if (wasBlocking) SetSocketNonBlocking(s, false);
    if (err != 0) return Fail(err), false;
    return true;
}

int StartConnect(SocketHandle s, uint32_t address, uint16_t port) {
    sockaddr_in sa = MakeAddress(address, port);
    int rc;
    do {
        rc = ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) return 1;
    if (errno == EINPROGRESS || errno == EALREADY) return 0;
    return Fail(errno);
}

int ConnectOutcome(SocketHandle s) {
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err == 0) return 0;
    Fail(err);
    return t_lastError;
}

int SendBytes(SocketHandle s, const void* data, size_t size) {
    ssize_t n;
    do {
        n = ::send(s, data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail(errno) : static_cast<int>(n);
}

int ReceiveBytes(SocketHandle s, void* data, size_t size) {
    ssize_t n;
    do {
        n = ::recv(s, data, size, 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? Fail(errno) : static_cast<int>(n);
}

bool PollSocket(SocketHandle s, bool wantWrite, SocketReadiness& out) {
    out = SocketReadiness{};
    if (s < 0) return Fail(EBADF), false;
    pollfd p{s, static_cast<short>(POLLIN | POLLPRI | (wantWrite ? POLLOUT : 0)), 0};
    int ready = ::poll(&p, 1, 0);
    if (ready < 0) return Fail(errno), false;
    // A closed or reset peer shows as readable: the receive then tells which it was.
    out.readable = (p.revents & (POLLIN | POLLHUP)) != 0;
    out.writable = (p.revents & POLLOUT) != 0;
    out.exception = (p.revents & (POLLERR | POLLNVAL)) != 0;
    return true;
}

bool WaitSocketReadable(SocketHandle s, uint32_t timeoutMs) {
    pollfd p{s, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool WaitAnySocketReadable(const std::vector<SocketHandle>& sockets, uint32_t timeoutMs) {
    std::vector<pollfd> polls;
    for (SocketHandle s : sockets)
        if (s >= 0) polls.push_back(pollfd{s, POLLIN, 0});
    int ready;
    do {
        ready = ::poll(polls.data(), polls.size(), static_cast<int>(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool BindSocket(SocketHandle s, uint32_t address, uint16_t port) {
    sockaddr_in sa = MakeAddress(address, port);
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return Fail(errno), false;
    return true;
}

uint16_t BoundPort(SocketHandle s) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return 0;
    return ntohs(sa.sin_port);
}

int SendDatagram(SocketHandle s, const void* data, size_t size, uint32_t address, uint16_t port) {
    sockaddr_in sa = MakeAddress(address, port);
    ssize_t n = ::sendto(s, data, size, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    return n < 0 ? Fail(errno) : static_cast<int>(n);
}

int ReceiveDatagram(SocketHandle s, void* data, size_t size, uint32_t* fromAddress, uint16_t* fromPort) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ssize_t n = ::recvfrom(s, data, size, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sa), &len);
    if (n < 0) return Fail(errno);
    if (fromAddress) *fromAddress = ntohl(sa.sin_addr.s_addr);
    if (fromPort) *fromPort = ntohs(sa.sin_port);
    return static_cast<int>(n);
}

SocketHandle ListenTcp(uint32_t address, uint16_t port, int backlog) {
    SocketHandle s = OpenTcpSocket();
    if (s < 0) return kInvalidSocket;
    int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (!BindSocket(s, address, port) || ::listen(s, backlog) != 0 || !SetSocketNonBlocking(s, true)) {
        int e = errno;
        ::close(s);
        return Fail(e);
    }
    return s;
}

SocketHandle AcceptConnection(SocketHandle listener, uint32_t* peerAddress, uint16_t* peerPort) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    int s = ::accept4(listener, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
    if (s < 0) return Fail(errno);
    int one = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (peerAddress) *peerAddress = ntohl(sa.sin_addr.s_addr);
    if (peerPort) *peerPort = ntohs(sa.sin_port);
    return s;
}

std::optional<uint32_t> ResolveHostIPv4(std::string_view name) {
    std::string host(name);
    in_addr numeric{};
    if (::inet_pton(AF_INET, host.c_str(), &numeric) == 1) return ntohl(numeric.s_addr);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result) return std::nullopt;
    uint32_t address = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(result);
    return address;
}

std::vector<uint32_t> ResolveHostIPv4All(std::string_view name) {
    std::string host(name);
    in_addr numeric{};
    if (::inet_pton(AF_INET, host.c_str(), &numeric) == 1) return {ntohl(numeric.s_addr)};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    std::vector<uint32_t> addresses;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0) return addresses;
    for (addrinfo* entry = result; entry; entry = entry->ai_next)
        addresses.push_back(ntohl(reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr));
    ::freeaddrinfo(result);
    return addresses;
}

uint32_t GetLocalAddress() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return 0;
    return ResolveHostIPv4(name).value_or(0);
}

} // namespace platform
