// The shard list, the character lists and the account messages around them.
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "core/SharedServices.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/ConnectionSeed.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/PacketManagerText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

using PacketManager::CharacterSlot;
using PacketManager::CityEntry;
using PacketManager::ServerEntry;

const char* const kServersDown =
    "The Varnis Online servers are currently down.  Please try again in a few moments.";
constexpr size_t kShardNameLength = 15;
constexpr int kNameWidth = 30;
constexpr int kSlotSize = 2 * kNameWidth;
constexpr int kCityNameWidth = 31;
constexpr int kCitySize = 1 + 2 * kCityNameWidth;
constexpr int kServerEntrySize = 2 + 32 + 1 + 1 + 4;

int Remaining(const PacketReader& packet, int at) {
    return packet.length() - packet.headerSize() - at;
}

// The five character slots; a packet that ends early leaves the rest empty.
void ReadSlots(PacketReader& packet, int& at, CharacterSlot (&slots)[PacketManager::kCharacterSlots]) {
    for (CharacterSlot& slot : slots) {
        slot = CharacterSlot{};
        if (Remaining(packet, at) < kSlotSize) continue;
        ReadPacketFixedText(packet, at, kNameWidth, slot.name);
        ReadPacketFixedText(packet, at, kNameWidth, slot.password);
    }
}

std::vector<CharacterEntry> NamedCharacters(const CharacterSlot (&slots)[PacketManager::kCharacterSlots]) {
    std::vector<CharacterEntry> entries;
    for (int i = 0; i < PacketManager::kCharacterSlots; ++i)
        if (!slots[i].name.empty()) entries.push_back({slots[i].name, i});
    return entries;
}

struct RawCity {
    int index = 0;
    std::string city;
    std::string area;
};

// count entries of {index, city 31 bytes, area 31 bytes}, as many as the packet holds.
std::vector<RawCity> ReadCities(PacketReader& packet, int& at, int count) {
    std::vector<RawCity> cities;
    for (int i = 0; i < count && Remaining(packet, at) >= kCitySize; ++i) {
        uint8_t index = 0;
        RawCity city;
        ReadPacketU8(packet, at, index);
        ReadPacketFixedText(packet, at, kCityNameWidth, city.city);
        ReadPacketFixedText(packet, at, kCityNameWidth, city.area);
        city.index = index;
        cities.push_back(city);
    }
    return cities;
}

std::string CityText(const RawCity& city) {
    return city.city + ": " + city.area;
}

void SetListTitle(CGameSock& connection) {
    std::string title = CApp::GetAccountName();
    ShardRecord* record = CApp::FindShardRecordByConnection(&connection);
    if (CApp::IsGameLoginSent() && record) title += " (" + record->name + ")";
    GetNetServices().setWindowTitle(title.c_str());
}

void StoreNextLoginKey(uint8_t key) {
    CApp::SetNextLoginKey(key);
    char text[8];
    std::snprintf(text, sizeof text, "%u", key);
    GetNetServices().saveConfigDirective("NextLoginKey", text);
}

void ShowServersDown(CGameSock& connection) {
    NetServices& services = GetNetServices();
    if (&connection != GetCurrentConnection()) {
        // An additional shard's login server: the player stays where he is.
        services.showSystemMessage(0, 3, kServersDown);
        EndConnection(connection);
        return;
    }
    services.deleteWaitingGump();
    services.enableMainMenu(false);
    services.showServersDown(kServersDown);
    EndConnection(connection);
}

int TimeZoneDistance(int zone, int local) {
    const int diff = zone - local;
    return zone > 0 ? std::min(std::abs(diff), 24 - diff) : std::min(std::abs(diff), 24 + diff);
}

// The shard a secondary connection logs into: chosen at once, or the record is dropped.
void ChooseShardForSecondary(CGameSock& connection) {
    ShardRecord* record = CApp::FindShardRecordByConnection(&connection);
    const std::string name = record ? record->name : std::string();
    for (const ServerEntry& server : PacketManager::GetLoginTables().servers) {
        if (strcasecmp(server.name.c_str(), name.c_str()) != 0) continue;
        uint8_t buffer[3];
        PacketWriter packet(buffer);
        PacketManager::SendSelectServer(packet, server.index);
        connection.Send(packet);
        return;
    }
    char text[128];
    std::snprintf(text, sizeof text, "%s is not in the server list!", name.c_str());
    GetNetServices().showSystemMessage(33, 3, text);
    EndConnection(connection);
}

