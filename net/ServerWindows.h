#pragma once
// The server's window requests read into bounded records, the replies built from the wire layouts,
// and the slots the window layer fills to open each window. net/ names nothing above it: the gump
// layer binds the slots when it starts; an empty slot drops the request with a log line.
#include "net/PacketBuffer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------- 0xB0 generic gump
struct GenericGumpPacket {
    uint32_t serial = 0;
    uint32_t typeId = 0;
    int32_t x = 0;
    int32_t y = 0;
    std::string layout;                // exactly the layout's own bytes (a zero ends it early)
    std::vector<std::u16string> lines; // in host order
};
// False (and a log line) when any part overruns the packet.
bool ReadGenericGumpPacket(PacketReader& packet, GenericGumpPacket* out);

// ---------------------------------------------------------------- 0xB1 generic gump reply
struct GumpReplyText {
    uint16_t id = 0;
    std::u16string text; // cut to kMaxGumpReplyText units
};
constexpr size_t kMaxGumpReplyText = 239;
// The wire bytes of 0xB1 built in a buffer of its final size; empty (and a log line) when the
// reply would not fit a packet's 65,535 bytes.
std::vector<uint8_t> BuildGumpReply(uint32_t serial, uint32_t typeId, uint32_t buttonId,
                                    const std::vector<uint32_t>& switches,
                                    const std::vector<GumpReplyText>& texts);
// The three-field reply of a double-clicked virtue item: 15 bytes.
std::vector<uint8_t> BuildVirtueReply(uint32_t playerSerial, uint32_t art);

// ---------------------------------------------------------------- sending
// Where the windows' packets go: a test's recorder when one is set, else the current connection.
using ServerWindowSink = std::function<void(const std::vector<uint8_t>& wire)>;
void SetServerWindowSink(ServerWindowSink sink);
// Queues wire bytes (a variable packet's length big-endian); an empty packet sends nothing.
void SendServerWindowPacket(const std::vector<uint8_t>& wire);

// ---------------------------------------------------------------- other requests, bounded
struct MenuEntry {
    uint16_t graphic = 0;
    uint16_t hue = 0;
    std::string text;
};
struct ItemListMenu { // 0x7C
    uint32_t serial = 0;
    uint16_t menuId = 0;
    std::string title;
    std::vector<MenuEntry> entries; // at most 255
    // A picture menu when the first entry has a graphic; an empty menu is a text menu.
    bool Pictures() const { return !entries.empty() && entries[0].graphic != 0; }
};
bool ReadItemListMenu(PacketReader& packet, ItemListMenu* out);

struct SignRequest { // 0x8B
    uint32_t serial = 0;
    uint16_t art = 0;
    std::string text;
};
struct TextQueryRequest { // 0xAB
    uint32_t serial = 0;
    uint16_t parentId = 0;
    std::string prompt;
    uint8_t cancelAllowed = 0;
    uint8_t style = 0;
    uint32_t maximum = 0;
    std::string description;
};
struct DyeRequest { // 0x95
    uint32_t serial = 0;
    uint16_t value = 0;
    uint16_t graphic = 0;
};
struct MultiPlacement { // 0x99 and 0xB4
    uint8_t type = 0;
    uint32_t targetId = 0;
    uint16_t multiId = 0;
    int16_t xOffset = 0, yOffset = 0, zOffset = 0;
    struct Record {
        uint16_t graphic = 0, second = 0;
        int16_t x = 0, y = 0, z = 0;
    };
    std::vector<Record> records; // 0xB4 only
};
struct TipNotice { // 0xA6
    static constexpr size_t kMaxLines = 100;
    static constexpr size_t kMaxLineLength = 79;
    uint8_t kind = 0;
    uint32_t number = 0;
    std::vector<std::string> lines; // split at line ends, each at most kMaxLineLength
};
struct ObjectHelp { // 0xB7
    uint32_t serial = 0;
    std::u16string text;
};

// ---------------------------------------------------------------- 0xBF 0x14 context menu
struct PopupEntry {
    static constexpr uint16_t kDisabled = 0x01;
    static constexpr uint16_t kFullOnly = 0x02;
    static constexpr uint16_t kColoured = 0x20;
    uint32_t textId = 0; // the received number + 3,000,000
    uint16_t tag = 0;
    uint16_t colour = 0;
    uint16_t flags = 0;
    uint16_t extra2 = 0;
    uint32_t extra1 = 0;
};
struct PopupMenuPacket {
    uint32_t serial = 0;
    std::vector<PopupEntry> entries;
};
// The payload after the sub-command, from offset at; false (and a log line) when an entry
// reaches past the packet's end.
bool ReadPopupMenu(PacketReader& packet, int at, PopupMenuPacket* out);

