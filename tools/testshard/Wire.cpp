#include "testshard/Wire.h"

#include <nettle/md5.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace testshard {

const char* const kPacketLengthText =
    "00:104 01:5 02:7 03:v 04:2 05:5 06:5 07:7 08:14 09:5 0A:11 0B:266 0C:v 0D:3 0E:v 0F:61\n"
    "10:215 11:v 12:v 13:10 14:6 15:9 16:1 17:v 18:v 19:v 1A:v 1B:37 1C:v 1D:5 1E:4 1F:8\n"
    "20:19 21:8 22:3 23:26 24:7 25:20 26:5 27:2 28:5 29:1 2A:5 2B:2 2C:2 2D:17 2E:15 2F:10\n"
    "30:5 31:1 32:2 33:2 34:10 35:653 36:v 37:8 38:7 39:9 3A:v 3B:v 3C:v 3D:2 3E:37 3F:v\n"
    "40:201 41:v 42:v 43:553 44:713 45:5 46:v 47:11 48:73 49:93 4A:5 4B:9 4C:v 4D:v 4E:6 4F:2\n"
    "50:v 51:v 52:v 53:2 54:12 55:1 56:11 57:110 58:106 59:v 5A:v 5B:4 5C:2 5D:73 5E:v 5F:49\n"
    "60:5 61:9 62:15 63:13 64:1 65:4 66:v 67:21 68:v 69:v 6A:3 6B:9 6C:19 6D:3 6E:14 6F:v\n"
    "70:28 71:v 72:5 73:2 74:v 75:35 76:16 77:17 78:v 79:9 7A:v 7B:2 7C:v 7D:13 7E:2 7F:v\n"
    "80:62 81:v 82:2 83:39 84:69 85:2 86:v 87:v 88:66 89:v 8A:v 8B:v 8C:11 8D:v 8E:v 8F:v\n"
    "90:19 91:65 92:v 93:99 94:v 95:9 96:v 97:2 98:v 99:26 9A:v 9B:258 9C:309 9D:51 9E:v 9F:v\n"
    "A0:3 A1:9 A2:9 A3:9 A4:149 A5:v A6:v A7:4 A8:v A9:v AA:5 AB:v AC:v AD:v AE:v AF:13\n"
    "B0:v B1:v B2:v B3:v B4:v B5:64 B6:9 B7:v B8:v B9:3 BA:6 BB:9 BC:3 BD:v BE:v BF:v\n"
    "C0:36 C1:v C2:v C3:v C4:6 C5:203 C6:1 C7:49 C8:2 C9:6 CA:6 CB:7 CC:v CD:1 CE:v CF:78\n"
    "D0:v D1:2 D2:25 D3:v D4:v\n";

