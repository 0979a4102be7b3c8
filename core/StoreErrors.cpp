#include "core/StoreErrors.h"

#include "core/QVReport.h"

#include <cstring>
#include <set>

namespace StoreErrors {
namespace {

std::set<std::string>& Told() {
    static std::set<std::string> told;
    return told;
}

} // namespace

void TellPlayer(const std::string& path) {
    if (!Told().insert(path).second) return;
    platform::ShowMessageBox(NoticeText(path), kCaption, platform::BoxIcon::Warning);
}

std::string NoticeText(const std::string& path) {
    return "Your settings could not be saved to '" + path +
           "'. The game goes on with the settings it has; changes made from now on may be lost when "
           "it ends.";
}

void ReadFailed(const char* who, const std::string& path, int error, bool tellPlayer) {
    QVReport::error("%s: cannot read '%s' (%s); it is left as it is and not rewritten.\n", who, path.c_str(),
                    std::strerror(error));
    if (tellPlayer) TellPlayer(path);
}

void SaveFailed(const char* who, const std::string& path, bool tellPlayer) {
    QVReport::error("%s: cannot write '%s'; the old file is kept.\n", who, path.c_str());
    if (tellPlayer) TellPlayer(path);
}

std::optional<std::string> ReadForRewrite(const char* who, const std::string& path, bool tellPlayer) {
    platform::FileContents contents = platform::ReadFileContents(path);
    if (contents.status == platform::ReadStatus::Missing) return std::string();
    if (contents.status == platform::ReadStatus::Failed) {
        ReadFailed(who, path, contents.error, tellPlayer);
        return std::nullopt;
    }
    return std::string(contents.bytes.begin(), contents.bytes.end());
}

void ResetForTests() {
    Told().clear();
}

} // namespace StoreErrors
