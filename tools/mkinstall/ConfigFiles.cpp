#include "mkinstall/ConfigFiles.h"

#include "mkinstall/Installation.h"

#include "platform/platform.h"

#include <cstring>

namespace mkinstall {
namespace {

bool Write(const std::string& dir, const char* name, const std::string& bytes, std::string* error) {
    std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

void PutBigEndian16(std::string& out, unsigned value) {
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

} // namespace

bool WriteConfigFiles(const std::string& dir, std::string* error) {
    const std::string qvcfg = "; the sample installation's settings\r\n"
                              "ShowIntroAnim=off\r\n"
                              "ClientFirstLaunch=no\r\n"
                              "FullScreen=off\r\n"
                              "LoginServerFile=login.cfg\r\n";
    const std::string logincfg = "; login servers\r\n"
                                 "LoginServer=127.0.0.1," +
                                 std::to_string(kLoginPort) + "\r\n";
    std::string speech;
    for (const SampleKeyword& k : kSampleKeywords) {
        PutBigEndian16(speech, k.id);
        PutBigEndian16(speech, static_cast<unsigned>(std::strlen(k.pattern)));
        speech += k.pattern;
    }
    return Write(dir, "qv.cfg", qvcfg, error) && Write(dir, "login.cfg", logincfg, error) &&
           Write(dir, "speech.mul", speech, error);
}

} // namespace mkinstall
