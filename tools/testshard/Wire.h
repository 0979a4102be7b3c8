#pragma once
// The test server's side of the wire: its own tables, ciphers and compressor, written apart from
// the client's so that each checks the other.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nettle/twofish.h>

namespace testshard {

// ---------------------------------------------------------------- tables
// The packet lengths as "id:length" words ("v" for variable), ids 00-D4 in order.
extern const char* const kPacketLengthText;
// The code as "bits/value" words, sixteen symbols per line, then the end-of-packet code.
extern const char* const kHuffmanCodeLines[17];

constexpr int kVariable = -1;
// Fixed length, kVariable, or 0 for an id the server does not know.
int PacketLength(uint8_t id);

struct Code {
    int bits = 0;
    uint32_t value = 0;
};
// 257 codes: bytes 0-255, then end of packet.
const std::vector<Code>& Codes();

// ---------------------------------------------------------------- ciphers
using SeedBytes = std::array<uint8_t, 4>; // as they arrive, most significant first

// Undoes the client's login-phase cipher: the two registers seen as one 64-bit value that turns
// right by one bit per byte, with feedback.
class LoginDecryptor {
  public:
    void Key(const SeedBytes& seed);
    uint8_t Next(uint8_t c);
    uint32_t low() const { return static_cast<uint32_t>(pair_); }
    uint32_t high() const { return static_cast<uint32_t>(pair_ >> 32); }

  private:
    uint64_t pair_ = 0; // high word r2, low word r1
};

// The game-phase keystream: Twofish over a 256-byte block, starting from 0..255, block after block.
class GameKeystream {
  public:
    // variant: the secondary-shard form, keyed with the seed's bytes unmasked.
    void Key(const SeedBytes& seed, bool variant);
    void Apply(uint8_t* data, size_t size);
    const std::array<uint8_t, 256>& firstBlock() const { return first_; }

  private:
    void NextBlock();
    twofish_ctx twofish_{};
    std::array<uint8_t, 256> block_{};
    std::array<uint8_t, 256> first_{};
    size_t used_ = 256;
};

// The key the server XORs its game-phase bytes with: MD5 of the first keystream block.
std::array<uint8_t, 16> ReceiveKeyFor(const SeedBytes& seed, bool variant);

// ---------------------------------------------------------------- compression
// Appends the packet's bytes as codes, then the end-of-packet code, padded to a whole byte.
void CompressPacket(const uint8_t* packet, size_t size, std::vector<uint8_t>& out);
std::vector<uint8_t> CompressPacket(const std::vector<uint8_t>& packet);
// The bits of the packet's own codes, without the end code.
size_t CompressedDataBits(const std::vector<uint8_t>& packet);

// ---------------------------------------------------------------- streams
// Plain: an edit server's client, which sends no seed and enciphers nothing.
enum class Phase { Unknown, Login, Game, GameVariant, Plain };
const char* PhaseName(Phase phase);

// What the client sends: the seed, then packets enciphered for the phase. Frames them by the
// server's length table. With Phase::Unknown the first packet decides: an account login (0x80,
// 0xCF) under the login cipher, or a game login (0x91) under either game key.
class ClientStream {
  public:
    using PacketCallback = std::function<void(const std::vector<uint8_t>& packet)>;
    ClientStream(Phase phase, PacketCallback onPacket) : phase_(phase), onPacket_(std::move(onPacket)) {}

    // False once the stream cannot be read (unknown id, unknown phase); the reason says why.
    bool Feed(const uint8_t* data, size_t size);
    // The client keeps this connection for the game phase (a relay to the server it is on): what
    // follows is enciphered with the game keystream of the connection's seed.
    void SwitchToGame(bool variant);
    bool HasSeed() const { return seedCount_ == 4; }
    uint32_t seed() const;
    Phase phase() const { return phase_; }
    const std::string& failure() const { return failure_; }

  private:
    bool DecidePhase(uint8_t first);
    uint8_t Decrypt(uint8_t c);
    bool FramePackets();

    Phase phase_;
    PacketCallback onPacket_;
    SeedBytes seed_{};
    int seedCount_ = 0;
    bool keyed_ = false;
    LoginDecryptor login_;
    GameKeystream game_;
    std::vector<uint8_t> pending_; // decrypted bytes not yet framed
    std::string failure_;
};

// What the server sends: plain packets in the login phase; compressed and XORed with the receive
// key in the game phase (the key's index runs on across packets).
class ServerStream {
  public:
    void StartLogin() { game_ = false; }
    void StartGame(const SeedBytes& seed, bool variant);
    // The game phase of an edit server: compressed, not enciphered.
    void StartPlainGame() {
        game_ = true;
        plain_ = true;
    }
    std::vector<uint8_t> Encode(const std::vector<uint8_t>& packet);
    bool game() const { return game_; }

  private:
    bool game_ = false;
    bool plain_ = false;
    std::array<uint8_t, 16> key_{};
    uint64_t index_ = 0;
};

// "0x1C (12 bytes): 1C 00 0C ..." for the log.
std::string DescribePacket(const std::vector<uint8_t>& packet, size_t maxBytes = 32);

} // namespace testshard
