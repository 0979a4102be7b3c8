#pragma once
// What the connections, the login road and its handlers ask of the windows, the world and the rest
// of the client, gathered in one replaceable table. Each entry starts bound to the owning
// subsystem's function, or, while that subsystem is not built, to a stand-in that logs or does
// nothing; the subsystem rebinds its entries when it lands. Tests rebind entries to record calls
// (they stand where the login screens will stand) and ResetNetServices restores them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PlayerShardState;

// The fields of a login confirmation (0x1B) the world takes.
struct LoginConfirmation {
    uint32_t serial = 0;
    uint16_t body = 0;
    uint16_t x = 0;
    uint16_t y = 0;
    int16_t z = 0;
    uint8_t facing = 0;
    uint8_t map = 0;
    uint16_t boundsX = 0;
    uint16_t boundsY = 0;
    uint16_t boundsWidth = 0;
    uint16_t boundsHeight = 0;
};

// A character of a character list: its name and its server slot.
struct CharacterEntry {
    std::string name;
    int slot = 0;
};

// One line of the shard menu.
struct ShardMenuEntry {
    std::string text;
    int command = 0; // the shard record's id
    bool greyed = false;
};

// The game-room reporting parameters of packet 0xCE, in packet order.
struct GameRoomSessionFields {
    std::string userName;
    uint32_t port = 0;
    uint32_t heartbeatSeconds = 0;
    std::string roomId;    // 16 bytes
    std::string contextId; // 36 bytes
    uint32_t serviceId = 0;
    std::string host;
    std::string path;
};

// Who owns a modal message box.
enum class MessageOwner { None, MainMenu, CharacterSelection };

struct NetServices {
    // ---------------------------------------------------------------- feedback
    std::function<void(int hue, int font, const char* text)> showSystemMessage;
    std::function<void(const char* text)> setWindowTitle;
    // CGumpManager::ShowModalMessage with its owner, mode and value; it becomes the waiting gump.
    std::function<void(MessageOwner owner, const char* text, int mode, int value)> showModalMessage;
    // An operating-system message box.
    std::function<void(const char* text, const char* caption)> showMessageBox;

    // ---------------------------------------------------------------- login screens
    std::function<bool()> isWaitingGumpShown;
    std::function<void()> deleteWaitingGump;
    // The box of the three sending functions: centred, with or without its button.
    std::function<void(const char* text, bool withButton)> showWaitingBox;
    // The waiting gump centred over the main menu that says the servers are down.
    std::function<void(const char* text)> showServersDown;
    // Disable, or re-enable and focus, the main menu.
    std::function<void(bool enabled)> enableMainMenu;
    // CServerListGump from the shard tables, attached, with the front-end buttons.
    std::function<void()> showServerList;
    // The older combined list's shard window (CScrollChoiceGump 3500 sorted by time-zone distance).
    std::function<void()> showShardChoiceList;
    std::function<bool()> hasCharacterSelection;
    std::function<void()> deleteCharacterSelection;
    // A CLoginGump with these rows, attached as the character selection.
    std::function<void(const std::vector<CharacterEntry>& characters)> showCharacterSelection;
    std::function<void()> startCharacterCreation;
    // 0x86: the selection's rows replaced by these, and the selection enabled again.
    std::function<void(const std::vector<CharacterEntry>& characters)> refreshCharacterSelection;
    // 0x53 code 1: the selected row goes and the selected index goes down by one (not below 0).
    std::function<void()> removeSelectedCharacter;
    // Waiting gump, entering-world notice, character selection and creation screens.
    std::function<void()> deleteLoginScreens;
    // The pending notices of the road into the world (0x53 code 5).
    std::function<void()> deletePendingNotices;
    // The notice shown while entering the world (0x55).
    std::function<void()> deleteEnteringWorldNotice;
    // When a message box that must be acknowledged is open, its button runs step instead and true
    // is returned; false when there is none.
    std::function<bool(void (*step)())> deferUntilMessageClosed;
    // "Connection lost" as the waiting gump.
    std::function<void()> showConnectionLost;
    std::function<void()> destroyDraggedItem;
    // The flag logging out sets, that takes the client back to the main menu.
    std::function<void()> setLogoutReturn;
    // The popup menu of shard records; the chosen command, 0 for none.
    std::function<int(const std::vector<ShardMenuEntry>& entries)> showShardMenu;
    // The 8-bit speech of the input line (SendSpeech).
    std::function<void(const char* text)> sendSpeech;

    // ---------------------------------------------------------------- world
    // Steps 4-5 of the login confirmation on the world's side: bounds, serial, body, the reset
    // world, the player placed and the view centred, the screen cleared, the ceiling updated.
    std::function<void(const LoginConfirmation& confirmation)> placePlayer;
    std::function<int()> playerUpdateRange;
    std::function<void()> releaseWorldObjects;
    std::function<void(int on)> setShowRealSkills;
    std::function<void(uint32_t flags)> applyClientFlags;
    // The server's map number on the current connection (0xBF sub-command 8): the current map.
    std::function<void(int map)> setMap;
    // The speech and emote hues of a character slot become current.
    std::function<void(int slot)> useSlotHues;
    // The player's position, facing, update range, map, season and walk keys, for a shard switch.
    std::function<void(PlayerShardState& state)> readPlayerState;
    std::function<void(const PlayerShardState& state, uint32_t serial)> restorePlayerState;

    // ---------------------------------------------------------------- display and options
    std::function<void()> drawFrame;
    std::function<void(uint32_t ms)> sleep;
    // What entering the game display does outside the network: per-character configuration,
    // macros, the entry line, full screen or window, the desktop, the step height, transparency.
    std::function<void()> applyGameDisplay;
    std::function<void(int& width, int& height)> gameDisplaySize;
    std::function<bool()> tipsEnabled;
    std::function<int()> lastTipNumber;
    std::function<std::string()> userLanguageCode;
    // One key of the character's "qv.cfg", and one key of the main one.
    std::function<void(const char* key, const char* value)> saveConfigDirective;
    std::function<void(const char* key, const char* value)> saveMainConfigDirective;
    std::function<void()> resetTextStyle;      // UnicodeSetStyle (0)
    std::function<int()> clientTimeZoneOffset; // hours

    // ---------------------------------------------------------------- sound (packet 0x54)
    std::function<void(int id)> playAmbientSound;
    // A positional sound: no loop, no pitch variance, no second copy.
    std::function<void(int id, int x, int y)> playSoundAt;
    // While a sequence records, it takes the sound as a step instead (true when it did).
    std::function<bool(int id, int x, int y, int z)> recordSound;
    // ---------------------------------------------------------------- music (packet 0x6D, death)
    // MusicManager::PlaySong (song, restart, force): 1 done or ignored, 0 refused.
    std::function<int(int song, int restart, bool force)> playSong;

    // ---------------------------------------------------------------- game room, side connection
    std::function<void(const GameRoomSessionFields& fields)> igrSaveIdAndStart;
    std::function<void()> igrStopAllAndWait;
    // The game-room id; empty when the game-room mode is off.
    std::function<std::string()> gameRoomId;
    std::function<void()> pollSideConnection;
};

NetServices& GetNetServices();
// Every entry back to its default binding.
void ResetNetServices();
// The application, above net/, binds the entries that reach the windows and the display (system
// lines, modal messages, entering the game display). Its binder runs over the defaults now and at
// every ResetNetServices.
using NetServicesBinder = void (*)(NetServices& services);
void SetNetServicesBinder(NetServicesBinder binder);
