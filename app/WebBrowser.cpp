#include "app/WebBrowser.h"

#include "app/AppServices.h"
#include "core/QVReport.h"
#include "platform/platform.h"

#include <cctype>
#include <cerrno>

namespace {

constexpr const char* kOpener = "xdg-open";
bool g_directoryError = false;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

} // namespace

bool IsOpenableWebAddress(const std::string& url) {
    bool http = StartsWithNoCase(url, "http://") && url.size() > 7;
    bool https = StartsWithNoCase(url, "https://") && url.size() > 8;
    if (!http && !https) return false;
    for (unsigned char c : url)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

bool RunBrowserCommand(const std::string& program, const std::string& url, const std::string& workingFolder) {
    int error = 0;
    if (platform::StartProgram(program, {url}, workingFolder, &error)) return true;
    g_directoryError = error == ENOTDIR;
    QVReport::warning("RunBrowserCommand: cannot start '%s' (error %d).\n", program.c_str(), error);
    return false;
}

bool LaunchWebBrowser(const std::string& url, const std::string& workingFolder) {
    std::optional<std::string> opener = platform::FindProgramOnPath(kOpener);
    if (!opener) return false;
    return RunBrowserCommand(*opener, url, workingFolder);
}

bool OpenURL(const std::string& url) {
    if (!IsOpenableWebAddress(url)) {
        QVReport::warning("OpenURL: not a web address, not opened: '%s'\n", url.c_str());
        return false;
    }
    g_directoryError = false;
    if (LaunchWebBrowser(url, std::string())) return true;
    if (!g_directoryError) Services().showModalMessage("Web browser not found!");
    return false;
}

bool LastBrowserStartWasDirectoryError() {
    return g_directoryError;
}