// The groups of consecutive entries with the same city name, in a random order; the entries of a
// group keep theirs.
std::vector<CityEntry> ShuffleCityGroups(const std::vector<RawCity>& cities) {
    std::vector<std::vector<CityEntry>> groups;
    for (size_t i = 0; i < cities.size(); ++i) {
        if (i == 0 || cities[i].city != cities[i - 1].city) groups.emplace_back();
        groups.back().push_back({cities[i].index, CityText(cities[i])});
    }
    std::vector<CityEntry> listed;
    while (!groups.empty()) {
        const size_t pick = static_cast<size_t>(RandomBelow(static_cast<int>(groups.size())));
        listed.insert(listed.end(), groups[pick].begin(), groups[pick].end());
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    return listed;
}

// A list without characters starts the creation screens.
void OpenCharacterSelection(const std::vector<CharacterEntry>& characters) {
    NetServices& services = GetNetServices();
    if (characters.empty())
        services.startCharacterCreation();
    else
        services.showCharacterSelection(characters);
}

} // namespace

namespace PacketManager {

void HandleServerList(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t flags = 0;
    uint16_t count = 0;
    ReadPacketU8(packet, at, flags);
    ReadPacketU16(packet, at, count);
    if (packet.bad()) return;

    SendSystemInfoIfChanged(&connection);
    SetListTitle(connection);
    StoreNextLoginKey(flags);
    if (count == 0) {
        ShowServersDown(connection);
        return;
    }

    LoginTables& tables = GetLoginTables();
    tables.servers.clear();
    // Only a list that is shown is measured: a secondary shard's list picks its shard at once.
    const bool shown = !connection.IsSecondaryShard();
    CLatencyProbe* probe = shown ? CLatencyProbe::Create() : nullptr;
    int listed = std::min<int>(count, kMaxShards);
    if (listed < count)
        QVReport::warning("PacketManager::HandleServerList: %u shards; the first %d are listed\n", count,
                          listed);
    for (int i = 0; i < listed; ++i) {
        if (Remaining(packet, at) < kServerEntrySize) {
            QVReport::warning("PacketManager::HandleServerList: the list ends after %d of %u shards\n", i,
                              count);
            break;
        }
        ServerEntry entry;
        uint8_t timeZone = 0;
        ReadPacketU16(packet, at, entry.index);
        ReadPacketFixedText(packet, at, 32, entry.name);
        ReadPacketU8(packet, at, entry.percentFull);
        ReadPacketU8(packet, at, timeZone);
        ReadPacketU32(packet, at, entry.address);
        if (entry.name.empty()) continue;
        if (entry.name.size() > kShardNameLength) entry.name.resize(kShardNameLength);
        entry.timeZone = static_cast<int8_t>(timeZone);
        if (probe) {
            const int added = probe->AddHost(entry.address);
            entry.probeHost = added > 0 ? added - 1 : -1;
        }
        tables.servers.push_back(entry);
    }

    if (connection.IsSecondaryShard()) {
        ChooseShardForSecondary(connection);
        return;
    }
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.deleteCharacterSelection();
    services.enableMainMenu(false);
    const int local = services.clientTimeZoneOffset();
    for (ServerEntry& entry : tables.servers)
        entry.timeZoneDistance = TimeZoneDistance(entry.timeZone, local);
    services.showServerList();
}

void HandleCharacterList(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t count = 0;
    ReadPacketU8(packet, at, count);
    LoginTables& tables = GetLoginTables();
    ReadSlots(packet, at, tables.slots);
    const std::vector<CharacterEntry> characters = NamedCharacters(tables.slots);
    tables.characterCount = static_cast<int>(characters.size());
    uint8_t cityCount = 0;
    ReadPacketU8(packet, at, cityCount);
    const std::vector<RawCity> cities = ReadCities(packet, at, cityCount);
    uint32_t clientFlags = 0;
    ReadPacketU32(packet, at, clientFlags); // optional at the end
    SetListTitle(connection);

    NetServices& services = GetNetServices();
    ShardRecord* record = CApp::FindShardRecordByConnection(&connection);
    const std::string shardName = record ? record->name : std::string();
    char text[160];
    if (connection.IsSecondaryShard()) {
        if (characters.empty()) {
            std::snprintf(text, sizeof text, "You have no characters on %s!", shardName.c_str());
            services.showSystemMessage(0, 3, text);
            if (record) record->closeRequest = 1;
            return;
        }
        const CharacterEntry& first = characters.front();
        CApp::SetName(first.name);
        services.useSlotHues(first.slot);
        uint8_t block[30];
        CApp::BuildClientBlock(block, false);
        uint8_t buffer[73];
        PacketWriter play(buffer);
        SendPlayCharacter(play, CApp::GetAccountName().c_str(), block, static_cast<uint32_t>(first.slot));
        connection.Send(play);
        if (record) record->playerName = first.name;
        if (!HasOpenConnection()) {
            SetCurrentConnection(&connection);
            if (record) CApp::SetCurrentRecord(record);
        }
        std::snprintf(text, sizeof text, "Connected to %s with %s", shardName.c_str(), first.name.c_str());
        services.showSystemMessage(0, 3, text);
        return;
    }

    tables.cities.clear();
    for (const RawCity& city : cities)
        if (!city.city.empty()) tables.cities.push_back({city.index, CityText(city)});
    services.applyClientFlags(clientFlags);
    services.deleteWaitingGump();
    services.enableMainMenu(false);
    OpenCharacterSelection(characters);
}

void HandleCharacterShardList(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t count = 0;
    uint8_t key = 0;
    ReadPacketU8(packet, at, count);
    ReadPacketU8(packet, at, key);
    if (packet.bad()) return;
    LoginTables& tables = GetLoginTables();
    CharacterSlot slots[kCharacterSlots];
    ReadSlots(packet, at, slots);

    const bool gameLogin = CApp::IsGameLoginSent();
    const bool editServer = IsEditServerConfigured();
    if (!gameLogin) SendSystemInfoIfChanged(nullptr);
    SetListTitle(connection);
    std::vector<CharacterEntry> characters;
    if (editServer || gameLogin) {
        for (int i = 0; i < kCharacterSlots; ++i)
            tables.slots[i] = slots[i];
        characters = NamedCharacters(tables.slots);
        tables.characterCount = count;
    }
    if (!gameLogin) StoreNextLoginKey(key);

    uint8_t shardCount = 0;
    ReadPacketU8(packet, at, shardCount);
    if (!editServer && !gameLogin && shardCount == 0) {
        ShowServersDown(connection);
        return;
    }
    std::vector<ServerEntry> servers;
    for (int i = 0; i < shardCount && Remaining(packet, at) >= 17; ++i) {
        uint8_t index = 0;
        ServerEntry entry;
        ReadPacketU8(packet, at, index);
        ReadPacketFixedText(packet, at, 16, entry.name);
        entry.index = index;
        if (entry.name.size() > kShardNameLength) entry.name.resize(kShardNameLength);
        servers.push_back(entry);
    }
    uint8_t cityCount = 0;
    ReadPacketU8(packet, at, cityCount);
    const std::vector<RawCity> cities = ReadCities(packet, at, cityCount);
    if (!gameLogin) {
        tables.servers = servers;
        std::vector<RawCity> named;
        for (const RawCity& city : cities) {
            if (city.city.empty()) continue;
            // The table holds cityCount entries; an index beyond it has no place.
            if (city.index >= cityCount) {
                QVReport::warning("PacketManager::HandleCharacterShardList: city index %d of %d dropped\n",
                                  city.index, cityCount);
                continue;
            }
            named.push_back(city);
        }
        tables.cities = ShuffleCityGroups(named);
    }

    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.deleteCharacterSelection();
    services.enableMainMenu(false);
    if (editServer || gameLogin)
        OpenCharacterSelection(characters);
    else
        services.showShardChoiceList();
}

void HandleCharacterListUpdate(CGameSock&, PacketReader& packet) {
    NetServices& services = GetNetServices();
    if (!services.hasCharacterSelection()) return;
    int at = 0;
    uint8_t count = 0;
    ReadPacketU8(packet, at, count);
    LoginTables& tables = GetLoginTables();
    ReadSlots(packet, at, tables.slots);
    const std::vector<CharacterEntry> characters = NamedCharacters(tables.slots);
    tables.characterCount = count;
    services.deleteWaitingGump();
    services.refreshCharacterSelection(characters);
}

void HandleCharacterDeleteError(CGameSock&, PacketReader& packet) {
    NetServices& services = GetNetServices();
    if (!services.hasCharacterSelection()) return;
    int at = 0;
    uint8_t reason = 0;
    ReadPacketU8(packet, at, reason);
    static const char* const kReasons[] = {
        "That character password is invalid.",
        "That character does not exist.",
        "That character is being played right now.",
        ("That character is not old enough to delete. The character must be 7 days old before it can be "
         "deleted."),
        "That character is currently queued for backup and cannot be deleted.",
    };
    const char* text = reason < 5 ? kReasons[reason] : "Couldn't carry out your request.";
    services.deleteWaitingGump();
    services.showModalMessage(MessageOwner::CharacterSelection, text, 1, 0);
}

// The replies to 0xBD and 0xBE go back on the connection that asked.
void HandleVersionRequest(CGameSock& connection, PacketReader&) {
    uint8_t buffer[64];
    PacketWriter packet(buffer);
    SendClientVersion(packet);
    connection.Send(packet);
}

void HandleVersionTokenRequest(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint32_t value = 0;
    if (!ReadPacketU32(packet, at, value)) return;
    uint8_t buffer[64];
    PacketWriter reply(buffer);
    SendVersionToken(reply, value);
    connection.Send(reply);
}

void HandleIgrSession(CGameSock&, PacketReader& packet) {
    int at = 0;
    GameRoomSessionFields fields;
    const char* host = nullptr;
    const char* path = nullptr;
    ReadPacketU32(packet, at, fields.port);
    ReadPacketU32(packet, at, fields.heartbeatSeconds);
    ReadPacketFixedText(packet, at, 16, fields.roomId);
    ReadPacketFixedText(packet, at, 36, fields.contextId);
    ReadPacketU32(packet, at, fields.serviceId);
    ReadPacketStringChecked(packet, at, host);
    ReadPacketStringChecked(packet, at, path);
    if (packet.bad() || !host || !path) {
        QVReport::error("PacketManager::HandleIgrSession: the packet ends inside its fields; dropped\n");
        return;
    }
    fields.host.assign(host, strnlen(host, 256));
    fields.path.assign(path, strnlen(path, 256));
    fields.userName = CApp::GetAccountName().empty() ? "default" : CApp::GetAccountName();
    GetNetServices().igrSaveIdAndStart(fields);
}

} // namespace PacketManager

