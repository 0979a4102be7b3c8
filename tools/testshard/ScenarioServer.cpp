#include "testshard/ScenarioServer.h"

#include "testshard/CreationPackets.h"

#include "platform/platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace testshard {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

// Writes the total length into bytes 1-2 of a variable packet.
std::vector<uint8_t> Sized(std::vector<uint8_t> packet) {
    packet[1] = static_cast<uint8_t>(packet.size() >> 8);
    packet[2] = static_cast<uint8_t>(packet.size());
    return packet;
}

SeedBytes SeedOf(uint32_t seed) {
    return {static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
            static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed)};
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

} // namespace

// ---------------------------------------------------------------- the server's messages

std::vector<uint8_t> ShardListPacket(uint8_t key, const std::vector<ShardListing>& shards) {
    std::vector<uint8_t> p = {0xA8, 0, 0, key};
    PutU16(p, static_cast<uint32_t>(shards.size()));
    for (size_t i = 0; i < shards.size(); ++i) {
        PutU16(p, static_cast<uint32_t>(i));
        PutText(p, shards[i].name, 32);
        p.push_back(shards[i].percentFull);
        p.push_back(static_cast<uint8_t>(shards[i].timeZone));
        PutU32(p, shards[i].address);
    }
    return Sized(p);
}

std::vector<uint8_t> RelayPacket(uint32_t address, uint16_t port, uint32_t key) {
    std::vector<uint8_t> p = {0x8C};
    PutU32(p, address);
    PutU16(p, port);
    PutU32(p, key);
    return p;
}

std::vector<uint8_t> CharacterListPacket(const std::vector<std::string>& characters, uint32_t clientFlags) {
    std::vector<uint8_t> p = {0xA9, 0, 0, static_cast<uint8_t>(characters.size())};
    for (size_t slot = 0; slot < 5; ++slot) {
        PutText(p, slot < characters.size() ? characters[slot] : "", 30);
        PutText(p, "", 30);
    }
    PutStartCities(p);
    PutU32(p, clientFlags);
    return Sized(p);
}

std::vector<uint8_t> LoginConfirmPacket(const Script& s) {
    std::vector<uint8_t> p = {0x1B};
    PutU32(p, s.serial);
    PutU32(p, 0);
    PutU16(p, s.body);
    PutU16(p, s.x);
    PutU16(p, s.y);
    PutU16(p, static_cast<uint16_t>(s.z));
    p.push_back(s.facing);
    p.push_back(s.map);
    PutU32(p, 0);
    PutU16(p, 0);
    PutU16(p, 0);
    PutU16(p, 6144);
    PutU16(p, 4096);
    p.resize(37, 0);
    return p;
}

std::vector<uint8_t> LoginDeniedPacket(uint8_t reason) {
    return {0x82, reason};
}

std::vector<uint8_t> ErrorCodePacket(uint8_t code) {
    return {0x53, code};
}

std::vector<std::vector<uint8_t>> DefaultWorldPackets() {
    std::vector<uint8_t> speech = {0x1C, 0, 0};
    PutU32(speech, 0xFFFFFFFF);
    PutU16(speech, 0xFFFF);
    speech.push_back(0);
    PutU16(speech, 0x03B2);
    PutU16(speech, 3);
    PutText(speech, "System", 30);
    const std::string text = "Welcome to the test shard.";
    speech.insert(speech.end(), text.begin(), text.end());
    speech.push_back(0);
    // The ambient loop of the sample installation's sound 2 (a tone whose loop is seamless).
    const std::vector<uint8_t> ambient = {0x54, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    return {{0x4F, 0x10}, {0x5B, 12, 0, 0}, ambient, Sized(speech)};
}

// ---------------------------------------------------------------- connections

struct ScenarioServer::Connection {
    int socket = -1;
    int number = 0;
    bool gamePort = false;
    std::unique_ptr<ClientStream> stream;
    std::vector<std::vector<uint8_t>> arrived; // framed by the stream, not yet answered
    ServerStream out;
    bool outReady = false;
    bool close = false;
};

ScenarioServer::ScenarioServer() = default;

ScenarioServer::~ScenarioServer() {
    Stop();
}

bool ScenarioServer::Start(const Script& script, uint16_t loginPort, uint16_t gamePort) {
    Stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        characters_ = script.characters;
        emptyAccountCharacters_.clear();
        emptyAccountLoggedIn_ = false;
        created_.clear();
        packets_.clear();
        accepted_ = 0;
        nextNumber_ = 1;
        sent_ = 0;
        packetSpans_.clear();
        ended_ = false;
    }
    script_ = script;
    loginListener_ = platform::ListenTcp(platform::kLoopback, loginPort);
    gameListener_ = platform::ListenTcp(platform::kLoopback, gamePort);
    if (loginListener_ < 0 || gameListener_ < 0) {
        Stop();
        return false;
    }
    loginPort_ = platform::BoundPort(loginListener_);
    gamePort_ = platform::BoundPort(gameListener_);
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void ScenarioServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& connection : connections_)
        platform::CloseSocket(connection->socket);
    connections_.clear();
    platform::CloseSocket(loginListener_);
    platform::CloseSocket(gameListener_);
    loginListener_ = gameListener_ = -1;
}

