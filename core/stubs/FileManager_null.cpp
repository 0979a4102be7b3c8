// Stand-in until the file access layer is built: no search paths; names resolve in the working
// folder, and the installation key is read as it stands.
#include "core/QVReport.h"
#include "core/StartupServices.h"
#include "platform/platform.h"

#include <cstdio>

namespace FileManager {
void startup() {
    QVReport::message("FileManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("FileManager::shutdown: begin.\n");
}
const char* getCDPath() {
    return "";
}
} // namespace FileManager

namespace CApp {
const char* get_HDpath(const char* name) {
    static char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "./%s", name ? name : "");
    return buffer;
}
const char* get_CDpath(const char*) {
    QVReport::fatal("CApp::get_CDpath: currently no code support for this hardware version of the client.\n");
}
} // namespace CApp

bool ReadInstallPathFromRegistry(const std::string& key, std::string& exePath) {
    auto value = platform::RegGetString(platform::RegRoot::LocalMachine, key, "ExePath");
    if (!value) return false;
    exePath = *value;
    return true;
}
