#include "core/config.h"

#include "platform/platform.h"

namespace ConfigFiles {
namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

} // namespace

void SetWorkingFolder(std::string_view folder) {
    Folder() = std::string(folder);
}

const std::string& WorkingFolder() {
    return Folder();
}

std::string WorkingPath(std::string_view name) {
    std::string path = platform::NativePath(name);
    if (!path.empty() && path[0] != '/' && !Folder().empty())
        path = Folder() + (Folder().back() == '/' ? "" : "/") + path;
    if (std::optional<std::string> found = platform::FindPathIgnoringCase(path)) return *found;
    return path;
}

} // namespace ConfigFiles
