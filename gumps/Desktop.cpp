// The desktop file: its records, saving, loading and the container restore queue.
#include "gumps/Desktop.h"
#include "core/QVReport.h"
#include "core/config.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/OpenGump.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace Desktop {
namespace {

void PutI32(std::vector<uint8_t>& out, int32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

uint32_t Player() {
    return GetServices().playerSerial ? GetServices().playerSerial() : 0;
}

// The number of holders between an object and the player (1: the player holds it), 0 when the
// player is not among them.
int DepthInPlayer(uint32_t serial) {
    const uint32_t player = Player();
    const GumpWorldServices& w = GumpWorld();
    if (!w.holderOf || player == 0) return 0;
    uint32_t at = serial;
    for (int depth = 1; depth <= 32; ++depth) {
        at = w.holderOf(at);
        if (at == 0) return 0;
        if (at == player) return depth;
    }
    return 0;
}

void Place(CGump* g, int x, int y) {
    g->x = x;
    g->y = y;
    g->ClampToScreen();
}

WindowGeometry Clamped(WindowGeometry g) {
    int dw = 4096, dh = 4096;
    if (GetServices().desktopSize) GetServices().desktopSize(&dw, &dh);
    dw = std::max(dw, kMinWidth);
    dh = std::max(dh, kMinHeight);
    g.width = std::clamp(g.width, kMinWidth, dw);
    g.height = std::clamp(g.height, kMinHeight, dh);
    g.windowX = std::clamp(g.windowX, 0, dw - kMinWidth);
    g.windowY = std::clamp(g.windowY, 0, dh - kMinHeight);
    g.areaX = std::clamp(g.areaX, 0, g.width);
    g.areaY = std::clamp(g.areaY, 0, g.height);
    return g;
}

} // namespace

bool IsInsidePlayer(uint32_t serial) {
    return DepthInPlayer(serial) > 0;
}

int BodyLength(uint8_t type) {
    static constexpr int kLengths[17] = {9, 9, 13, 13, 13, 14, 9, 9, 9, 8, 32, 24, 24, 24, 24, 9, 25};
    return type < 17 ? kLengths[type] : -1;
}

int32_t Record::I32(size_t at) const {
    if (at + 4 > body.size()) return 0;
    return static_cast<int32_t>(body[at] | body[at + 1] << 8 | body[at + 2] << 16 |
                                static_cast<uint32_t>(body[at + 3]) << 24);
}
uint16_t Record::U16(size_t at) const {
    return at + 2 <= body.size() ? static_cast<uint16_t>(body[at] | body[at + 1] << 8) : 0;
}
uint8_t Record::U8(size_t at) const {
    return at < body.size() ? body[at] : 0;
}

bool Parse(const std::vector<uint8_t>& bytes, File* out) {
    out->records.clear();
    if (bytes.size() < 4) return false;
    out->serial = static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
                  static_cast<uint32_t>(bytes[3]) << 24;
    size_t at = 4;
    while (at < bytes.size()) {
        const uint8_t type = bytes[at++];
        const int length = BodyLength(type);
        if (length < 0) continue; // no length: the next byte is a type
        if (bytes.size() - at < static_cast<size_t>(length)) {
            QVReport::warning(
                "CGumpManager::LoadDesktop: record type %d is cut by the end of the file; ignored.\n", type);
            break;
        }
        out->records.push_back(
            Record{type, std::vector<uint8_t>(bytes.begin() + static_cast<long>(at),
                                              bytes.begin() + static_cast<long>(at) + length)});
        at += static_cast<size_t>(length);
    }
    return true;
}

std::vector<uint8_t> Encode(const File& file) {
    std::vector<uint8_t> out;
    PutI32(out, static_cast<int32_t>(file.serial));
    for (const Record& r : file.records) {
        out.push_back(r.type);
        out.insert(out.end(), r.body.begin(), r.body.end());
    }
    return out;
}

Services& GetServices() {
    static Services services;
    return services;
}

State& GetState() {
    static State state;
    return state;
}

void ResetForTests() {
    GetState() = State{};
    GetServices() = Services{};
}

File Collect() {
    File file;
    file.serial = Player();
    auto record = [&](uint8_t type, std::vector<uint8_t> body) {
        file.records.push_back(Record{type, std::move(body)});
    };
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next()) {
        if (g->IsClosed() || !g->IsRadarGump() || g != CGumpManager::GetRadar()) continue;
        std::vector<uint8_t> b;
        PutI32(b, g->x);
        PutI32(b, g->y);
        b.push_back(g->width <= 100 ? 1 : 0);
        record(Radar, b);
    }
    if (CGump* radar = CGumpManager::GetRadar(); radar && !radar->IsRadarGump()) { // a radar drawn as its art
        std::vector<uint8_t> b;
        PutI32(b, radar->x);
        PutI32(b, radar->y);
        b.push_back(radar->gumpArt == GumpKinds::kRadarLarge ? 1 : 0);
        record(Radar, b);
    }
    {
        std::vector<uint8_t> b;
        for (int32_t v : GetState().chat)
            PutI32(b, v);
        record(Chat, b);
    }
    if (GetServices().currentGeometry) {
        const WindowGeometry g = GetServices().currentGeometry();
        std::vector<uint8_t> b;
        for (int v : {g.areaX, g.areaY, g.windowX, g.windowY, g.width, g.height})
            PutI32(b, v);
        b.push_back(g.maximised ? 1 : 0);
        record(GeometryWithState, b);
    }
    // Containers by depth: parents before what they hold; stop at the first depth with none.
    for (int depth = 1;; ++depth) {
        bool wrote = false;
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next()) {
            if (g->IsClosed() || !g->IsContainerGump() || DepthInPlayer(g->ownerSerial) != depth) continue;
            std::vector<uint8_t> b;
            PutI32(b, g->x);
            PutI32(b, g->y);
            PutI32(b, static_cast<int32_t>(g->ownerSerial));
            b.push_back(g->minimised ? 1 : 0);
            record(Container, b);
            wrote = true;
        }
        if (!wrote) break;
    }
    std::vector<uint8_t> b;
    PutI32(b, GetState().popupX);
    PutI32(b, GetState().popupY);
    record(PopupHelp, b);
    return file;
}