const char* const kHuffmanCodeLines[17] = {
    "00-0F: 2/0 5/1F 6/22 7/34 7/75 6/28 6/3B 7/32 8/E0 8/62 7/56 8/79 9/19D 8/97 6/2A 7/57",
    "10-1F: 8/71 8/5B 9/1CC 8/A7 7/25 7/4F 8/66 8/7D 9/191 9/1CE 7/3F 9/90 8/59 8/7B 8/91 8/C6",
    "20-2F: 6/2D 9/186 8/6F 9/93 10/1CC 8/5A 10/1AE 10/1C0 9/148 9/14A 9/82 10/19F 9/171 9/120 9/E7 10/1F3",
    "30-3F: 9/14B 9/100 9/190 6/13 9/161 9/125 9/133 9/195 9/173 9/1CA 9/86 9/1E9 9/DB 9/1EC 9/8B 9/85",
    "40-4F: 5/A 8/96 8/9C 9/1C3 9/19C 9/8F 9/18F 9/91 9/87 9/C6 9/177 9/89 9/D6 9/8C 9/1EE 9/1EB",
    "50-5F: 9/84 9/164 9/175 9/1CD 8/5E 9/88 9/12B 9/172 9/10A 9/8D 9/13A 9/11C 10/1E1 10/1E0 9/187 10/1DC",
    "60-6F: 10/1DF 7/74 9/19F 8/8D 8/E4 7/79 9/EA 9/E1 8/40 7/41 9/10B 9/B0 8/6A 8/C1 7/71 7/78",
    "70-7F: 8/B1 9/14C 7/43 8/76 7/66 7/4D 9/8A 6/2F 8/C9 9/CE 9/149 9/160 10/1BA 10/19E 10/39F 9/E5",
    "80-8F: 9/194 9/184 9/126 7/30 8/6C 9/121 9/1E8 10/1C1 10/11D 10/163 10/385 10/3DB 10/17D 10/106 10/397 "
    "10/24E",
    "90-9F: 7/2E 8/98 10/33C 10/32E 10/1E9 9/BF 10/3DF 10/1DD 10/32D 10/2ED 10/30B 10/107 10/2E8 10/3DE "
    "10/125 10/1E8",
    "A0-AF: 9/E9 10/1CD 10/1B5 9/165 10/232 10/2E1 11/3AE 11/3C6 11/3E2 10/205 10/29A 10/248 10/2CD 10/23B "
    "11/3C5 10/251",
    "B0-BF: 10/2E9 10/252 9/1EA 11/3A0 11/391 10/23C 11/392 11/3D5 10/233 10/2CC 11/390 10/1BB 11/3A1 11/3C4 "
    "10/211 10/203",
    "C0-CF: 9/12A 10/231 11/3E0 10/29B 11/3D7 10/202 11/3AD 10/213 10/253 10/32C 10/23D 10/23F 10/32F 10/11C "
    "10/384 10/31C",
    "D0-DF: 10/17C 10/30A 10/2E0 10/276 10/250 11/3E3 10/396 10/18F 10/204 10/206 10/230 10/265 10/212 "
    "10/23E 11/3AC 11/393",
    "E0-EF: 11/3E1 10/1DE 11/3D6 10/31D 11/3E5 11/3E4 10/207 11/3C7 10/277 11/3D4 8/C0 10/162 10/3DA 10/124 "
    "10/1B4 10/264",
    "F0-FF: 10/33D 10/1D1 10/1AF 10/39E 10/24F 11/373 10/249 11/372 9/167 10/210 10/23A 10/1B8 11/3AF 10/18E "
    "10/2EC 7/62",
    "256 (end of packet): 4/D",
};

int PacketLength(uint8_t id) {
    static const std::vector<int> lengths = [] {
        std::vector<int> table(256, 0);
        std::istringstream words(kPacketLengthText);
        std::string word;
        while (words >> word) {
            const size_t colon = word.find(':');
            const int packetId = static_cast<int>(std::strtol(word.substr(0, colon).c_str(), nullptr, 16));
            const std::string length = word.substr(colon + 1);
            table[packetId] = length == "v" ? kVariable : std::atoi(length.c_str());
        }
        return table;
    }();
    return lengths[id];
}

const std::vector<Code>& Codes() {
    static const std::vector<Code> codes = [] {
        std::vector<Code> list;
        for (const char* line : kHuffmanCodeLines) {
            std::istringstream words(std::string(line).substr(std::string(line).find(':') + 1));
            std::string word;
            while (words >> word) {
                const size_t slash = word.find('/');
                Code code;
                code.bits = std::atoi(word.substr(0, slash).c_str());
                code.value = static_cast<uint32_t>(std::strtoul(word.substr(slash + 1).c_str(), nullptr, 16));
                list.push_back(code);
            }
        }
        return list;
    }();
    return codes;
}

// ---------------------------------------------------------------- ciphers

void LoginDecryptor::Key(const SeedBytes& seed) {
    const uint32_t hi = (seed[0] << 8) | seed[1];
    const uint32_t lo = (seed[2] << 8) | seed[3];
    const uint32_t r1 = (((lo ^ 0xFFFF) ^ 0x6B29) << 16) | (lo ^ 0x5C3E);
    const uint32_t r2 = (((hi ^ 0xFFFF) ^ 0x3E85) << 16) | (hi ^ 0x19C4);
    pair_ = (static_cast<uint64_t>(r2) << 32) | r1;
}

