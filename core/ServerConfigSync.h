#pragma once
// Server-kept configuration files: while enabled, the configuration files live in
// "Desktop/common/" and are kept on the server. Every changed file is compressed and sent (0xD0);
// a file the server sends replaces the local one and is loaded at once.
//
// The sync object reaches the connection, the world and the files' loaders through Services,
// which the application binds (core/ names nothing above it).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CGump;

namespace CServerConfigSync {

constexpr int kSlotCount = 12;
// Compressed uploads stay within what the servers' buffers take.
constexpr size_t kMaxUpload = 4096;
// A received file inflates into a buffer that grows up to this size.
constexpr size_t kMaxInflated = 1 << 20;
constexpr uint32_t kCheckPeriodMs = 300000;

bool IsEnabled();
void SetEnabled(bool on);
// The upload flag: while set, every received file is answered by sending the local one back.
void SetLoginFlag(uint8_t value);
uint8_t GetLoginFlag();
// The slot's file, relative to the working folder ("IGRerror.txt" past slot 11, "" below 0).
std::string GetFilePath(int slot);
void CheckFiles(bool force);
void UploadFile(int slot);
// The compressed data of a slot from the server; false when nothing was written.
bool ReceiveFile(int slot, const uint8_t* data, size_t length);
uint32_t GetChecksum(int slot);
// Adler-32 of the whole content; 0 for an empty one.
uint32_t Checksum(const std::vector<uint8_t>& content);

CGump* GetGump(); // the gump object QuitGame receives
void SetGump(CGump* gump);

struct Services {
    std::function<bool()> inWorld;
    std::function<void(int slot, const std::vector<uint8_t>& compressed)> send; // 0xD0
    std::function<void(int slot)> load;                                         // the slot's loader
    std::function<void(const char* line)> systemMessage;                        // verbose lines
};
Services& GetServices();
void ResetForTests();

} // namespace CServerConfigSync