void Load(const std::vector<uint8_t>& bytes) {
    State& s = GetState();
    Services& sv = GetServices();
    File file;
    if (!Parse(bytes, &file)) return;
    const uint32_t player = Player();
    if (file.serial != player && !s.foreign) return;
    s.restoring = true;
    s.table.clear();
    auto entry = [&](const Entry& e) {
        if (static_cast<int>(s.table.size()) >= kMaxEntries) {
            QVReport::warning(
                "CGumpManager::LoadDesktop: more than %d window records; record type %d skipped.\n",
                kMaxEntries, e.type);
            return false;
        }
        s.table.push_back(e);
        return true;
    };
    auto queue = [&](uint32_t serial) {
        if (sv.playerIsGhost && sv.playerIsGhost()) return;
        s.queue.push_back(serial);
        s.queueDone = false;
    };
    for (const Record& r : file.records) {
        switch (r.type) {
        case Paperdoll:
            if (entry(Entry{Paperdoll, 0, r.U8(8) != 0, 0, 0, 0, r.I32(0), r.I32(4)}) && sv.useObject)
                sv.useObject(player | 0x80000000u);
            break;
        case Journal:
        case Options: {
            const int kind = r.type == Journal ? GumpKinds::kJournal : GumpKinds::kOptions;
            CGump* g = CGumpManager::OpenGump(nullptr, kind);
            if (!g) {
                QVReport::warning(
                    "CGumpManager::LoadDesktop, case '%s': Prevented client crash by testing for "
                    "return value from 'CGumpManager::OpenGump(NULL,%d,NULL,FALSE);'. It is NULL!\n",
                    r.type == Journal ? "DSK_TEXT" : "DSK_CLIENTCFG", kind);
                break;
            }
            if (r.type == Journal)
                g->Resize(std::min<int>(r.U16(9), BackBuffer::Width()),
                          std::min<int>(r.U16(11), BackBuffer::Height()), 0);
            if (r.U8(8)) MinimizeGump(g);
            Place(g, r.I32(0), r.I32(4));
            break;
        }
        case Container: {
            uint32_t serial = static_cast<uint32_t>(r.I32(8));
            if (s.foreign) {
                serial = sv.backpackSerial ? sv.backpackSerial() : 0;
                if (serial == 0) break;
            }
            if (entry(Entry{Container, serial, r.U8(12) != 0, 0, 0, 0, r.I32(0), r.I32(4)})) queue(serial);
            break;
        }
        case Skills:
            entry(Entry{Skills, 0, r.U8(8) != 0, 0, r.U16(9), r.U16(11), r.I32(0), r.I32(4)});
            break;
        case Spellbook: {
            const auto serial = static_cast<uint32_t>(r.I32(10));
            if (entry(Entry{Spellbook, serial, r.U8(8) != 0, r.U8(9), 0, 0, r.I32(0), r.I32(4)}))
                queue(serial);
            break;
        }
        case PopupHelp:
            s.popupX = r.I32(0);
            s.popupY = r.I32(4);
            break;
        case Chat:
            for (int i = 0; i < 8; ++i)
                s.chat[i] = r.I32(static_cast<size_t>(4 * i));
            break;
        case Geometry:
        case GeometryWithState: {
            Desktop::WindowGeometry g{r.I32(0),
                                r.I32(4),
                                r.I32(8),
                                r.I32(12),
                                r.I32(16),
                                r.I32(20),
                                r.type == GeometryWithState && r.U8(24) == 1};
            if (sv.applyGeometry) sv.applyGeometry(Clamped(g));
            break;
        }
        case Radar: {
            CGump* radar = CGumpManager::OpenGump(nullptr, r.U8(8) == 1 ? GumpKinds::kRadarLarge
                                                                        : GumpKinds::kRadarSmall);
            if (radar) Place(radar, r.I32(0), r.I32(4));
            s.restoredRadar = radar;
            break;
        }
        default:
            break; // windows of subsystems not built here
        }
    }
    if (s.table.empty()) s.restoring = false;
}

