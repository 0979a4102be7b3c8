#pragma once
// The desktop file: which windows were open and where, written at logout and read at the next entry
// into the world; containers reopen one by one through a queue that asks the server every 3 s.
//
// Bounds: the file is read through a bounded reader and a record cut by the end of the file is
// ignored; the table keeps 50 entries and records past it are skipped with their queue entry;
// back-buffer sizes are kept between the smallest screen and the desktop, window sizes within the
// back buffer and places on screen.
#include "gumps/CGump.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Desktop {

constexpr int kMaxEntries = 50;
constexpr int kMinWidth = 640, kMinHeight = 480;

enum RecordType : uint8_t {
    Paperdoll = 0,
    Status = 1,
    Journal = 2,
    Container = 3,
    Skills = 4,
    Spellbook = 5,
    Options = 6,
    Fighting = 7,
    SpellIcon = 8,
    PopupHelp = 9,
    Chat = 10,
    Geometry = 11,
    GMChat = 12,
    MessengerWeb = 13,
    MessengerMessages = 14,
    Radar = 15,
    GeometryWithState = 16,
};
// The body length of a record type; -1 for a type that has none (the next byte is a type).
int BodyLength(uint8_t type);

struct Record {
    uint8_t type = 0;
    std::vector<uint8_t> body;
    int32_t I32(size_t at) const;
    uint16_t U16(size_t at) const;
    uint8_t U8(size_t at) const;
};
struct File {
    uint32_t serial = 0;
    std::vector<Record> records;
};
// False for a file shorter than its serial. A record cut by the end is dropped.
bool Parse(const std::vector<uint8_t>& bytes, File* out);
// The file's bytes: the serial, then each record.
std::vector<uint8_t> Encode(const File& file);

struct Entry {
    uint8_t type = 0;
    uint32_t serial = 0;
    bool minimised = false;
    uint8_t page = 0;
    uint16_t width = 0, height = 0;
    int32_t x = 0, y = 0;
};

struct WindowGeometry {
    int areaX = 0, areaY = 0, windowX = 0, windowY = 0, width = 0, height = 0;
    bool maximised = false;
};

// What the desktop asks of the rest of the client; tests fill it.
struct Services {
    std::function<bool()> inWorld;
    std::function<uint32_t()> playerSerial;
    std::function<bool()> playerIsGhost;
    std::function<uint32_t()> backpackSerial;
    // The desktop files to try in order (per character or common, then the numbered file), and the
    // one to write; empty: none.
    std::function<std::vector<std::string>()> readPaths;
    std::function<std::string()> writePath;
    std::function<void(uint32_t serial)> useObject; // 0x06
    std::function<void()> setNewbieDesktop;
    // The screen (desktop) size and the current geometry; applying one resizes the back buffer.
    std::function<void(int* width, int* height)> desktopSize;
    std::function<WindowGeometry()> currentGeometry;
    std::function<void(const WindowGeometry&)> applyGeometry;
    std::function<uint32_t()> seconds; // the frame second
};
Services& GetServices();

struct State {
    std::vector<Entry> table;
    bool restoring = false;
    bool foreign = false;
    bool defaultDesktop = false;
    std::vector<uint32_t> queue;
    bool queueDone = true;
    uint32_t lastStep = 0;
    int popupX = -1, popupY = -1;
    int32_t chat[8] = {};
    CGump* restoredRadar = nullptr;
};
State& GetState();
void ResetForTests();

// Reads a desktop file's bytes (LoadDesktop over them).
void Load(const std::vector<uint8_t>& bytes);
// The enter-world step: the first desktop file that reads, else the default desktop.
void Restore();
// The record of the current windows, as saving writes it.
File Collect();
// The object is held by the player, directly or through containers.
bool IsInsidePlayer(uint32_t serial);
// Moves and restores a container window reopened from the queue.
void ApplySavedContainer(uint32_t serial, CGump* container);

} // namespace Desktop