uint8_t LoginDecryptor::Next(uint8_t c) {
    const uint8_t plain = c ^ static_cast<uint8_t>(pair_);
    const uint32_t oldLow = static_cast<uint32_t>(pair_);
    const uint64_t turned = (pair_ >> 1) | (pair_ << 63);
    const uint32_t low = static_cast<uint32_t>(turned) ^ 0x4F1D7A36u;
    const uint32_t t = static_cast<uint32_t>(turned >> 32) ^ 0x19E6C4B8u;
    const uint32_t high = ((t >> 1) | (oldLow << 31)) ^ 0x7C2B5E91u;
    pair_ = (static_cast<uint64_t>(high) << 32) | low;
    return plain;
}

void GameKeystream::Key(const SeedBytes& seed, bool variant) {
    static const uint8_t kMask[4] = {0xE7, 0x96, 0x5A, 0x3C}; // 0x3C5A96E7, least significant first
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = seed[i % 4] ^ (variant ? 0 : kMask[i % 4]);
    twofish_set_key(&twofish_, sizeof key, key);
    for (int i = 0; i < 256; ++i)
        block_[i] = static_cast<uint8_t>(i);
    NextBlock();
    first_ = block_;
    used_ = 0;
}

void GameKeystream::NextBlock() {
    for (size_t at = 0; at < block_.size(); at += TWOFISH_BLOCK_SIZE) {
        uint8_t plain[TWOFISH_BLOCK_SIZE];
        std::copy(block_.begin() + at, block_.begin() + at + TWOFISH_BLOCK_SIZE, plain);
        twofish_encrypt(&twofish_, TWOFISH_BLOCK_SIZE, block_.data() + at, plain);
    }
}

void GameKeystream::Apply(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (used_ == block_.size()) {
            NextBlock();
            used_ = 0;
        }
        data[i] ^= block_[used_++];
    }
}

std::array<uint8_t, 16> ReceiveKeyFor(const SeedBytes& seed, bool variant) {
    GameKeystream stream;
    stream.Key(seed, variant);
    md5_ctx md5;
    md5_init(&md5);
    md5_update(&md5, stream.firstBlock().size(), stream.firstBlock().data());
    std::array<uint8_t, 16> key{};
    md5_digest(&md5, key.size(), key.data());
    return key;
}

// ---------------------------------------------------------------- compression

namespace {

class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(const Code& code) {
        for (int bit = code.bits - 1; bit >= 0; --bit) {
            if (filled_ == 0) out_.push_back(0);
            if ((code.value >> bit) & 1) out_.back() |= static_cast<uint8_t>(0x80 >> filled_);
            filled_ = (filled_ + 1) % 8;
        }
    }

  private:
    std::vector<uint8_t>& out_;
    int filled_ = 0; // bits used in the last byte
};

} // namespace

void CompressPacket(const uint8_t* packet, size_t size, std::vector<uint8_t>& out) {
    const std::vector<Code>& codes = Codes();
    BitWriter writer(out);
    for (size_t i = 0; i < size; ++i)
        writer.Put(codes[packet[i]]);
    writer.Put(codes[256]);
}

size_t CompressedDataBits(const std::vector<uint8_t>& packet) {
    const std::vector<Code>& codes = Codes();
    size_t bits = 0;
    for (uint8_t b : packet)
        bits += static_cast<size_t>(codes[b].bits);
    return bits;
}

std::vector<uint8_t> CompressPacket(const std::vector<uint8_t>& packet) {
    std::vector<uint8_t> out;
    CompressPacket(packet.data(), packet.size(), out);
    return out;
}

// ---------------------------------------------------------------- streams

const char* PhaseName(Phase phase) {
    switch (phase) {
    case Phase::Login:
        return "login";
    case Phase::Game:
        return "game";
    case Phase::GameVariant:
        return "game (seed variant)";
    case Phase::Plain:
        return "plain";
    case Phase::Unknown:
        break;
    }
    return "unknown";
}

