#include "core/FileManager.h"

#include "core/QVReport.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace FileManager {
namespace {

struct SearchPathInfo {
    std::string path;
    bool flagA = false;
    bool flagB = false;
};

struct OpenFile {
    std::string givenName;
    std::string actualName;
    std::string mode;
    // Every caller gets its own handle, so reopening never pulls a handle from under its holder.
    std::vector<std::FILE*> handles;
    int timesOpened = 0;
    int64_t size = 0;
    int numreads = 0;
};

struct State {
    bool started = false;
    bool starting = false;
    std::string hdPath;
    std::string cdPath;
    bool hdSet = false;
    bool cdSet = false;
    std::vector<SearchPathInfo> searchPaths;
    std::vector<OpenFile> files;
};

State& S() {
    static State state;
    return state;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Paths are kept in the native form, folders ending in '/'.
std::string FolderForm(std::string_view path) {
    std::string p = platform::NativePath(path);
    if (!p.empty() && p.back() != '/') p += '/';
    return p;
}

int64_t SizeOf(const std::string& path) {
    std::optional<uint64_t> size = platform::FileSize(path);
    return size ? static_cast<int64_t>(*size) : 0;
}

OpenFile* EntryHolding(std::FILE* file) {
    if (!file) return nullptr;
    for (OpenFile& f : S().files)
        if (std::find(f.handles.begin(), f.handles.end(), file) != f.handles.end()) return &f;
    return nullptr;
}

void LogSearchPaths(const char* header) {
    QVReport::message("%s", header);
    for (const SearchPathInfo& p : S().searchPaths)
        QVReport::message(" %s\n", p.path.c_str());
}

void EnsureStarted(const char* warning) {
    State& s = S();
    if (s.started || s.starting) return;
    startup();
    QVReport::warning("%s", warning);
}

std::FILE* addFile(const std::string& givenName, const std::string& actualName, const char* mode,
                   std::FILE* handle) {
    State& s = S();
    if (std::strlen(mode) > MAX_ACCESS_MODE_LENGTH)
        QVReport::fatal(
            "FileManager::addFile: strlen(access_mode) > SearchPathInfo::MAX_ACCESS_MODE_LENGTH. QV "
            "startup code needs to be re-designed so we can allocate memory here!\n");
    OpenFile entry;
    entry.givenName = givenName;
    entry.actualName = actualName;
    entry.mode = mode;
    entry.handles.push_back(handle);
    entry.timesOpened = 1;
    entry.size = SizeOf(actualName);
    s.files.push_back(std::move(entry));
    QVReport::message("FileManager::addOpenFile: file '%s' added to list. size is %lld.\n",
                      actualName.c_str(), static_cast<long long>(s.files.back().size));
    if (static_cast<int>(s.files.size()) >= MAX_OPEN_FILES)
        QVReport::fatal(
            "FileManager::addOpenFile: numOpenFiles >= MAX_OPEN_FILES. QV startup code needs to be "
            "re-designed so we can allocate memory here!\n");
    return handle;
}

// The reopen pass: a name opened before is opened again from the same place, with a new handle.
bool Reopen(const char* method, const std::string& name, const char* mode, std::FILE*& result) {
    for (OpenFile& f : S().files) {
        if (!EqualIgnoringCase(f.givenName, name)) continue;
        if (!f.handles.empty())
            QVReport::warning("%s: file '%s' currently open. opening it once more.\n", method,
                              f.givenName.c_str());
        std::FILE* handle = std::fopen(f.actualName.c_str(), mode);
        if (!handle) {
            // Gone or locked since (removed, replaced, permissions changed): the caller treats the
            // file as missing, as it does any file that does not open.
            QVReport::error("%s: file '%s' was opened before, but cannot be opened again. check for illegal "
                            "access mode.\n",
                            method, f.givenName.c_str());
            result = nullptr;
            return true;
        }
        f.handles.push_back(handle);
        f.mode = mode;
        f.size = SizeOf(f.actualName);
        f.timesOpened += 1;
        QVReport::message("%s: file '%s' now open %d times.\n", method, f.givenName.c_str(), f.timesOpened);
        result = handle;
        return true;
    }
    return false;
}

std::FILE* OpenNamed(const char* method, const char* rawName, const char* mode, bool useSearchPaths) {
    if (!rawName || !mode) return nullptr;
    QVReport::message("%s: begin. filename='%s'\n", method, rawName);
    EnsureStarted(useSearchPaths
                      ? "FileManager::open: had to startup FileManager. QV startup code needs to be "
                        "re-designed!\n"
                      : "FileManager::openAbsolute: had to startup FileManager. QV startup code needs "
                        "to be re-designed!\n");
    std::string name = platform::NativePath(rawName);
    if (name.empty() || name.size() > MAX_NAME_LENGTH) {
        QVReport::error("%s: refusing a file name of %zu characters.\n", method, name.size());
        return nullptr;
    }
    if (std::strlen(mode) > MAX_ACCESS_MODE_LENGTH) {
        QVReport::error("%s: refusing access mode '%s'.\n", method, mode);
        return nullptr;
    }

    std::FILE* result = nullptr;
    bool reopened = Reopen(method, name, mode, result);
    QVReport::message("%s: finished searching list of opened files.\n", method);
    if (reopened) {
        QVReport::message("%s: seeking to start of file.\n", method);
        return result;
    }

    if (!useSearchPaths) {
        QVReport::message("%s: looking for file with name 'as-is'.\n", method);
        std::FILE* handle = std::fopen(name.c_str(), mode);
        if (!handle) {
            QVReport::warning("%s: failed to open '%s'.\n", method, name.c_str());
            return nullptr;
        }
        QVReport::message("%s: opened '%s' with mode '%s'.\n", method, name.c_str(), mode);
        return addFile(name, name, mode, handle);
    }

    QVReport::message("%s: looking for file with name 'as-is' on all search paths.\n", method);
    // Copies: addFile may end the process, and the paths must not change under the loop.
    const std::vector<SearchPathInfo> paths = S().searchPaths;
    for (const SearchPathInfo& p : paths) {
        std::string full = p.path + name;
        QVReport::message("%s: trying to open '%s' with mode '%s'.\n", method, full.c_str(), mode);
        if (std::FILE* handle = std::fopen(full.c_str(), mode)) {
            QVReport::message("%s: opened '%s' with mode '%s'.\n", method, full.c_str(), mode);
            addFile(name, full, mode, handle);
            QVReport::message("%s: seeking to start of file.\n", method);
            return handle;
        }
    }
    QVReport::warning("%s: failed to open '%s' with given mode '%s' on any of paths in searchPaths.\n",
                      method, name.c_str(), mode);
    QVReport::warning("%s ('fuzzy find'): looking for '%s' on searchPaths, but ignoring case.\n", method,
                      name.c_str());
    for (const SearchPathInfo& p : paths) {
        std::optional<std::string> found = platform::FindPathIgnoringCase(p.path + name);
        if (!found || platform::IsDirectory(*found)) continue;
        if (std::FILE* handle = std::fopen(found->c_str(), mode)) {
            QVReport::message("%s: opened '%s' with mode '%s'.\n", method, found->c_str(), mode);
            addFile(name, *found, mode, handle);
            QVReport::message("%s: seeking to start of file.\n", method);
            return handle;
        }
    }
    QVReport::warning("%s: failed to open '%s' with given mode '%s' on any of paths in searchPaths, even by "
                      "ignoring case.\n",
                      method, name.c_str(), mode);
    return nullptr;
}

void AddStartupSearchPaths() {
    State& s = S();
    addSearchPath(s.hdPath, true, true);
    if (s.cdPath.empty()) {
        QVReport::error("FileManager::setCDPath: CDPath not set\n");
    } else {
        QVReport::message("FileManager::setCDPath: set CDPath to '%s'\n", s.cdPath.c_str());
        addSearchPath(s.cdPath, true, false);
    }
    addSearchPath(s.hdPath + "tutorial/", true, true);
    // Without a CD there is no CD tutorial folder (not the working folder's "tutorial").
    if (!s.cdPath.empty()) addSearchPath(s.cdPath + "tutorial/", true, true);
    LogSearchPaths("FileManager::startup: search paths are:\n");
}

} // namespace

std::optional<std::string> FindInstallKey() {
    for (const char* key : {kInstallKey, kLaterInstallKey})
        if (platform::RegKeyExists(platform::RegRoot::LocalMachine, key)) return std::string(key);
    return std::nullopt;
}

std::optional<std::string> ReadInstallValue(std::string_view name) {
    std::optional<std::string> key = FindInstallKey();
    if (!key) return std::nullopt;
    return platform::RegGetString(platform::RegRoot::LocalMachine, *key, name);
}

std::string FolderOfExePath(std::string_view exePath) {
    size_t cut = exePath.find_last_of("\\/");
    if (cut == std::string_view::npos) return std::string();
    return std::string(exePath.substr(0, cut + 1));
}

void startup() {
    State& s = S();
    QVReport::message("FileManager::startup: starting...\n");
    if (s.started) return;
    s = State{};
    s.starting = true;
    setHDPath();
    setCDPath();
    AddStartupSearchPaths();
    s.starting = false;
    s.started = true;
}

void startupWithPaths(std::string_view hdPath, std::string_view cdPath) {
    State& s = S();
    QVReport::message("FileManager::startup: starting...\n");
    if (s.started) return;
    s = State{};
    s.starting = true;
    s.hdPath = FolderForm(hdPath);
    s.cdPath = FolderForm(cdPath);
    s.hdSet = s.cdSet = true;
    QVReport::message("FileManager::setHDPath: set HDPath to '%s'\n", s.hdPath.c_str());
    AddStartupSearchPaths();
    s.starting = false;
    s.started = true;
}

bool isStarted() {
    return S().started;
}

void shutdown() {
    State& s = S();
    QVReport::message("FileManager::shutdown: stopping...\n");
    if (!s.started) {
        s = State{}; // a start that ended half-way leaves nothing behind
        return;
    }
    reportOpenFiles();
    for (OpenFile& f : s.files)
        for (std::FILE* handle : f.handles)
            std::fclose(handle);
    s = State{};
    QVReport::message("FileManager::shutdown: stopped.\n");
}

void addSearchPath(std::string_view path, bool flagA, bool flagB) {
    State& s = S();
    if (path.size() >= MAX_PATH_LENGTH)
        QVReport::fatal("FileManager::addSearchPath: strlen(new_path) >= SearchPathInfo::MAX_PATH_LENGTH. QV "
                        "startup code needs to be re-designed so we can allocate memory here!\n");
    s.searchPaths.push_back({FolderForm(path), flagA, flagB});
    if (static_cast<int>(s.searchPaths.size()) >= MAX_SEARCH_PATHS)
        QVReport::fatal(
            "FileManager::addSearchPath: numSearchPaths >= MAX_SEARCH_PATHS. QV startup code needs to "
            "be re-designed so we can allocate memory here!\n");
    LogSearchPaths("FileManager::addSearchPath: search paths are:\n");
}

std::vector<std::string> searchPaths() {
    std::vector<std::string> out;
    for (const SearchPathInfo& p : S().searchPaths)
        out.push_back(p.path);
    return out;
}

const std::string& getHDPath() {
    EnsureStarted(
        "FileManager::getHDPath: had to startup FileManager. QV startup code needs to be re-designed!\n");
    State& s = S();
    if (!s.hdSet)
        QVReport::fatal("FileManager::getHDPath: HDPath is not set. maybe you have not called "
                        "FileManager::startup?\n");
    return s.hdPath;
}

const std::string& getCDPath() {
    EnsureStarted(
        "FileManager::getCDPath: had to startup FileManager. QV startup code needs to be re-designed!\n");
    State& s = S();
    if (!s.cdSet)
        QVReport::fatal("FileManager::getCDPath: CDPath is not set. maybe you have not called "
                        "FileManager::startup?\n");
    return s.cdPath;
}

void setHDPath() {
    State& s = S();
    static const char* kNotInstalled =
        "Varnis Online does not appear to be installed correctly on your system. "
        "Please re-install QV by running the setup.exe program located on your QV "
        "CD-ROM";
    if (!FindInstallKey()) QVReport::fatal("%s\n", kNotInstalled);
    std::optional<std::string> exePath = ReadInstallValue("ExePath");
    if (!exePath) QVReport::fatal("%s.\n", kNotInstalled);
    std::string folder = FolderOfExePath(*exePath);
    if (folder.empty()) QVReport::fatal("FileManager::setHDPath: HDPath not set\n");
    s.hdPath = FolderForm(folder);
    s.hdSet = true;
    QVReport::message("FileManager::setHDPath: set HDPath to '%s'\n", s.hdPath.c_str());
}

void setCDPath() {
    State& s = S();
    s.cdPath.clear();
    s.cdSet = true;
    std::optional<std::string> value = ReadInstallValue("InstCDPath");
    if (!value || value->empty()) return;
    std::string path = FolderForm(*value) + "client/";
    // The whole folder name, "client/" included, must fit what the other paths allow.
    if (path.size() >= MAX_CD_PATH_LENGTH || path.size() + 9 >= MAX_PATH_LENGTH) {
        QVReport::error("FileManager::setCDPath: temp >= MAX_CD_PATH_LENGTH.\n");
        return;
    }
    s.cdPath = path;
}

std::FILE* open(const char* name, const char* mode) {
    return OpenNamed("FileManager::open", name, mode, true);
}

std::FILE* openAbsolute(const char* name, const char* mode) {
    return OpenNamed("FileManager::openAbsolute", name, mode, false);
}

size_t read(void* buffer, size_t itemSize, size_t count, std::FILE* file) {
    if (!file || !buffer) return 0;
    for (OpenFile& f : S().files)
        if (std::find(f.handles.begin(), f.handles.end(), file) != f.handles.end()) f.numreads += 1;
    size_t got = std::fread(buffer, itemSize, count, file);
    if (got != count)
        QVReport::warning("FileManager::read: items_read(%d) != count(%d)\n", static_cast<int>(got),
                          static_cast<int>(count));
    return got;
}

size_t write(const void* buffer, size_t itemSize, size_t count, std::FILE* file) {
    if (!file || !buffer) return 0;
    return std::fwrite(buffer, itemSize, count, file);
}

int seek(std::FILE* file, long offset, int base) {
    if (!EntryHolding(file))
        QVReport::fatal("FileManager::seek: trying to seek into unopened or unknown file!\n");
    return std::fseek(file, offset, base);
}

void close(std::FILE* file) {
    if (!file) return;
    OpenFile* f = EntryHolding(file);
    if (!f) {
        QVReport::warning("FileManager::close: trying to close unopened or unknown file!\n");
        return;
    }
    QVReport::message("FileManager::close: closing file '%s'.\n", f->actualName.c_str());
    f->handles.erase(std::find(f->handles.begin(), f->handles.end(), file));
    std::fclose(file);
}

std::string actualNameOf(std::FILE* file) {
    OpenFile* f = EntryHolding(file);
    return f ? f->actualName : std::string();
}

namespace {

// Opens the name and answers its size; 0 (after the failure warning) when it cannot be loaded.
std::FILE* OpenForLoad(const char* name, int64_t& size, bool quiet) {
    size = 0;
    std::FILE* file = open(name, "rb");
    if (!file) {
        QVReport::warning("FileManager::load: failed to load '%s'.\n", name ? name : "");
        return nullptr;
    }
    OpenFile* f = EntryHolding(file);
    if (!f) QVReport::fatal("FileManager::getOpenFileSize: file not found.\n");
    size = f->size;
    if (size <= 0 || size > INT32_MAX) {
        if (!quiet) QVReport::error("FileManager::load: len=%lld.\n", static_cast<long long>(size));
        close(file);
        QVReport::warning("FileManager::load: failed to load '%s'.\n", name);
        return nullptr;
    }
    return file;
}

int ReadAll(const char* name, std::FILE* file, void* buffer, int64_t size) {
    size_t loaded = read(buffer, 1, static_cast<size_t>(size), file);
    close(file);
    if (static_cast<int64_t>(loaded) != size)
        QVReport::fatal("FileManager::load: file '%s'. loaded(%d) != len(%d)\n", name,
                        static_cast<int>(loaded), static_cast<int>(size));
    return static_cast<int>(loaded);
}

} // namespace

int load(const char* name, std::vector<uint8_t>& out, bool quiet) {
    int64_t size = 0;
    std::FILE* file = OpenForLoad(name, size, quiet);
    if (!file) return 0;
    QVReport::message("FileManager::load: file '%s'. allocating %d bytes of memory\n", name,
                      static_cast<int>(size));
    out.assign(static_cast<size_t>(size), 0);
    return ReadAll(name, file, out.data(), size);
}

int load(const char* name, void* buffer, size_t capacity, bool quiet) {
    if (!buffer) return 0;
    int64_t size = 0;
    std::FILE* file = OpenForLoad(name, size, quiet);
    if (!file) return 0;
    if (static_cast<uint64_t>(size) > capacity) {
        QVReport::error("FileManager::load: file '%s' holds %lld bytes, the buffer only %zu.\n", name,
                        static_cast<long long>(size), capacity);
        close(file);
        return 0;
    }
    return ReadAll(name, file, buffer, size);
}

void reportOpenFiles() {
    QVReport::message("FileManager::reportOpenFiles:\n");
    QVReport::message(" open timesOpened         size numreads            givenName actualName\n");
    for (const OpenFile& f : S().files)
        QVReport::message("%s %11d %12lld %8d %20s %s\n", f.handles.empty() ? "   no" : "  yes",
                          f.timesOpened, static_cast<long long>(f.size), f.numreads, f.givenName.c_str(),
                          f.actualName.c_str());
}

std::vector<OpenFileInfo> openFiles() {
    std::vector<OpenFileInfo> out;
    for (const OpenFile& f : S().files)
        out.push_back({f.givenName, f.actualName, f.mode, static_cast<int>(f.handles.size()), f.timesOpened,
                       f.size, f.numreads});
    return out;
}

std::string get_HDpath(std::string_view name) {
    const std::string& hd = getHDPath();
    if (hd.empty()) return "./" + platform::NativePath(name);
    return hd + platform::NativePath(name);
}

std::optional<std::string> get_CDpath(std::string_view name) {
    const std::string& cd = getCDPath();
    if (cd.empty()) return std::nullopt;
    return cd + platform::NativePath(name);
}

} // namespace FileManager
