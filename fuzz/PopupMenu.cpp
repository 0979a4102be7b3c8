// The context menu's packet (0xBF 0x14) over any bytes: the reader stays inside the packet, and a
// menu it accepts is built, highlighted row by row and closed.
#include "gumps/PopupMenu.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "net/ServerWindows.h"
#include "render/RenderData.h"
#include "text/UnicodeFont.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        QVReport::startWithoutFile();
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        for (int font = 0; font < kUnicodeFontCount; ++font)
            UnicodeUseFontBytes(font, {});
        RenderData::SetItemSource([](int, int, int, int& length, int& extra) -> const uint8_t* {
            length = extra = 0;
            return nullptr;
        });
        GumpWorld().exists = [](uint32_t) { return true; };
        CPopupMenuMgr::services().text = [](uint32_t id) { return std::u16string(1 + id % 7, u'w'); };
        SetServerWindowSink([](const std::vector<uint8_t>&) {});
        return true;
    }();
    (void)ready;
    if (size > 0xFFF0) return 0;
    // A framed 0xBF packet: the length in host order, the sub-command 0x14, then the input.
    std::vector<uint8_t> packet(5 + size);
    packet[0] = 0xBF;
    const auto length = static_cast<uint16_t>(packet.size());
    std::memcpy(packet.data() + 1, &length, 2);
    packet[4] = 0x14;
    if (size) std::memcpy(packet.data() + 5, data, size);
    PacketReader reader(packet.data(), packet.size());
    PopupMenuPacket menu;
    if (!ReadPopupMenu(reader, 2, &menu)) return 0;
    CPopupMenuMgr::ResetForTests();
    CPopupMenuMgr::services().text = [](uint32_t id) { return std::u16string(1 + id % 7, u'w'); };
    CPopupMenuMgr::services().menusAllowed = [] { return true; };
    CPopupMenuMgr::RequestMenu(menu.serial);
    CPopupMenuMgr::HandleMenu(menu);
    if (CPopupMenuMgr* open = CPopupMenuMgr::OpenMenu()) {
        for (int y = 0; y < open->height && y < 400; y += 7)
            open->HandleMouseMove(14, y);
        CPopupMenuMgr::OpenSecondStyle();
    }
    CPopupMenuMgr::Close();
    CGumpManager::FreeClosedGumps();
    return 0;
}
