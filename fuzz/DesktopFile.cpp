// A desktop file over any bytes: the bounded reader, then loading with every record type acted on
// (windows opened by kind, the table, the queue, geometry kept on screen).
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/Desktop.h"
#include "render/GumpArt.h"
#include "render/RenderData.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        QVReport::startWithoutFile();
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        RenderData::SetItemSource([](int, int, int, int& length, int& extra) -> const uint8_t* {
            length = extra = 0;
            return nullptr;
        });
        return true;
    }();
    (void)ready;
    Desktop::ResetForTests();
    Desktop::Services& s = Desktop::GetServices();
    s.playerSerial = [] { return 1u; };
    s.backpackSerial = [] { return 2u; };
    s.desktopSize = [](int* w, int* h) {
        *w = 1280;
        *h = 1024;
    };
    std::vector<uint8_t> bytes(data, data + size);
    Desktop::GetState().foreign = size > 0 && (data[0] & 1);
    Desktop::Load(bytes);
    Desktop::File file;
    if (Desktop::Parse(bytes, &file) && Desktop::Encode(file).size() > bytes.size()) __builtin_trap();
    CGumpManager::CloseAllGumps();
    CGumpManager::FreeClosedGumps();
    CGumpManager::SetRadar(nullptr);
    return 0;
}