void ScenarioServer::SetLog(std::function<void(const std::string&)> log) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_ = std::move(log);
}

void ScenarioServer::Log(const std::string& line) {
    // Called with mutex_ held; the log function must not call back into the server.
    if (log_) log_(line);
}

std::vector<ClientPacket> ScenarioServer::Packets() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return packets_;
}

bool ScenarioServer::WaitForPacket(uint8_t id, uint32_t timeoutMs, size_t count) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        size_t seen = 0;
        for (const ClientPacket& packet : packets_)
            if (!packet.bytes.empty() && packet.bytes[0] == id) ++seen;
        return seen >= count;
    });
}

bool ScenarioServer::WaitForConnections(int count, uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return accepted_ >= count; });
}

int ScenarioServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return accepted_;
}

bool ScenarioServer::Send(const std::vector<uint8_t>& packet) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (connections_.empty() || !connections_.back()->outReady) return false;
    Reply(*connections_.back(), packet);
    return true;
}

bool ScenarioServer::SendRaw(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (connections_.empty()) return false;
    return Write(*connections_.back(), bytes);
}

void ScenarioServer::CloseNewest() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connections_.empty()) connections_.back()->close = true;
}

uint64_t ScenarioServer::BytesSent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sent_;
}

std::vector<ScenarioServer::PacketSpan> ScenarioServer::PacketSpans() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return packetSpans_;
}

bool ScenarioServer::StreamEnded() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
}

void ScenarioServer::Run() {
    while (!stopping_) {
        Accept(loginListener_, false);
        Accept(gameListener_, true);
        bool busy = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = connections_.begin(); it != connections_.end();) {
                Connection& connection = **it;
                platform::SocketReadiness ready;
                if (!connection.close && platform::PollSocket(connection.socket, false, ready) &&
                    ready.readable) {
                    busy = true;
                    connection.close = !Serve(connection);
                }
                if (connection.close) {
                    Log("connection " + std::to_string(connection.number) + ": closed");
                    platform::CloseSocket(connection.socket);
                    it = connections_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        SendDueWalkAnswers();
        changed_.notify_all();
        if (!busy) {
            // Until a client or a connect arrives, at most 1 ms (to see stopping_).
            std::vector<platform::SocketHandle> sockets = {loginListener_, gameListener_};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (const auto& connection : connections_)
                    sockets.push_back(connection->socket);
            }
            platform::WaitAnySocketReadable(sockets, 1);
        }
    }
}

void ScenarioServer::SendDueWalkAnswers() {
    if (!script_.walk) return;
    const std::vector<std::vector<uint8_t>> due = script_.walk->DueAnswers();
    if (due.empty()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (connections_.empty() || !connections_.back()->outReady) {
        Log("walk: " + std::to_string(due.size()) + " held answers had no connection left");
        return;
    }
    Connection& connection = *connections_.back();
    for (const std::vector<uint8_t>& packet : due)
        Reply(connection, packet);
}

void ScenarioServer::Accept(int listener, bool gamePort) {
    const int socket = platform::AcceptConnection(listener);
    if (socket < 0) return;
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    connection->gamePort = gamePort;
    Connection* raw = connection.get();
    connection->stream = std::make_unique<ClientStream>(
        script_.editServer ? Phase::Plain : Phase::Unknown,
        [raw](const std::vector<uint8_t>& packet) { raw->arrived.push_back(packet); });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connection->number = nextNumber_++;
        ++accepted_;
        Log("connection " + std::to_string(connection->number) + ": accepted on the " +
            (gamePort ? "game" : "login") + " port");
        connections_.push_back(std::move(connection));
    }
    changed_.notify_all();
}

