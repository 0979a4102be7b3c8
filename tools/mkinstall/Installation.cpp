#include "mkinstall/Installation.h"

#include "mkinstall/ArtFiles.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/TextFiles.h"

#include "platform/platform.h"

namespace mkinstall {
namespace {

bool WriteText(const std::string& dir, const char* name, const std::string& text, std::string* error) {
    std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, text.data(), text.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace

bool WriteInstallation(const std::string& dir, std::string* error) {
    if (!platform::MakeDirectories(dir)) {
        if (error) *error = "cannot create " + dir;
        return false;
    }
    // The picture files first: the data-file writer fills in only the numbered files still missing.
    if (!WriteArtFiles(dir, error) || !WriteDataFiles(dir, error)) return false;
    if (!WriteTextFiles(dir, error)) return false;
    std::string qvcfg = "ShowIntroAnim=off\n"
                        "ClientFirstLaunch=no\n";
    std::string logincfg = "; login servers\n"
                           "LoginServer=127.0.0.1," +
                           std::to_string(kLoginPort) + "\n";
    return WriteText(dir, "qv.cfg", qvcfg, error) && WriteText(dir, "login.cfg", logincfg, error);
}

} // namespace mkinstall
