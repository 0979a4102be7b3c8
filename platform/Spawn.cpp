#include "platform/platform.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace platform {

std::optional<std::string> FindProgramOnPath(std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        if (::access(path.c_str(), X_OK) == 0) return path;
        return std::nullopt;
    }
    const std::string dirs = GetEnv("PATH");
    std::string_view rest = dirs;
    for (;;) {
        size_t end = rest.find(':');
        std::string_view dir = rest.substr(0, end);
        std::string candidate(dir.empty() ? std::string_view(".") : dir);
        candidate += '/';
        candidate.append(name);
        if (::access(candidate.c_str(), X_OK) == 0 && !IsDirectory(candidate)) return candidate;
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return std::nullopt;
}

bool StartProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& workingFolder, int* error) {
    int dummy = 0;
    int& err = error ? *error : dummy;
    err = 0;
    if (!workingFolder.empty() && !IsDirectory(workingFolder)) {
        err = ENOTDIR;
        return false;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        err = rc;
        return false;
    }
    // Nobody waits for the browser; reap it so it leaves no zombie.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

} // namespace platform