uint32_t ClientStream::seed() const {
    return (uint32_t{seed_[0]} << 24) | (uint32_t{seed_[1]} << 16) | (uint32_t{seed_[2]} << 8) | seed_[3];
}

bool ClientStream::DecidePhase(uint8_t first) {
    LoginDecryptor login;
    login.Key(seed_);
    const uint8_t asLogin = login.Next(first);
    if (asLogin == 0x80 || asLogin == 0xCF) {
        phase_ = Phase::Login;
        return true;
    }
    for (const bool variant : {false, true}) {
        GameKeystream game;
        game.Key(seed_, variant);
        uint8_t asGame = first;
        game.Apply(&asGame, 1);
        if (asGame == 0x91) {
            phase_ = variant ? Phase::GameVariant : Phase::Game;
            return true;
        }
    }
    failure_ = "the first packet is neither an account login nor a game login";
    return false;
}

uint8_t ClientStream::Decrypt(uint8_t c) {
    if (phase_ == Phase::Login) return login_.Next(c);
    game_.Apply(&c, 1);
    return c;
}

void ClientStream::SwitchToGame(bool variant) {
    phase_ = variant ? Phase::GameVariant : Phase::Game;
    game_.Key(seed_, variant);
    keyed_ = true;
}

bool ClientStream::Feed(const uint8_t* data, size_t size) {
    if (!failure_.empty()) return false;
    size_t i = 0;
    if (phase_ == Phase::Plain) {
        pending_.insert(pending_.end(), data, data + size);
        return FramePackets();
    }
    while (seedCount_ < 4 && i < size)
        seed_[seedCount_++] = data[i++];
    if (i == size) return true;
    if (!keyed_) {
        if (phase_ == Phase::Unknown && !DecidePhase(data[i])) return false;
        login_.Key(seed_);
        if (phase_ != Phase::Login) game_.Key(seed_, phase_ == Phase::GameVariant);
        keyed_ = true;
    }
    for (; i < size; ++i)
        pending_.push_back(Decrypt(data[i]));
    return FramePackets();
}

bool ClientStream::FramePackets() {
    size_t at = 0;
    while (at < pending_.size()) {
        const uint8_t id = pending_[at];
        const int known = PacketLength(id);
        size_t length;
        if (known == 0) {
            char text[64];
            std::snprintf(text, sizeof text, "unknown packet id 0x%02X from the client", id);
            failure_ = text;
            return false;
        }
        if (known == kVariable) {
            if (pending_.size() - at < 3) break;
            length = (pending_[at + 1] << 8) | pending_[at + 2];
            if (length < 3) {
                failure_ = "a variable packet shorter than its header";
                return false;
            }
        } else {
            length = static_cast<size_t>(known);
        }
        if (pending_.size() - at < length) break;
        onPacket_(std::vector<uint8_t>(pending_.begin() + at, pending_.begin() + at + length));
        at += length;
    }
    pending_.erase(pending_.begin(), pending_.begin() + at);
    return true;
}

void ServerStream::StartGame(const SeedBytes& seed, bool variant) {
    game_ = true;
    plain_ = false;
    key_ = ReceiveKeyFor(seed, variant);
    index_ = 0;
}

std::vector<uint8_t> ServerStream::Encode(const std::vector<uint8_t>& packet) {
    if (!game_) return packet;
    std::vector<uint8_t> out = CompressPacket(packet);
    if (plain_) return out;
    for (uint8_t& b : out)
        b ^= key_[index_++ % 16];
    return out;
}

std::string DescribePacket(const std::vector<uint8_t>& packet, size_t maxBytes) {
    std::string text;
    char part[32];
    std::snprintf(part, sizeof part, "0x%02X (%zu bytes):", packet.empty() ? 0 : packet[0], packet.size());
    text = part;
    for (size_t i = 0; i < packet.size() && i < maxBytes; ++i) {
        std::snprintf(part, sizeof part, " %02X", packet[i]);
        text += part;
    }
    if (packet.size() > maxBytes) text += " ...";
    return text;
}

} // namespace testshard
