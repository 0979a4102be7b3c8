// "qv.cfg" and "login.cfg" from any text: every key applied as the reader applies it (as the main
// file, a character's file and the login server file), the option-line test, and the in-place
// rewrite of a key's line.
#include "app/SavedOptions.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/config.h"
#include "render/WindowLayer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// No name look-ups while fuzzing: every host name is unknown but one.
std::vector<uint32_t> FakeResolver(std::string_view host) {
    if (host == "a") return {0x0A000001, 0x0A000002};
    return {};
}

unsigned g_sink;

// A window size line rebuilds the windows' surfaces: a new back buffer of up to 800 x 600, whose
// fresh mapping under the sanitizer cost more than the rest of an input. The rebuild is not the
// reader's work (the window tests cover it): here it is only counted.
int g_recreated = 0;
void CountRecreate() {
    ++g_recreated;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        GetWindowLayer().recreateSurfaces = CountRecreate;
        return true;
    }();
    (void)ready;
    g_recreated = 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ResetOptions();
    ResetConfigForTests();
    FileManager::shutdown();
    SetHostResolver(FakeResolver);
    bool perCharacter = size > 0 && (data[0] & 1);
    CApp::ApplyConfigText(text, true, perCharacter);
    CApp::ApplyConfigText(text, false, false);

    unsigned sum =
        static_cast<unsigned>(GetLoginServerLists().login.size() + GetLoginServerLists().backup.size());
    for (const LoginServerEntry& e : GetLoginServerLists().login)
        sum += e.address + e.port + static_cast<unsigned>(e.host.size());
    for (const ConfigLineSpan& span : SplitConfigLines(text)) {
        std::string line(text.substr(span.begin, span.end - span.begin));
        sum += IsConfigOptionLine(line.c_str());
    }
    for (ConfigKind kind : {ConfigKind::LastServerID, ConfigKind::AcctPassword, ConfigKind::Language}) {
        bool replaced = false;
        std::optional<std::string> out = RewriteDirectiveText(text, kind, "7", size % 3 == 0, &replaced);
        sum += out ? static_cast<unsigned>(out->size()) : 0u;
    }
    g_sink += sum + static_cast<unsigned>(SpamLimit) + static_cast<unsigned>(ToolTipFont) +
              static_cast<unsigned>(g_recreated) + static_cast<unsigned>(CdRomDataPath.size());
    return 0;
}
