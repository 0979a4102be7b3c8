#include "core/config.h"

#include "platform/platform.h"

namespace ConfigFiles {
namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

std::string& LastResort() {
    static std::string folder;
    return folder;
}

} // namespace

void SetWorkingFolder(std::string_view folder) {
    Folder() = std::string(folder);
}

void SetLastResortFolder(std::string_view folder) {
    LastResort() = std::string(folder);
}

const std::string& WorkingFolder() {
    return Folder();
}

std::string WorkingPath(std::string_view name) {
    // The client's own folder is its working folder, wherever the process was started.
    const std::string& set = Folder().empty() ? CApp::GetClientFolder() : Folder();
    const std::string& folder = set.empty() ? LastResort() : set;
    std::string path = platform::NativePath(name);
    if (!path.empty() && path[0] != '/' && !folder.empty())
        path =
            platform::NativePath(folder) + (folder.back() == '/' || folder.back() == '\\' ? "" : "/") + path;
    if (std::optional<std::string> found = platform::FindPathIgnoringCase(path)) return *found;
    return path;
}

} // namespace ConfigFiles