bool ScenarioServer::Serve(Connection& connection) {
    uint8_t buffer[4096];
    const int n = platform::ReceiveBytes(connection.socket, buffer, sizeof buffer);
    if (n == 0) {
        Log("connection " + std::to_string(connection.number) + ": closed by the client");
        return false;
    }
    if (n < 0) return platform::LastSocketError() == platform::WSAEWOULDBLOCK;
    if (!connection.stream->Feed(buffer, static_cast<size_t>(n))) {
        Log("connection " + std::to_string(connection.number) + ": " + connection.stream->failure());
        return false;
    }
    std::vector<std::vector<uint8_t>> arrived;
    arrived.swap(connection.arrived);
    for (const std::vector<uint8_t>& packet : arrived) {
        if (!connection.outReady) {
            const Phase phase = connection.stream->phase();
            if (phase == Phase::Login) connection.out.StartLogin();
            if (phase == Phase::Plain && connection.gamePort) connection.out.StartPlainGame();
            if (phase == Phase::Game || phase == Phase::GameVariant)
                connection.out.StartGame(SeedOf(connection.stream->seed()), phase == Phase::GameVariant);
            connection.outReady = true;
        }
        packets_.push_back({connection.number, connection.gamePort, connection.stream->phase(),
                            connection.stream->seed(), packet});
        Log("connection " + std::to_string(connection.number) + " (" + PhaseName(connection.stream->phase()) +
            "): packet " + DescribePacket(packet));
        OnPacket(connection, packet);
        if (connection.close) break;
    }
    return !connection.close;
}

