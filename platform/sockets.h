#pragma once
// A small blocking TCP stream over the socket functions of platform.h, for the test server and
// tests. The client's connections use those functions directly.
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// A TCP socket handle, closed when destroyed. Addresses and ports are in host order.
class TcpSocket {
  public:
    TcpSocket() = default;
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    ~TcpSocket();

    // Listens on the address (0 = every interface) and port (0 = any free port).
    static TcpSocket Listen(uint32_t address, uint16_t port, int* error = nullptr);
    // Connects, waiting at most timeoutMs; the socket stays blocking.
    static TcpSocket Connect(uint32_t address, uint16_t port, uint32_t timeoutMs, int* error = nullptr);

    // The next incoming connection, or a closed socket when none came within timeoutMs.
    TcpSocket Accept(uint32_t timeoutMs);

    // Waits at most timeoutMs for bytes, then reads what is there: the count read, 0 when the peer
    // closed, kTimedOut when nothing came, kFailed on an error.
    static constexpr long kTimedOut = -2;
    static constexpr long kFailed = -1;
    long Receive(void* buffer, size_t size, uint32_t timeoutMs);
    // Sends every byte (waiting as needed); false on an error.
    bool SendAll(const void* data, size_t size);

    uint16_t LocalPort() const;
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

  private:
    explicit TcpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace platform
