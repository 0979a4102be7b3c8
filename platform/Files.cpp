#include "platform/platform.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <strings.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string NativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string UserDataDir() {
    std::string dir = GetEnv("QV_DATA_DIR");
    if (!dir.empty()) return dir;
    std::string data = GetEnv("XDG_DATA_HOME");
    if (data.empty()) data = GetEnv("HOME") + "/.local/share";
    return data + "/varnis-online";
}

bool FileExists(std::string_view path) {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view path) {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectories(std::string_view path) {
    std::string p = NativePath(path);
    if (p.empty()) return false;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return IsDirectory(p);
}

std::optional<uint64_t> FileSize(std::string_view path) {
    struct stat st {};
    if (::stat(std::string(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

FileContents ReadFileContents(std::string_view path) {
    FileContents out;
    int fd = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.error = errno;
        out.status = out.error == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return out;
    }
    uint8_t chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.error = errno; // a folder in place of the file ends here with EISDIR
            break;
        }
        if (n == 0) break;
        out.bytes.insert(out.bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    if (out.error != 0) {
        out.status = ReadStatus::Failed;
        out.bytes.clear();
    } else {
        out.status = ReadStatus::Read;
    }
    return out;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view path) {
    FileContents contents = ReadFileContents(path);
    if (contents.status != ReadStatus::Read) return std::nullopt;
    return std::move(contents.bytes);
}

std::optional<std::string> FindPathIgnoringCase(std::string_view path) {
    std::string p = NativePath(path);
    if (p.empty()) return std::nullopt;
    if (FileExists(p)) return p;

    // Most often the folder is named exactly and only the file's case differs: one scan of it.
    const size_t slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0 && slash + 1 < p.size()) {
        const std::string parent = p.substr(0, slash), last = p.substr(slash + 1);
        if (last != "." && last != ".." && IsDirectory(parent)) {
            DIR* d = ::opendir(parent.c_str());
            if (!d) return std::nullopt;
            std::optional<std::string> found;
            while (dirent* e = ::readdir(d)) {
                if (::strcasecmp(e->d_name, last.c_str()) == 0) {
                    found = parent + "/" + e->d_name;
                    break;
                }
            }
            ::closedir(d);
            return found;
        }
    }

    std::string resolved = p[0] == '/' ? "/" : "";
    size_t pos = p[0] == '/' ? 1 : 0;
    while (pos <= p.size()) {
        size_t slash = p.find('/', pos);
        std::string part = p.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        pos = slash == std::string::npos ? p.size() + 1 : slash + 1;
        if (part.empty() || part == ".") continue;
        std::string dir = resolved.empty() ? "." : resolved;
        std::string candidate = resolved + part;
        if (part != ".." && !FileExists(candidate)) {
            DIR* d = ::opendir(dir.c_str());
            if (!d) return std::nullopt;
            std::string match;
            while (dirent* e = ::readdir(d)) {
                if (::strcasecmp(e->d_name, part.c_str()) == 0) {
                    match = e->d_name;
                    break;
                }
            }
            ::closedir(d);
            if (match.empty()) return std::nullopt;
            candidate = resolved + match;
        }
        resolved = candidate;
        if (pos <= p.size()) resolved += '/';
    }
    if (!resolved.empty() && resolved.back() == '/' && resolved.size() > 1) resolved.pop_back();
    return FileExists(resolved) ? std::optional<std::string>(resolved) : std::nullopt;
}

// ---------------------------------------------------------------- atomic replacement

namespace {

std::atomic<bool> g_durable{true};

constexpr std::string_view kTempMark = ".tmp-";
constexpr size_t kTempSuffix = 6; // the letters mkstemp fills in

bool IsTemporaryName(std::string_view name) {
    if (name.size() <= kTempMark.size() + kTempSuffix) return false;
    const size_t mark = name.size() - kTempSuffix - kTempMark.size();
    if (name.substr(mark, kTempMark.size()) != kTempMark) return false;
    for (char c : name.substr(name.size() - kTempSuffix))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Creates the temporary beside path_ and takes its lock. A sweeper of another process might remove
// the name between the creation and the lock; then the name no longer leads to our file, and we
// make another.
int CreateLockedTemporary(const std::string& path, std::string& tempPath) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        tempPath = path + std::string(kTempMark) + "XXXXXX";
        int fd = ::mkstemp(tempPath.data());
        if (fd < 0) break;
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        struct stat mine {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &mine) == 0 &&
            ::stat(tempPath.c_str(), &named) == 0 && SameFile(mine, named))
            return fd;
        ::close(fd);
    }
    tempPath.clear();
    return -1;
}

} // namespace

void SetDurableWrites(bool durable) {
    g_durable = durable;
}

size_t RemoveStaleTemporaries(std::string_view folder) {
    const std::string dir = folder.empty() ? std::string(".") : NativePath(folder);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    std::vector<std::string> candidates;
    while (dirent* e = ::readdir(d))
        if (IsTemporaryName(e->d_name)) candidates.emplace_back(e->d_name);
    ::closedir(d);
    size_t removed = 0;
    for (const std::string& name : candidates) {
        const std::string path = dir + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {
        }, named{};
        // A writer holds its temporary's lock until the rename; a lock we can take was left by a
        // writer that is gone.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::stat(path.c_str(), &named) == 0 &&
            SameFile(held, named) && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

namespace {
std::mutex g_sweptMutex;
std::set<std::string> g_swept; // folders swept by this process
} // namespace

void SweepStaleTemporariesOnce(std::string_view filePath) {
    std::string folder = FolderOf(NativePath(filePath));
    {
        std::lock_guard<std::mutex> lock(g_sweptMutex);
        if (!g_swept.insert(folder).second) return;
    }
    RemoveStaleTemporaries(folder);
}

void ForgetSweptFoldersForTests() {
    std::lock_guard<std::mutex> lock(g_sweptMutex);
    g_swept.clear();
}

AtomicFileWriter::AtomicFileWriter(std::string_view path, FileAccess access) : path_(NativePath(path)) {
    // rename() would replace a file its owner made read-only without asking: refuse, as opening it
    // for writing would.
    if (::access(path_.c_str(), F_OK) == 0 && ::access(path_.c_str(), W_OK) != 0) return;
    SweepStaleTemporariesOnce(path_);
    int fd = CreateLockedTemporary(path_, tempPath_);
    if (fd < 0) return;
    // Keep the permissions of the file we replace (a private file loses its group and other bits),
    // else the usual ones. mkstemp made the file 0600, so it was never wider than its final mode.
    struct stat st {};
    const bool exists = ::stat(path_.c_str(), &st) == 0;
    mode_t mode = exists ? (st.st_mode & 07777) : (access == FileAccess::Private ? 0600 : 0644);
    if (access == FileAccess::Private) mode &= 07700;
    ::fchmod(fd, mode);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    Abandon();
}

void AtomicFileWriter::Abandon() {
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool AtomicFileWriter::Commit() {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && (!g_durable || ::fsync(::fileno(file_)) == 0);
    // Renamed while the file is still open, so that its lock covers it until it has its name.
    if (ok) ok = ::rename(tempPath_.c_str(), path_.c_str()) == 0;
    if (!ok) ::unlink(tempPath_.c_str());
    std::fclose(file_);
    file_ = nullptr;
    tempPath_.clear();
    return ok;
}

bool AtomicReplaceFile(std::string_view path, const void* data, size_t size, FileAccess access) {
    AtomicFileWriter writer(path, access);
    if (!writer.IsOpen()) return false;
    if (size > 0 && std::fwrite(data, 1, size, writer.File()) != size) return false;
    return writer.Commit();
}

// ---------------------------------------------------------------- memory-mapped files

namespace {
uint8_t g_emptyView[1]; // the view of an empty file: valid, zero bytes long
}

FileMapping::FileMapping(FileMapping&& other) noexcept {
    *this = std::move(other);
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = other.data_;
        size_ = other.size_;
        mapped_ = other.mapped_;
        fd_ = other.fd_;
        other.data_ = nullptr;
        other.size_ = 0;
        other.mapped_ = false;
        other.fd_ = -1;
    }
    return *this;
}

FileMapping::~FileMapping() {
    Close();
}

void FileMapping::Close() {
    if (mapped_ && data_) ::munmap(data_, size_);
    if (fd_ >= 0) ::close(fd_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
    fd_ = -1;
}

bool FileMapping::OpenRead(std::string_view path, int* error) {
    Close();
    int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error) *error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return false;
    }
    if (st.st_size == 0) {
        ::close(fd);
        data_ = g_emptyView;
        return true;
    }
    void* view = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd); // the mapping keeps the file
    if (view == MAP_FAILED) {
        if (error) *error = errno;
        return false;
    }
    data_ = static_cast<uint8_t*>(view);
    size_ = static_cast<size_t>(st.st_size);
    mapped_ = true;
    return true;
}

bool FileMapping::OpenReadWrite(std::string_view path, size_t size, int* error) {
    Close();
    int fd = ::open(NativePath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = errno;
        return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        if (error) *error = errno;
        ::close(fd);
        return false;
    }
    if (size == 0) {
        fd_ = fd;
        data_ = g_emptyView;
        return true;
    }
    void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        if (error) *error = errno;
        ::close(fd);
        return false;
    }
    fd_ = fd;
    data_ = static_cast<uint8_t*>(view);
    size_ = size;
    mapped_ = true;
    return true;
}

bool FileMapping::Flush() {
    if (!mapped_) return data_ != nullptr;
    return ::msync(data_, size_, MS_SYNC) == 0;
}

} // namespace platform
