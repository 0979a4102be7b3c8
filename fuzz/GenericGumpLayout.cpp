// The server-described window over any layout and line table: parsing, drawing into its capped
// bitmap, clicks, keys and the reply must stay inside their buffers and end. The input is the
// layout, a zero byte, the lines (split at '\n'), a zero byte, then clicks and keys.
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/GenericGump.h"
#include "net/ServerWindows.h"
#include "render/GumpArt.h"
#include "render/RenderData.h"
#include "text/UnicodeFont.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Art {
    std::vector<uint8_t> bytes;
    int32_t extra = 0;
};
std::map<int, Art>& Arts() {
    static std::map<int, Art> arts;
    return arts;
}

// A w x h gump art: one run per row, its colour from the id.
void AddArt(int id, int w, int h) {
    std::vector<uint32_t> words(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        words[static_cast<size_t>(y)] = static_cast<uint32_t>(words.size());
        words.push_back(static_cast<uint32_t>(w) << 16 | static_cast<uint32_t>(id * 37 + 1));
    }
    std::vector<uint8_t> out(words.size() * 4);
    std::memcpy(out.data(), words.data(), out.size());
    Arts()[id] =
        Art{std::move(out), static_cast<int32_t>(static_cast<uint32_t>(w) << 16 | static_cast<uint32_t>(h))};
}

const uint8_t* Serve(int, int, int id, int& length, int& extra) {
    auto it = Arts().find(id);
    if (it == Arts().end()) {
        length = extra = 0;
        return nullptr;
    }
    length = static_cast<int>(it->second.bytes.size());
    extra = it->second.extra;
    return it->second.bytes.data();
}

bool Setup() {
    QVReport::startWithoutFile(); // no log file in the folder the fuzzer runs in
    QVReport::setRecorder([](QVReport::Level, const std::string&) {});
    for (int font = 0; font < kUnicodeFontCount; ++font)
        UnicodeUseFontBytes(font, {}); // no glyphs: nothing is looked for on disk
    AddArt(0, 20, 10);
    AddArt(1, 7, 7);
    for (int id = 100; id <= 118; ++id)
        AddArt(id, 16, 16);
    RenderData::SetItemSource(Serve);
    SetServerWindowSink([](const std::vector<uint8_t>&) {});
    GenericGump::maxSide =
        64; // the cap's logic at a size that keeps inputs quick (tiled frames cost per pixel)
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Setup();
    (void)ready;
    const uint8_t* end = data + size;
    const uint8_t* layoutEnd = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    if (!layoutEnd) layoutEnd = end;
    std::string layout(reinterpret_cast<const char*>(data), static_cast<size_t>(layoutEnd - data));
    const uint8_t* at = layoutEnd < end ? layoutEnd + 1 : end;
    const uint8_t* linesEnd = static_cast<const uint8_t*>(std::memchr(at, 0, static_cast<size_t>(end - at)));
    if (!linesEnd) linesEnd = end;
    std::vector<std::u16string> lines(1);
    for (; at < linesEnd; ++at) {
        if (*at == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char16_t>(*at));
    }
    at = linesEnd < end ? linesEnd + 1 : end;

    auto* gump = new GenericGump(0, 0, layout, lines, 1, 2);
    // Each three bytes: an action and a point; at most 8 of them.
    for (int n = 0; at + 3 <= end && !gump->IsClosed() && n < 8; at += 3, ++n) {
        const int px = at[1] - 16, py = at[2] - 16;
        switch (at[0] % 6) {
        case 0:
            gump->HandleLButtonDown(px, py);
            break;
        case 1:
            gump->HandleLButtonUp(px, py);
            break;
        case 2:
            gump->HandleMouseMove(px, py);
            break;
        case 3:
            gump->HandleKey(at[1] | at[2] << 8);
            break;
        case 4:
            gump->HandleRButtonUp(px, py);
            break;
        default:
            gump->SendReply(at[1]);
            break;
        }
    }
    if (!gump->IsClosed()) gump->Close();
    CGumpManager::FreeClosedGumps();
    return 0;
}
