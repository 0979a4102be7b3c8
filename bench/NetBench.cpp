// Decoding and framing the server's compressed stream, beside a plain copy of the same bytes.
#include "net/PacketFramer.h"
#include "testshard/Wire.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kStreamSize = 1 << 20;
constexpr size_t kReadSize = 1 << 16; // what one receive brings at most

void Put16(std::vector<uint8_t>& p, uint32_t v) {
    p.push_back(static_cast<uint8_t>(v >> 8));
    p.push_back(static_cast<uint8_t>(v));
}
void Put32(std::vector<uint8_t>& p, uint32_t v) {
    Put16(p, v >> 16);
    Put16(p, v);
}
void SetLength(std::vector<uint8_t>& p) {
    p[1] = static_cast<uint8_t>(p.size() >> 8);
    p[2] = static_cast<uint8_t>(p.size());
}

// A busy world: mobiles moving, items appearing, speech, status and hit updates.
std::vector<uint8_t> WorldPacket(std::mt19937& rng) {
    const uint32_t serial = 0x1000 + rng() % 400;
    const uint32_t x = 1400 + rng() % 100, y = 1600 + rng() % 100;
    std::vector<uint8_t> p;
    switch (rng() % 6) {
    case 0: // mobile moving, 17 bytes
        p.push_back(0x77);
        Put32(p, serial);
        Put16(p, 0x190 + rng() % 2);
        Put16(p, x);
        Put16(p, y);
        p.push_back(0);
        p.push_back(static_cast<uint8_t>(rng() % 8));
        Put16(p, rng() % 4 ? 0 : 0x83EA);
        p.push_back(0);
        p.push_back(1);
        break;
    case 1: // world item
        p = {0x1A, 0, 0};
        Put32(p, 0x40000000 | (serial << 4));
        Put16(p, 0x0EED + rng() % 64);
        Put16(p, x);
        Put16(p, y);
        p.push_back(0);
        SetLength(p);
        break;
    case 2: { // speech
        static const char* const kLines[] = {"Hail, traveller!", "Vendor buy", "I wish to bank",
                                             "Where is the healer?", "all follow me"};
        const char* line = kLines[rng() % 5];
        p = {0x1C, 0, 0};
        Put32(p, serial);
        Put16(p, 0x190);
        p.push_back(0);
        Put16(p, 0x3B2);
        Put16(p, 3);
        const char name[30] = "Someone";
        p.insert(p.end(), name, name + 30);
        p.insert(p.end(), line, line + std::strlen(line) + 1);
        SetLength(p);
        break;
    }
    case 3: // hits update, 9 bytes
        p.push_back(0xA1);
        Put32(p, serial);
        Put16(p, 100);
        Put16(p, 60 + rng() % 40);
        break;
    case 4: // move acknowledgement, 3 bytes
        p = {0x22, static_cast<uint8_t>(rng()), 0};
        break;
    default: // equipped item, 15 bytes
        p.push_back(0x2E);
        Put32(p, 0x40000000 | (serial << 8) | (rng() % 25));
        Put16(p, 0x1400 + rng() % 300);
        p.push_back(0);
        p.push_back(static_cast<uint8_t>(1 + rng() % 24));
        Put32(p, serial);
        Put16(p, rng() % 3 ? 0 : 0x44E);
        break;
    }
    return p;
}

const std::vector<uint8_t>& CompressedStream() {
    static const std::vector<uint8_t> stream = [] {
        std::mt19937 rng(1);
        std::vector<uint8_t> out;
        while (out.size() < kStreamSize) {
            const std::vector<uint8_t> packet = WorldPacket(rng);
            testshard::CompressPacket(packet.data(), packet.size(), out);
        }
        out.resize(kStreamSize); // the last packet stays incomplete
        return out;
    }();
    return stream;
}

class CountingSink : public PacketSink {
  public:
    void HandlePacket(uint8_t* packet, int length) override {
        ++packets;
        bytes += static_cast<size_t>(length) + packet[0];
    }
    bool IsOpen() const override { return true; }
    void OnStreamBroken(const char*) override { broken = true; }
    size_t packets = 0;
    size_t bytes = 0;
    bool broken = false;
};

void BM_HuffmanDecodeAndFrame(benchmark::State& state) {
    const std::vector<uint8_t>& stream = CompressedStream();
    CountingSink sink;
    PacketFramer framer(sink);
    framer.SetGameMode(true);
    for (auto _ : state) {
        framer.Reset();
        for (size_t at = 0; at < stream.size(); at += kReadSize) {
            framer.ProcessReceived(stream.data() + at, std::min(kReadSize, stream.size() - at));
        }
        benchmark::DoNotOptimize(sink.bytes);
    }
    if (sink.broken) state.SkipWithError("the stream broke");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["packets/iteration"] =
        static_cast<double>(sink.packets) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HuffmanDecodeAndFrame);

void BM_HuffmanBaselineMemcpy(benchmark::State& state) {
    const std::vector<uint8_t>& stream = CompressedStream();
    std::vector<uint8_t> copy(stream.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), stream.data(), stream.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_HuffmanBaselineMemcpy);

} // namespace