namespace PacketManager {

void SendCreateCharacter(PacketWriter& packet, const char* name, const uint8_t* clientBlock,
                         const CreationChoices& choices) {
    BeginPacket(packet, 0x00);
    WritePacketU32(packet, 0xEDEDEDED);
    WritePacketU16(packet, 0xFFFF);
    WritePacketU16(packet, 0xFFFF);
    WritePacketU8(packet, 0);
    WriteFixedText(packet, name, kNameWidth);
    WritePacketBytes(packet, clientBlock, kNameWidth);
    WritePacketU8(packet, choices.gender);
    WritePacketU8(packet, choices.strength);
    WritePacketU8(packet, choices.dexterity);
    WritePacketU8(packet, choices.intelligence);
    for (const CreationChoices::Skill& skill : choices.skills) {
        WritePacketU8(packet, skill.index);
        WritePacketU8(packet, skill.value);
    }
    WritePacketU16(packet, choices.skinHue);
    WritePacketU16(packet, choices.hairItem);
    WritePacketU16(packet, choices.hairHue);
    WritePacketU16(packet, choices.facialHairItem);
    WritePacketU16(packet, choices.facialHairHue);
    WritePacketU16(packet, choices.startCity);
    WritePacketU32(packet, choices.slot);
    WritePacketU32(packet, GetLocalAddress());
    WritePacketU16(packet, choices.shirtHue);
    WritePacketU16(packet, choices.pantsHue);
}

void SendDeleteCharacter(PacketWriter& packet, uint32_t slot, const char* password) {
    BeginPacket(packet, 0x83);
    WriteFixedText(packet, password, kNameWidth);
    WritePacketU32(packet, slot);
    WritePacketU32(packet, GetLocalAddress());
}

} // namespace PacketManager
