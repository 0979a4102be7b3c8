#include "mkinstall/Landscape.h"

#include "mkinstall/DataFiles.h"
#include "mkinstall/WorldFiles.h"
#include "mkinstall/Yard.h"
#include "platform/platform.h"
#include "world/MapManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace mkinstall {
namespace {

constexpr int kBlockBytes = 196;
constexpr int kFirstBlockX = kLandscapeX / 8;
constexpr int kFirstBlockY = kLandscapeY / 8;
constexpr int kBlocksAcross = kLandscapeCells / 8;
// The last block of the file: the landscape's south-east corner.
constexpr int kFileBlocks =
    (kFirstBlockX + kBlocksAcross - 1) * kLargeFacetBlocksHigh + kFirstBlockY + kBlocksAcross;

bool InLandscape(int x, int y) {
    return x >= kLandscapeX && y >= kLandscapeY && x < kLandscapeX + kLandscapeCells &&
           y < kLandscapeY + kLandscapeCells;
}

// The river's west bank column at row v (it winds by one cell every six rows).
int RiverWest(int v) {
    return 41 + (v / 6) % 2;
}
bool InRiver(int u, int v) {
    return v < 50 && u >= RiverWest(v) && u <= RiverWest(v) + 1;
}
bool OnRoad(int v) {
    return v == 30 || v == 31;
}

LandCell Local(int u, int v) {
    using namespace WorldLand;
    if (InRiver(u, v)) return {Water, -5};
    if (v <= 50 && (u == RiverWest(v) - 1 || u == RiverWest(v) + 2)) return {OnRoad(v) ? Dirt : Sand, 0};
    if (v >= 50 && v <= 52 && u >= 40 && u <= 45) return {Sand, 0}; // where the river sinks away
    if (OnRoad(v)) return {Dirt, 0};
    if (u >= 50 && u <= 58 && v >= 6 && v <= 9) return {Rock, 10 + 2 * ((u + v) % 3)};
    const int r = std::max(std::abs(u - 14), std::abs(v - 48));
    if (r <= 6) return {Hill, (6 - r) * 4};
    return {Grass, 0};
}

bool IsBridgeCell(int u, int v) {
    return OnRoad(v) && InRiver(u, v);
}

std::string Le16(int v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string StaticRecord(const SampleStatic& s) {
    return Le16(s.graphic) + static_cast<char>(s.x & 7) + static_cast<char>(s.y & 7) +
           static_cast<char>(s.z) + Le16(s.hue);
}

int BlockOfCell(int x, int y) {
    return (x >> 3) * kLargeFacetBlocksHigh + (y >> 3);
}

std::string BlockFrom(int block, LandCell (*land)(int, int)) {
    std::string out = LittleEndian32(block);
    const int bx = block / kLargeFacetBlocksHigh, by = block % kLargeFacetBlocksHigh;
    for (int cell = 0; cell < 64; ++cell) {
        const LandCell c = land(bx * 8 + (cell & 7), by * 8 + (cell >> 3));
        out += Le16(c.tile) + static_cast<char>(c.z);
    }
    return out;
}

// A file written at offsets, holes left unwritten (they read as zeros), replacing the old one.
class SparseFile {
  public:
    SparseFile(const std::string& dir, const std::string& name)
        : path_(dir + "/" + name), temp_(path_ + ".tmp") {
        file_ = std::fopen(temp_.c_str(), "wb");
    }
    ~SparseFile() {
        if (file_) std::fclose(file_);
    }
    void Put(long offset, const std::string& bytes) {
        if (!file_ || std::fseek(file_, offset, SEEK_SET) != 0 ||
            std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            ok_ = false;
    }
    bool Finish(std::string* error) {
        bool ok = file_ && ok_ && std::fflush(file_) == 0;
        if (file_) ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        if (ok) ok = std::rename(temp_.c_str(), path_.c_str()) == 0;
        if (!ok) {
            std::remove(temp_.c_str());
            if (error) *error = "cannot write " + path_;
        }
        return ok;
    }

  private:
    std::string path_, temp_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

std::string IndexRecord(int offset, int length, int extra) {
    return LittleEndian32(offset) + LittleEndian32(length) + LittleEndian32(extra);
}

bool WriteFileBytes(const std::string& dir, const std::string& name, const std::string& bytes,
                    std::string* error) {
    const std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

std::string MultiRecord(int graphic, int dx, int dy, int dz, uint32_t flags) {
    return Le16(graphic) + Le16(dx) + Le16(dy) + Le16(dz) + LittleEndian32(static_cast<int32_t>(flags));
}

// A table of holes: every block's value is that of 196 zero bytes.
std::string ZeroCheckTable() {
    const uint8_t zeros[kBlockBytes] = {};
    const int even = MapManager::CheckValue(0, zeros), odd = MapManager::CheckValue(1, zeros);
    return std::string(kCheckBlockCount / 2, static_cast<char>(even << 4 | odd));
}

void SetCheckValue(std::string& table, int block, const uint8_t* data) {
    if (block < 0 || block >= kCheckBlockCount) return;
    if (std::all_of(data, data + kBlockBytes, [](uint8_t b) { return b == 0; })) return;
    const int value = MapManager::CheckValue(block, data);
    char& entry = table[static_cast<size_t>(block / 2)];
    entry = static_cast<char>((block & 1) ? ((entry & 0xF0) | value) : ((entry & 0x0F) | (value << 4)));
}

} // namespace

LandCell LandscapeLand(int x, int y) {
    if (LandCell yard; YardLand(x, y, yard)) return yard;
    if (InLandscape(x, y)) return Local(x - kLandscapeX, y - kLandscapeY);
    if (BlockOfCell(x, y) < kMapBlocks) return {WorldLand::Grass, 0};
    return {0, 0};
}

LandCell LandscapeDiffLand(int x, int y) {
    if (BlockOfCell(x, y) == BridgeBlock()) {
        const int u = x - kLandscapeX, v = y - kLandscapeY;
        // The banks under the bridge's ends are part of the road.
        if (OnRoad(v) && !InRiver(u, v) && u >= 40 && u <= 44) return {WorldLand::Dirt, 0};
    }
    return LandscapeLand(x, y);
}

int BridgeBlock() {
    return BlockOfCell(kLandscapeX + 41, kLandscapeY + 30);
}

const std::vector<SampleStatic>& LandscapeStatics() {
    static const std::vector<SampleStatic> statics = [] {
        std::vector<SampleStatic> s;
        auto add = [&](int graphic, int u, int v, int z) {
            s.push_back({graphic, kLandscapeX + u, kLandscapeY + v, z, 0});
        };
        // The house: walls round u 6..13, v 6..13, the door in the south wall.
        for (int i = 6; i <= 13; ++i) {
            add(WorldItem::Wall, i, 6, 0);
            add(i == 9 ? WorldItem::Door : WorldItem::Wall, i, 13, 0);
            if (i > 6 && i < 13) {
                add(WorldItem::Wall, 6, i, 0);
                add(WorldItem::Wall, 13, i, 0);
            }
        }
        // Floors, the ground one leaving room for the stairs (u 11, v 8..11) up to the upper one.
        for (int v = 7; v <= 12; ++v)
            for (int u = 7; u <= 12; ++u) {
                if (u != 11 || v < 8 || v > 11) add(WorldItem::Floor, u, v, 0);
                if (u <= 10) add(WorldItem::Floor, u, v, 20); // the upper floor
            }
        for (int i = 0; i < 4; ++i)
            add(WorldItem::StairsSouth, 11, 8 + i, i * 5);
        for (int v = 6; v <= 13; ++v)
            for (int u = 6; u <= 13; ++u)
                add(WorldItem::Roof, u, v, 40);
        // Trees, a lamp post by the road, a fire.
        for (auto [u, v] : {std::pair{25, 10}, {28, 14}, {22, 18}, {30, 40}, {5, 35}, {57, 20}}) {
            add(WorldItem::TreeTrunk, u, v, 0);
            add(WorldItem::Foliage, u, v, 20);
        }
        add(WorldItem::LampPost, 20, 29, 0);
        add(WorldItem::Fire, 24, 26, 0);
        AppendYardStatics(s);
        return s;
    }();
    return statics;
}

const std::vector<SampleStatic>& BridgeStatics() {
    static const std::vector<SampleStatic> statics = [] {
        std::vector<SampleStatic> s;
        for (const SampleStatic& st : LandscapeStatics())
            if (BlockOfCell(st.x, st.y) == BridgeBlock()) s.push_back(st);
        for (int v = 30; v <= 31; ++v)
            for (int u = 40; u <= 44; ++u)
                if (IsBridgeCell(u, v))
                    s.push_back({WorldItem::Floor, kLandscapeX + u, kLandscapeY + v, 0, 0});
        return s;
    }();
    return statics;
}

std::string LandscapeBlock(int block) {
    if (block < kMapBlocks) return MapBlock(block);
    return BlockFrom(block, LandscapeLand);
}

bool WriteLandscape(const std::string& dir, std::string* error) {
    // The map and the check table from the same bytes.
    std::map<int, std::string> blocks;
    for (int b = 0; b < kMapBlocks; ++b)
        blocks[b] = MapBlock(b);
    for (int bx = kFirstBlockX; bx < kFirstBlockX + kBlocksAcross; ++bx)
        for (int by = kFirstBlockY; by < kFirstBlockY + kBlocksAcross; ++by)
            blocks[bx * kLargeFacetBlocksHigh + by] = LandscapeBlock(bx * kLargeFacetBlocksHigh + by);
    SparseFile map(dir, "map0.mul");
    for (const auto& [b, bytes] : blocks)
        map.Put(static_cast<long>(b) * kBlockBytes, bytes);
    if (!map.Finish(error)) return false;

    std::string table = ZeroCheckTable();
    for (const auto& [b, bytes] : blocks)
        SetCheckValue(table, b, reinterpret_cast<const uint8_t*>(bytes.data()));
    if (!WriteFileBytes(dir, "mapcheck.bin", table, error)) return false;

    // Statics by block, the index sparse like the map.
    std::map<int, std::string> statics;
    for (const SampleStatic& s : LandscapeStatics())
        statics[BlockOfCell(s.x, s.y)] += StaticRecord(s);
    std::string data;
    SparseFile index(dir, "staidx0.mul");
    for (const auto& [b, bytes] : statics) {
        index.Put(static_cast<long>(b) * 12,
                  IndexRecord(static_cast<int>(data.size()), static_cast<int>(bytes.size()), 0));
        data += bytes;
    }
    // The index covers every block of the map file.
    index.Put(static_cast<long>(kMapFileBlocks - 1) * 12, IndexRecord(-1, 0, 0));
    if (!index.Finish(error) || !WriteFileBytes(dir, "statics0.mul", data, error)) return false;

    // The bridge: one difference record of the map and one of the statics, both entry 0 of set 0.
    const std::string bridge = BlockFrom(BridgeBlock(), LandscapeDiffLand);
    std::string bridgeStatics;
    for (const SampleStatic& s : BridgeStatics())
        bridgeStatics += StaticRecord(s);
    if (!WriteFileBytes(dir, "mapdifl0.mul", LittleEndian32(BridgeBlock()), error) ||
        !WriteFileBytes(dir, "mapdif0.mul", bridge, error) ||
        !WriteFileBytes(dir, "stadifl0.mul", LittleEndian32(BridgeBlock()), error) ||
        !WriteIndexedFiles(dir, "stadifi0.mul", "stadif0.mul", {{bridgeStatics, 0}}, error))
        return false;

    // The tent: record 0 is the multi itself; record 3 (flags 0) only shows in the preview.
    const std::string tent =
        MultiRecord(0x4000 + kTentMulti, 0, 0, 0, 0) + MultiRecord(WorldItem::Wall, -1, -1, 0, 1) +
        MultiRecord(WorldItem::Wall, 1, -1, 0, 1) + MultiRecord(WorldItem::Floor, 0, 0, 0, 0) +
        MultiRecord(WorldItem::Roof, 0, 0, 20, 1);
    std::vector<IndexedItem> multis(kEmptyIndexRecords);
    multis[kTentMulti] = {tent, 0};
    return WriteIndexedFiles(dir, "multi.idx", "multi.mul", multis, error);
}

} // namespace mkinstall