// ---------------------------------------------------------------- the windows' slots
struct ServerWindowSlots {
    std::function<void(const GenericGumpPacket&)> genericGump;
    // 0xBF sub-command 0x14, for the extended command's dispatch.
    std::function<void(const PopupMenuPacket&)> popupMenu;
    // 0xBF sub-command 4: every generic gump of the type answers with the button and closes.
    std::function<void(uint32_t typeId, uint32_t buttonId)> closeGenericGumps;
    std::function<void(const ItemListMenu&)> itemListMenu;
    std::function<void(const SignRequest&)> sign;
    std::function<void(const TextQueryRequest&)> textQuery;
    std::function<void(const DyeRequest&)> dyeRequest;
    std::function<void(const MultiPlacement&)> multiPlacement;
    std::function<void(const TipNotice&)> tipNotice;
    std::function<void(const ObjectHelp&)> objectHelp;
    std::function<void(const std::string& url)> openUrl;
    // Targeting (the application's target cursor): type 1 harmful, 2 beneficial.
    std::function<void(int type)> beginTargeting;
    std::function<void()> endTargeting;
    std::function<void(uint32_t serial)> openTargetHealthBar;
    std::function<void()> forgetNameRequester;
    // The text entry line after a prompt was answered (its mode back to 0, redrawn).
    std::function<void()> promptAnswered;
    std::function<std::string()> language; // three letters; "ENU" when empty
};
ServerWindowSlots& GetServerWindowSlots();
void ResetServerWindowSlots();

// ---------------------------------------------------------------- targets, prompts and builders
namespace PacketManager {

struct PendingTarget {
    uint32_t targetId = 0;
    uint8_t cursorType = 0;
    uint8_t cursorFlag = 0;
    bool serverTarget = false; // the next pick answers the server
};
struct LastTarget {
    enum Kind : int { None = 0, Object = 1, Land = 2, Static = 3 };
    int kind = None;
    uint32_t serial = 0;
    int x = 0, y = 0, z = 0;
    uint16_t graphic = 0;
};
const PendingTarget& GetPendingTarget();
const LastTarget& GetLastTarget();

// What the player picked with the server's target cursor.
struct TargetPick {
    enum Kind : int { Land, Object, Static };
    int kind = Land;
    uint32_t serial = 0;
    int x = 0, y = 0, z = 0;
    uint16_t graphic = 0;
    bool isPlayer = false;
    bool isMobile = false;
};
void SendTargetSelection(const TargetPick& pick);

struct PendingPrompt {
    bool pending = false;
    bool unicode = false;
    uint32_t serial = 0;
    uint32_t promptId = 0;
};
const PendingPrompt& GetPendingPrompt();
// Answers the pending prompt with a line the player entered.
void SendPromptReply(uint32_t type, const std::u16string& text);
void ResetServerWindowState();

void SendTargetReply(PacketWriter& packet, uint8_t type, uint32_t serial, uint16_t x, uint16_t y, uint16_t z,
                     uint16_t graphic); // 0x6C
void SendMenuChoice(PacketWriter& packet, uint32_t serial, uint16_t menuId, uint16_t index, uint16_t graphic,
                    uint16_t hue);                                                       // 0x7D
void SendDyeChoice(PacketWriter& packet, uint32_t serial, uint16_t value, uint16_t hue); // 0x95
void SendAsciiPromptReply(PacketWriter& packet, uint32_t serial, uint32_t promptId, uint32_t type,
                          const std::string& text);                                 // 0x9A
void SendHelpRequest(PacketWriter& packet, uint8_t value, const std::string& text); // 0x9B
void SendTextEntryReply(PacketWriter& packet, uint32_t serial, uint16_t parentId, uint8_t code,
                        const std::string& text);                                 // 0xAC
void SendObjectHelpRequest(PacketWriter& packet, uint32_t serial, uint8_t value); // 0xB6
void SendUnicodePromptReply(PacketWriter& packet, uint32_t serial, uint32_t promptId, uint32_t type,
                            const std::u16string& text);                   // 0xC2
void SendPopupRequest(PacketWriter& packet, uint32_t serial);              // 0xBF 0x13
void SendPopupChoice(PacketWriter& packet, uint32_t serial, uint16_t tag); // 0xBF 0x15
void SendPointerClick(PacketWriter& packet, uint8_t button);               // 0xBF 7: 0 left, 1 right

// 0xD0: a server-kept configuration file's compressed bytes.
void SendConfigFile(PacketWriter& packet, uint8_t slot, size_t length, const uint8_t* data);
// The server-kept files' connection side: the world flag, the sender and the verbose lines.
void BindServerConfigSync();

} // namespace PacketManager