void Restore() {
    State& s = GetState();
    Services& sv = GetServices();
    s.lastStep = sv.seconds ? sv.seconds() : 0;
    std::optional<std::vector<uint8_t>> bytes;
    if (sv.readPaths)
        for (const std::string& path : sv.readPaths())
            if (!path.empty() && (bytes = platform::ReadWholeFile(ConfigFiles::WorkingPath(path)))) break;
    if (!bytes) {
        bytes = platform::ReadWholeFile(ConfigFiles::WorkingPath("desktop.nwb"));
        s.foreign = s.defaultDesktop = true;
        s.restoredRadar = nullptr;
        if (sv.setNewbieDesktop) sv.setNewbieDesktop();
    } else {
        s.foreign = s.defaultDesktop = false;
        s.restoredRadar = nullptr;
    }
    if (bytes) Load(*bytes);
}

void ApplySavedContainer(uint32_t serial, CGump* container) {
    State& s = GetState();
    auto it = std::find(s.queue.begin(), s.queue.end(), serial);
    if (it == s.queue.end()) return;
    s.queue.erase(it);
    if (s.queue.empty()) s.queueDone = true;
    if (!container) return;
    for (const Entry& e : s.table) {
        if (e.serial != serial) continue;
        if (s.foreign) {
            container->PlaceBesideGameArea();
        } else {
            Place(container, e.x, e.y);
            if (e.minimised) MinimizeGump(container);
        }
    }
}

} // namespace Desktop

namespace CGumpManager {

void SaveDesktop() {
    Desktop::Services& sv = Desktop::GetServices();
    if (!sv.inWorld || !sv.inWorld() || !sv.writePath) return;
    const std::string name = sv.writePath();
    if (name.empty()) return;
    const std::string path = ConfigFiles::WorkingPath(name);
    const std::vector<uint8_t> bytes = Desktop::Encode(Desktop::Collect());
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (!folder.empty() && !platform::IsDirectory(folder) && !platform::MakeDirectories(folder))
        QVReport::warning("Could not create directory: %s\n:", folder.c_str());
    if (!platform::AtomicReplaceFile(path, bytes.data(), bytes.size()))
        QVReport::warning("Could not open file for writing: %s\n:", path.c_str());
}

void UpdateContainerQueue() {
    Desktop::State& s = Desktop::GetState();
    Desktop::Services& sv = Desktop::GetServices();
    const uint32_t now = sv.seconds ? sv.seconds() : 0;
    if (now - s.lastStep < 3) return;
    s.lastStep = now;
    if (!sv.inWorld || !sv.inWorld()) {
        s.queue.clear();
        s.queueDone = true;
        return;
    }
    if (s.queue.empty()) {
        s.queueDone = true;
        return;
    }
    const uint32_t serial = s.queue.front();
    if (GumpWorldAsk::Call(GumpWorld().exists, serial) && Desktop::IsInsidePlayer(serial)) {
        if (sv.useObject) sv.useObject(serial); // asked again every step until its window opens
    } else {
        s.queue.erase(s.queue.begin());
        if (s.queue.empty()) s.queueDone = true;
    }
}

bool IsContainerQueueFinished() {
    return Desktop::GetState().queueDone;
}

} // namespace CGumpManager
