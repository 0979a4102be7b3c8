#include "gumplab/ServerWindowsScene.h"

#include "gumps/GenericGump.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "gumps/PopupMenu.h"
#include "net/ServerWindows.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace gumplab {
namespace {

constexpr uint32_t kObject = 0x40000200;

void PrintReplies() {
    SetServerWindowSink([](const std::vector<uint8_t>& wire) {
        std::string line;
        char hex[4];
        for (uint8_t b : wire) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            line += hex;
        }
        std::printf("gumplab: reply %s\n", line.c_str());
        std::fflush(stdout);
    });
}

void Click(int x, int y) {
    namespace h = platform::headless;
    h::PushMouse(platform::WM_MOUSEMOVE, x, y);
    h::PushMouse(platform::WM_LBUTTONDOWN, x, y, 1);
    h::PushMouse(platform::WM_LBUTTONUP, x, y);
}

} // namespace

bool BuildGenericScene(const std::string& file, std::string* error) {
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(file);
    if (!bytes || bytes->size() < 3 || (*bytes)[0] != 0xB0) {
        if (error) *error = "not a generic gump packet: " + file;
        return false;
    }
    std::vector<uint8_t> framed = *bytes;
    const auto n = static_cast<uint16_t>(framed.size());
    std::memcpy(framed.data() + 1, &n, 2); // the length as the dispatcher hands it over
    PacketReader reader(framed.data(), framed.size());
    GenericGumpPacket packet;
    if (!ReadGenericGumpPacket(reader, &packet)) {
        if (error) *error = "the packet in " + file + " overruns itself";
        return false;
    }
    PrintReplies();
    GenericGump::Open(packet);
    return true;
}

void BuildPopupScene() {
    PrintReplies();
    GumpWorld().exists = [](uint32_t serial) { return serial == kObject; };
    CPopupMenuMgr::Bind();
    CPopupMenuMgr::services().menusAllowed = [] { return true; };
    static const char16_t* const kNames[] = {u"Open",           u"Trade",  u"Disabled entry",
                                             u"Coloured entry", u"Follow", u"Rename"};
    CPopupMenuMgr::services().text = [](uint32_t id) -> std::u16string {
        return kNames[(id - 3000000u) % 6];
    };
    platform::headless::SetCursorPosition(120, 90);
    MouseManager::Update(); // the menu opens where the mouse is
    CPopupMenuMgr::RequestMenu(kObject);
    PopupMenuPacket menu;
    menu.serial = kObject;
    const uint16_t flags[] = {0, 0x02, 0x01, 0x20, 0x02, 0};
    for (uint16_t i = 0; i < 6; ++i) {
        PopupEntry e;
        e.tag = static_cast<uint16_t>(i + 1);
        e.textId = 3000000u + i;
        e.flags = flags[i];
        e.colour = 0x03E0;
        menu.entries.push_back(e);
    }
    CPopupMenuMgr::HandleMenu(menu);
}

void GenericScript(const std::function<void(int)>& frames) {
    frames(2);
    Click(40 + 15, 30 + 90); // the text entry
    frames(1);
    for (char16_t u : std::u16string(u"!"))
        platform::headless::PushChar(u);
    frames(1);
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, 40 + 285, 30 + 15); // the virtue label
    frames(3);
}

void PopupScript(const std::function<void(int)>& frames) {
    frames(2);
    CPopupMenuMgr* menu = CPopupMenuMgr::OpenMenu();
    if (!menu) return;
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, menu->x + 20, menu->y + 14 + menu->lineHeight);
    frames(3);
}

void EndServerWindowScenes() {
    CPopupMenuMgr::Close();
    CPopupMenuMgr::ResetForTests();
    ResetServerWindowSlots();
}

} // namespace gumplab
