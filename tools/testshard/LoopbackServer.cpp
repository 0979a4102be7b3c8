#include "testshard/LoopbackServer.h"

#include <chrono>

namespace testshard {

namespace {
constexpr uint32_t kPollMs = 50;
}

LoopbackServer::~LoopbackServer() {
    Stop();
}

bool LoopbackServer::Start(uint16_t port, Phase phase) {
    Stop();
    listener_ = platform::TcpSocket::Listen(platform::kLoopback, port);
    if (!listener_.IsOpen()) return false;
    port_ = listener_.LocalPort();
    phase_ = phase;
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void LoopbackServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    listener_.Close();
}

void LoopbackServer::SetLog(std::function<void(const std::string&)> log) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_ = std::move(log);
}

void LoopbackServer::Log(const std::string& line) {
    std::function<void(const std::string&)> log;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log = log_;
    }
    if (log) log(line);
}

std::vector<ReceivedPacket> LoopbackServer::Packets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
}

bool LoopbackServer::WaitForPackets(size_t count, uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return packets_.size() >= count; });
}

bool LoopbackServer::Send(const std::vector<uint8_t>& packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!client_ || !outReady_) return false;
    const std::vector<uint8_t> bytes = out_.Encode(packet);
    return client_->SendAll(bytes.data(), bytes.size());
}

void LoopbackServer::Run() {
    int number = 0;
    while (!stopping_) {
        platform::TcpSocket client = listener_.Accept(kPollMs);
        if (!client.IsOpen()) continue;
        ++number;
        Log("connection " + std::to_string(number) + ": accepted");
        Serve(client, number);
        std::lock_guard<std::mutex> lock(mutex_);
        client_ = nullptr;
        outReady_ = false;
    }
}

void LoopbackServer::Serve(platform::TcpSocket& client, int number) {
    const std::string name = "connection " + std::to_string(number);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        client_ = &client;
        outReady_ = false;
    }
    ClientStream* streamPtr = nullptr;
    ClientStream stream(phase_, [&](const std::vector<uint8_t>& packet) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!outReady_) {
                const Phase phase = streamPtr->phase();
                if (phase == Phase::Login) out_.StartLogin();
                if (phase == Phase::Game || phase == Phase::GameVariant) {
                    const uint32_t seed = streamPtr->seed();
                    out_.StartGame({static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                                    static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed)},
                                   phase == Phase::GameVariant);
                }
                outReady_ = true;
            }
            packets_.push_back({number, streamPtr->phase(), streamPtr->seed(), packet});
        }
        arrived_.notify_all();
        Log(name + " (" + PhaseName(streamPtr->phase()) + "): packet " + DescribePacket(packet));
    });
    streamPtr = &stream;
    uint8_t buffer[4096];
    while (!stopping_) {
        const long n = client.Receive(buffer, sizeof buffer, kPollMs);
        if (n == platform::TcpSocket::kTimedOut) continue;
        if (n <= 0) {
            Log(name + ": closed by the client");
            return;
        }
        if (!stream.Feed(buffer, static_cast<size_t>(n))) {
            Log(name + ": " + stream.failure() + "; closing");
            return;
        }
    }
}

} // namespace testshard
