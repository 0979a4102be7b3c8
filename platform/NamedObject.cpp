#include "platform/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Object names may hold characters a file name must not ("QVReport::startup").
std::string LockPathFor(std::string_view name) {
    std::string file;
    for (char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == ' ';
        file += plain ? c : '_';
    }
    return RuntimeDir() + "/" + file + ".lock";
}

int OpenLockFile(const std::string& path, bool create) {
    int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    return ::open(path.c_str(), flags, 0600);
}

} // namespace

std::string RuntimeDir() {
    std::string dir = GetEnv("QV_RUNTIME_DIR");
    if (dir.empty()) {
        std::string xdg = GetEnv("XDG_RUNTIME_DIR");
        dir = xdg.empty() ? "/tmp/varnis-online-" + std::to_string(::getuid()) : xdg + "/varnis-online";
    }
    MakeDirectories(dir);
    return dir;
}

NamedObject::NamedObject(NamedObject&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

NamedObject& NamedObject::operator=(NamedObject&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

NamedObject::~NamedObject() {
    Close();
}

void NamedObject::Close() {
    if (fd_ >= 0) ::close(fd_); // closing drops our shared lock
    fd_ = -1;
}

// A holder keeps a shared lock. Whoever gets the exclusive lock is alone: the object did not exist.
NamedObject NamedObject::Create(std::string_view name, bool* alreadyExisted) {
    if (alreadyExisted) *alreadyExisted = false;
    int fd = OpenLockFile(LockPathFor(name), true);
    if (fd < 0) return NamedObject();
    bool alone = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (alreadyExisted) *alreadyExisted = !alone;
    // Converting is not atomic; a creator racing us then sees "exists", which is the truth.
    while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
    }
    return NamedObject(fd);
}

NamedObject NamedObject::OpenExisting(std::string_view name) {
    int fd = OpenLockFile(LockPathFor(name), false);
    if (fd < 0) return NamedObject();
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) { // nobody holds it
        ::close(fd);
        return NamedObject();
    }
    while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
    }
    return NamedObject(fd);
}

} // namespace platform
