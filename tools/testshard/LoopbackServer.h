#pragma once
// A loopback TCP server on its own thread: takes client connections one after another, reads the
// seed, deciphers and frames what the client sends, and keeps every packet; can answer in the
// client's phase (compressed and keyed in the game phase).
#include "testshard/Wire.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sockets.h"

namespace testshard {

struct ReceivedPacket {
    int connection = 0; // 1 for the first client, counting up
    Phase phase = Phase::Unknown;
    uint32_t seed = 0;
    std::vector<uint8_t> bytes; // deciphered, length field as sent
};

class LoopbackServer {
  public:
    LoopbackServer() = default;
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port). phase: what clients are expected to speak;
    // Phase::Unknown lets each connection's first packet decide.
    bool Start(uint16_t port, Phase phase = Phase::Unknown);
    void Stop();
    uint16_t port() const { return port_; }

    // Called on the server thread with one line per event ("connection 1: packet 0x80 ...").
    void SetLog(std::function<void(const std::string&)> log);

    std::vector<ReceivedPacket> Packets() const;
    // Waits until at least count packets have arrived; false on time-out.
    bool WaitForPackets(size_t count, uint32_t timeoutMs) const;
    // Sends a packet to the connected client in its phase; false without a client whose phase is known.
    bool Send(const std::vector<uint8_t>& packet);

  private:
    void Run();
    void Serve(platform::TcpSocket& client, int number);
    void Log(const std::string& line);

    platform::TcpSocket listener_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    uint16_t port_ = 0;
    Phase phase_ = Phase::Unknown;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<ReceivedPacket> packets_;
    std::function<void(const std::string&)> log_;
    platform::TcpSocket* client_ = nullptr; // the connection being served
    ServerStream out_;
    bool outReady_ = false;
};

} // namespace testshard
