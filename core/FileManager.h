#pragma once
// File access: the installation folder (HD path), the CD folder (CD path), a short ordered list of
// search paths, and a table of every file opened by name. Every file that is not one of the numbered
// data files is opened here by a bare name ("verdata.mul", "Desktop\...\qv.cfg") and found on the
// search paths, with a second pass that ignores letter case.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace FileManager {

// The installation key of the first edition and the key of the later edition, tried in this order.
inline constexpr const char* kInstallKey = "SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0";
inline constexpr const char* kLaterInstallKey =
    "SOFTWARE\\Halden Worlds Online\\Varnis Online Emberfall\\1.0";

// The installation key that exists (first edition first); nullopt when neither does.
std::optional<std::string> FindInstallKey();
// A value of that key ("ExePath", "InstCDPath"); nullopt without a key or value.
std::optional<std::string> ReadInstallValue(std::string_view name);
// The folder of an "ExePath" value: everything up to and including its last '\' or '/'.
std::string FolderOfExePath(std::string_view exePath);

constexpr int MAX_SEARCH_PATHS = 10;
constexpr size_t MAX_PATH_LENGTH = 512;  // a search path holds at most 511 characters
constexpr size_t MAX_NAME_LENGTH = 1024; // given names
constexpr size_t MAX_CD_PATH_LENGTH = 1024;
constexpr size_t MAX_ACCESS_MODE_LENGTH = 8;
constexpr int MAX_OPEN_FILES = 1000;

void startup();
void shutdown();
// Starts with these folders instead of the settings store (tools; an empty CD path means none).
void startupWithPaths(std::string_view hdPath, std::string_view cdPath);
bool isStarted();

void addSearchPath(std::string_view path, bool flagA, bool flagB);
std::vector<std::string> searchPaths();

// The folders, each ending in '/'; the CD path is empty when the installation names none.
const std::string& getHDPath();
const std::string& getCDPath();
void setHDPath();
void setCDPath();

// Opens a file by name over the search paths ('\' in names becomes '/'). A name opened before is
// opened again at the same place; each call gets its own handle, to be closed with close.
std::FILE* open(const char* name, const char* mode);
// As open, but the name is the path itself.
std::FILE* openAbsolute(const char* name, const char* mode);
size_t read(void* buffer, size_t itemSize, size_t count, std::FILE* file);
size_t write(const void* buffer, size_t itemSize, size_t count, std::FILE* file);
int seek(std::FILE* file, long offset, int base);
void close(std::FILE* file);
// The full path a handle of the table was opened from; empty for unknown handles.
std::string actualNameOf(std::FILE* file);

// Loads a whole file. Returns the bytes loaded; 0 when the file is missing or empty.
int load(const char* name, std::vector<uint8_t>& out, bool quiet = false);
// Loads into the caller's buffer; a file larger than capacity is refused (0).
int load(const char* name, void* buffer, size_t capacity, bool quiet = false);

void reportOpenFiles();

struct OpenFileInfo {
    std::string givenName;
    std::string actualName;
    std::string mode;
    int openHandles = 0;
    int timesOpened = 0;
    int64_t size = 0;
    int numreads = 0;
};
std::vector<OpenFileInfo> openFiles();

// The full name of a file in the installation folder ("./" and the name when none is known).
std::string get_HDpath(std::string_view name);
// The same for the CD folder; nullopt when there is no CD path (the file is then "not found").
std::optional<std::string> get_CDpath(std::string_view name);

} // namespace FileManager