void ScenarioServer::OnPacket(Connection& connection, const std::vector<uint8_t>& packet) {
    const Script& s = script_;
    if (s.walk) {
        if (packet[0] == 0x5D) s.walk->Reset(s.serial, s.body, s.x, s.y, s.z, s.facing);
        std::vector<std::vector<uint8_t>> replies;
        std::string note;
        if (s.walk->OnPacket(packet, replies, note)) {
            if (!note.empty()) Log("connection " + std::to_string(connection.number) + ": " + note);
            for (const std::vector<uint8_t>& reply : replies)
                Reply(connection, reply);
            return;
        }
    }
    switch (packet[0]) {
    case 0x80:
    case 0xCF: {
        const std::string account(reinterpret_cast<const char*>(&packet[1]),
                                  strnlen(reinterpret_cast<const char*>(&packet[1]), 30));
        const std::string password(reinterpret_cast<const char*>(&packet[31]),
                                   strnlen(reinterpret_cast<const char*>(&packet[31]), 30));
        if (s.denyReason >= 0) {
            Reply(connection, LoginDeniedPacket(static_cast<uint8_t>(s.denyReason)));
        } else if ((!s.account.empty() && account != s.account) ||
                   (!s.password.empty() && password != s.password)) {
            Reply(connection, LoginDeniedPacket(0));
        } else {
            Reply(connection, ShardListPacket(s.nextLoginKey, s.shards));
            if (packet[0] == 0xCF) {
                Log("connection " + std::to_string(connection.number) + ": game-room login, room id \"" +
                    GameRoomIdOf(packet) + "\"");
                if (s.gameRoom) Reply(connection, GameRoomSessionPacket(*s.gameRoom));
            }
        }
        return;
    }
    case 0xA0: {
        if (s.relayFull) {
            Reply(connection, RelayPacket(0, 0, s.relayKey));
            return;
        }
        if (s.relayToSelf) {
            Reply(connection, RelayPacket(platform::kLoopback, loginPort_, s.relayKey));
            // The client stays on this connection: from here on both directions are in the game
            // phase, keyed from the seed the connection began with.
            connection.stream->SwitchToGame(false);
            connection.out.StartGame(SeedOf(connection.stream->seed()), false);
            Log("connection " + std::to_string(connection.number) + ": relayed to itself");
            return;
        }
        Reply(connection, RelayPacket(s.relayAddress ? s.relayAddress : platform::kLoopback,
                                      s.relayPort ? s.relayPort : gamePort_, s.relayKey));
        return;
    }
    case 0x91: {
        uint32_t key = 0;
        for (int i = 1; i <= 4; ++i)
            key = (key << 8) | packet[static_cast<size_t>(i)];
        if (!s.relayToSelf && key != s.relayKey)
            Log("connection " + std::to_string(connection.number) + ": game login with key " + Hex(key) +
                ", expected " + Hex(s.relayKey));
        Reply(connection, CharacterScreenPacket(s, CharactersOf(AccountOfGameLogin(packet)), false));
        return;
    }
    case 0x83: {
        if (packet.size() < 35) return;
        const uint32_t slot =
            static_cast<uint32_t>(packet[31]) << 24 | packet[32] << 16 | packet[33] << 8 | packet[34];
        std::vector<std::string>& list = emptyAccountLoggedIn_ ? emptyAccountCharacters_ : characters_;
        if (s.deleteRefusal >= 0 || slot >= list.size()) {
            Reply(connection,
                  DeleteRefusedPacket(static_cast<uint8_t>(s.deleteRefusal >= 0 ? s.deleteRefusal : 1)));
            return;
        }
        list.erase(list.begin() + slot);
        Reply(connection, CharacterScreenPacket(s, list, true));
        return;
    }
    case 0xD1:
        if (s.answerLogout) Reply(connection, {0xD1, 0x01});
        return;
    case 0x00: // a new character enters like a chosen one
        if (!NoteCreatedCharacter(connection, packet)) return;
        [[fallthrough]];
    case 0x5D: {
        if (s.errorCode >= 0) {
            Reply(connection, ErrorCodePacket(static_cast<uint8_t>(s.errorCode)));
            return;
        }
        Reply(connection, LoginConfirmPacket(s));
        if (s.closeMidStream) {
            std::vector<uint8_t> encoded = connection.out.Encode(DefaultWorldPackets().back());
            encoded.resize(encoded.size() / 2);
            Write(connection, encoded);
            connection.close = true;
            return;
        }
        const std::vector<std::vector<uint8_t>> world =
            s.worldPackets.empty() ? DefaultWorldPackets() : s.worldPackets;
        for (const std::vector<uint8_t>& p : world)
            Reply(connection, p);
        if (s.loginComplete) Reply(connection, {0x55});
        return;
    }
    case 0x73:
        if (s.echoKeepAlive) Reply(connection, packet);
        return;
    default:
        if (s.answer)
            for (const std::vector<uint8_t>& p : s.answer(packet))
                Reply(connection, p);
        return;
    }
}

std::string ScenarioServer::AccountOfGameLogin(const std::vector<uint8_t>& packet) {
    // id, key (4 bytes), then the account's 30 bytes.
    if (packet.size() < 35) return {};
    const char* name = reinterpret_cast<const char*>(&packet[5]);
    return std::string(name, strnlen(name, 30));
}

std::vector<std::string>& ScenarioServer::CharactersOf(const std::string& account) {
    // The account without characters keeps those it creates while the server runs.
    if (!script_.emptyAccount.empty() && account == script_.emptyAccount) {
        emptyAccountLoggedIn_ = true;
        return emptyAccountCharacters_;
    }
    emptyAccountLoggedIn_ = false;
    return characters_;
}

bool ScenarioServer::NoteCreatedCharacter(Connection& connection, const std::vector<uint8_t>& packet) {
    CreatedCharacter created;
    if (!DecodeCreateCharacter(packet, created)) {
        Log("connection " + std::to_string(connection.number) + ": a create-character message of " +
            std::to_string(packet.size()) + " bytes dropped");
        return false;
    }
    Log("connection " + std::to_string(connection.number) + ": " + DescribeCreatedCharacter(created));
    created_.push_back(created);
    std::vector<std::string>& list = emptyAccountLoggedIn_ ? emptyAccountCharacters_ : characters_;
    if (list.size() < 5) list.push_back(created.name);
    return true;
}

std::vector<CreatedCharacter> ScenarioServer::Created() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return created_;
}

void ScenarioServer::Reply(Connection& connection, const std::vector<uint8_t>& packet) {
    Log("connection " + std::to_string(connection.number) + ": sends " + DescribePacket(packet, 16));
    const uint64_t start = sent_;
    const std::vector<uint8_t> bytes = connection.out.Encode(packet);
    Write(connection, bytes);
    const size_t bits = connection.out.game() ? CompressedDataBits(packet) : 0;
    if (sent_ - start == bytes.size())
        packetSpans_.push_back({start, sent_, bits > 0 && bits % 8 == 0 ? start + bits / 8 : 0});
}

bool ScenarioServer::Write(Connection& connection, const std::vector<uint8_t>& bytes) {
    // Called with mutex_ held.
    if (ended_) {
        if (script_.stall) return true; // swallowed: the server never writes again
        connection.close = true;
        return false;
    }
    size_t count = bytes.size();
    bool ending = false;
    if (script_.cutAfterBytes >= 0 && sent_ + count >= static_cast<uint64_t>(script_.cutAfterBytes)) {
        count = static_cast<size_t>(static_cast<uint64_t>(script_.cutAfterBytes) - sent_);
        ending = true;
    }
    const bool oneByOne = script_.byteAtATime && connection.stream->phase() != Phase::Login;
    size_t at = 0;
    bool ok = true;
    while (at < count) {
        const size_t size = oneByOne ? 1 : count - at;
        const int sent = platform::SendBytes(connection.socket, bytes.data() + at, size);
        if (sent <= 0) {
            ok = false;
            break;
        }
        at += static_cast<size_t>(sent);
        if (oneByOne) platform::SleepMillis(1);
    }
    sent_ += at;
    if (ending) {
        ended_ = true;
        Log("connection " + std::to_string(connection.number) + ": the stream " +
            (script_.stall ? "stalls" : "is cut") + " after " + std::to_string(sent_) + " bytes");
        if (!script_.stall) connection.close = true;
        return script_.stall && ok;
    }
    return ok;
}

namespace {

// A variable packet: the id, the big-endian length, the fields.
std::vector<uint8_t> Variable(uint8_t id, const std::vector<uint8_t>& fields) {
    std::vector<uint8_t> p(fields.size() + 3);
    p[0] = id;
    p[1] = static_cast<uint8_t>((fields.size() + 3) >> 8);
    p[2] = static_cast<uint8_t>(fields.size() + 3);
    std::copy(fields.begin(), fields.end(), p.begin() + 3);
    return p;
}

void PutBe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

// What the edit scenario sends after the login confirmation: item group 512 with graphic 30 made
// an impassable block of height 10, multi 2 (a small tent whose record 0 is the multi itself) and
// the map block check switched on.
std::vector<std::vector<uint8_t>> EditServerPackets() {
    std::vector<uint8_t> group;
    PutBe(group, 512, 4); // group number
    PutBe(group, 0, 4);   // header
    for (int row = 0; row < 32; ++row) {
        std::vector<uint8_t> entry(37, 0);
        if (row == 30) {
            entry[3] = 0x40; // flags, big-endian: impassable
            entry[16] = 10;  // height
            std::memcpy(&entry[17], "edited block", 12);
        }
        group.insert(group.end(), entry.begin(), entry.end());
    }
    std::vector<uint8_t> multi;
    PutBe(multi, 2, 4); // multi id
    PutBe(multi, 0, 4); // value
    const int records[][5] = {{0x4002, 0, 0, 0, 0}, {1, -1, 0, 0, 1}, {1, 1, 0, 0, 1}, {4, 0, 0, 20, 1}};
    for (const auto& r : records) {
        for (int f = 0; f < 4; ++f)
            PutBe(multi, static_cast<uint32_t>(r[f]) & 0xFFFF, 2);
        PutBe(multi, static_cast<uint32_t>(r[4]), 4);
    }
    return {Variable(0x41, group), Variable(0x92, multi), {0xC6}};
}

} // namespace testshard
