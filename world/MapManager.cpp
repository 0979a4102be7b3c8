#include "world/MapManager.h"

#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "render/DirtyRects.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/CObjectManager.h"
#include "world/Scene.h"
#include "world/TileData.h"
#include "world/WorldLogin.h"
#include "world/objects.h"

#include <nettle/md5.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>

namespace MapManager {
namespace {

constexpr int kNoCorner = -9999;
constexpr int kWindowSlots = kStaticsBlocks * kStaticsBlocks;
constexpr int kMapBlockReportSize = 203;

bool ReadWholeFile(const char* name, std::vector<uint8_t>& out) {
    std::ifstream in(FileManager::get_HDpath(name), std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

struct DiffSet {
    std::unordered_map<int, int> map;
    std::unordered_map<int, int> statics;
    int mapLimit = 0;
    int staticsLimit = 0;
};

struct State {
    MapSource source = DefaultMapSource();
    int facet = 0;
    int number = 0; // the map number as the server gave it
    int width = 6144;
    int height = 4096;
    int wrapWidth = 5120;
    int wrapHeight = 4096;
    int diffSet = 0;
    DiffSet sets[kDiffSets];
    int centerX = 0;
    int centerY = 0;
    int centerZ = 0;
    int viewKey = -1;
    bool playerPlaced = false;
    int cornerX = kNoCorner;
    int cornerY = kNoCorner;
    int loaded[kWindowSlots];
    bool checkEnabled = false;
    bool checkMissingLogged = false;
    std::vector<uint8_t> checkTable;
    std::vector<uint8_t> tested; // one bit per block of the check table
    BlockReportSink reportSink = nullptr;
    ViewHooks hooks;
    // The cells the last refresh left holding their land, trusted while no land has left the cell
    // table since (a view move then lists only the cells it uncovers).
    struct Landed {
        bool valid = false;
        bool wrapping = false;
        int left = 0, top = 0, right = -1, bottom = -1;
        uint64_t unlistings = 0;
    } landed;

    State() { std::fill(std::begin(loaded), std::end(loaded), -1); }
};

State& S() {
    static State s;
    return s;
}

void PublishGeometry() {
    const State& s = S();
    DrawItemWorld::SetMapWidth(s.width);
    DrawItemWorld::SetWrapSize(s.wrapWidth, s.wrapHeight);
    DrawItemWorld::SetViewCenter(s.centerX, s.centerY);
}

int MapRow() {
    return S().facet == 2 ? CDHDCache::kMap2 : CDHDCache::kMap0;
}

bool InsideMap(int x, int y) {
    return x >= 0 && y >= 0 && x < S().width && y < S().height;
}

int BlockOf(int x, int y) {
    return (x >> 3) * (S().height >> 3) + (y >> 3);
}

int CellIndex(int x, int y) {
    return ((y & 7) << 3) | (x & 7);
}

void DefaultReport(int block, const uint8_t* data);

// The check of a block read the first time while the check is on.
void CheckBlock(int block, const uint8_t* data) {
    State& s = S();
    if (!s.checkEnabled || !data || block < 0 || block >= kCheckBlocks) return;
    if (s.tested.empty()) s.tested.assign(kCheckBlocks / 8, 0);
    uint8_t& bits = s.tested[block >> 3];
    const uint8_t bit = static_cast<uint8_t>(1u << (block & 7));
    if (bits & bit) return;
    bits |= bit;
    if (s.checkTable.size() < static_cast<size_t>(kCheckTableSize)) {
        if (!s.checkMissingLogged) {
            s.checkMissingLogged = true;
            QVReport::warning("MapManager: no map check table; no block is reported.\n");
        }
        return;
    }
    const uint8_t entry = s.checkTable[block >> 1];
    const int expected = (block & 1) ? (entry & 0x0F) : (entry >> 4);
    if (CheckValue(block, data) == expected) return;
    (s.reportSink ? s.reportSink : DefaultReport)(block, data);
}

// A cell's block bytes (difference data first), checked; null when missing or outside.
const uint8_t* CellBlock(int x, int y) {
    if (!InsideMap(x, y)) return nullptr;
    const int block = BlockOf(x, y);
    const uint8_t* data = GetMapBlock(block);
    CheckBlock(block, data);
    return data;
}

int WrapX(int x) {
    return WrapCoordinate(x, S().wrapWidth);
}
int WrapY(int y) {
    return WrapCoordinate(y, S().wrapHeight);
}

void LoadDiffFile(const char* pattern, int set, int limit, std::unordered_map<int, int>& out) {
    out.clear();
    char name[32];
    std::snprintf(name, sizeof name, pattern, set);
    std::vector<uint8_t> bytes;
    if (!S().source.readFile || !S().source.readFile(name, bytes)) return;
    const int blocks = S().width / 8 * (S().height / 8);
    // Whole entries only, no further than the file goes; blocks outside the map are not ours.
    const size_t entries = bytes.size() / 4;
    for (size_t i = 0; i < entries && static_cast<long>(i) < limit; ++i) {
        const uint8_t* p = bytes.data() + i * 4;
        const int32_t block =
            static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
        if (block < 0 || block >= blocks) {
            QVReport::warning("MapManager::LoadDiffLists: '%s' entry %zu names block %d outside the map.\n",
                              name, i, block);
            continue;
        }
        out[block] = static_cast<int>(i);
    }
}

bool IsInWindow(int block, int bx, int by) {
    const int blocksHigh = S().height / 8;
    const int x = block / blocksHigh;
    const int y = block % blocksHigh;
    return x >= bx && x < bx + kStaticsBlocks && y >= by && y < by + kStaticsBlocks;
}

void LoadStaticsBlock(int blockX, int blockY) {
    const int block = blockX * (S().height / 8) + blockY;
    int length = 0, extra = 0;
    const uint8_t* data = GetStaticsBlock(block, length, extra);
    if (!data || length <= 0) return;
    const int records = length / kStaticRecord; // a partial record at the end is no static
    for (int i = 0; i < records; ++i) {
        const uint8_t* r = data + i * kStaticRecord;
        int graphic = r[0] | r[1] << 8;
        const int x = r[2];
        const int y = r[3];
        const int z = static_cast<int8_t>(r[4]);
        const int hue = r[5] | r[6] << 8;
        if (x > 7 || y > 7) {
            // Outside its block it would be released with the wrong block.
            QVReport::warning("MapManager::LoadStatics: static %d of block %d lies outside it (%d, %d).\n", i,
                              block, x, y);
            continue;
        }
        if (graphic >= 0x4000) graphic = 1;
        graphic = GetSeasonalStaticGraphic(graphic);
        CObj* o = NewStaticObj(graphic);
        if (!o) return;
        const ItemTileData& row = TileData::Item(graphic);
        if (row.flags & TileFlag::LightSource) o->facing = row.quality;
        const int shownHue = o->displayedHue;
        o->hue = static_cast<uint16_t>(hue);
        // "art.def" may give a substituted graphic its own hue; an unhued static keeps that one.
        if (!(o->displayedGraphic != graphic && hue == 0 && shownHue != 0))
            o->displayedHue = static_cast<uint16_t>(hue & 0x3FFF);
        const uint32_t position = static_cast<uint16_t>(blockX * 8 + x) |
                                  static_cast<uint32_t>(static_cast<uint16_t>(blockY * 8 + y)) << 16;
        o->AddToWorld(position, z);
    }
}

bool HasLandItemAt(int x, int y) {
    for (CDrawItem* it = DrawMapThingie::table[y & 63][x & 63]; it; it = it->nextDraw)
        if (it->locX == x && it->locY == y && it->IsLand()) return true; // the virtual call last
    return false;
}

// The height of cell (x, y) in its block's bytes.
int8_t CellZ(const uint8_t* block, int x, int y) {
    return static_cast<int8_t>(block[4 + CellIndex(x, y) * 3 + 2]);
}

// The heights around one cell, for a land item: each is read as GetLandZ reads it, but a block is
// looked up once for all the cells that fall in it rather than once per cell.
class LandHeights {
  public:
    LandHeights(int cellX, int cellY) : x_(cellX), y_(cellY) {}

    // Cell (x + dx, y + dy), for dx and dy in -1..2.
    int At(int dx, int dy) {
        int8_t& z = z_[dy + 1][dx + 1];
        if (!(read_ >> ((dy + 1) * 4 + dx + 1) & 1)) {
            z = Read(x_ + dx, y_ + dy);
            read_ |= 1u << ((dy + 1) * 4 + dx + 1);
        }
        return z;
    }

    void Corners(int8_t corners[4]) {
        if (!InsideMap(x_, y_)) {
            corners[0] = corners[1] = corners[2] = corners[3] = 0;
            return;
        }
        corners[0] = static_cast<int8_t>(At(0, 0));
        corners[1] = static_cast<int8_t>(At(1, 0));
        corners[2] = static_cast<int8_t>(At(1, 1));
        corners[3] = static_cast<int8_t>(At(0, 1));
    }

  private:
    int8_t Read(int x, int y) {
        x = WrapCoordinate(x, S().width);
        y = WrapCoordinate(y, S().height);
        if (!InsideMap(x, y)) return 0;
        const int block = BlockOf(x, y);
        if (block != block_) {
            block_ = block;
            data_ = CellBlock(x, y);
        }
        return data_ ? CellZ(data_, x, y) : 0;
    }

    int x_, y_;
    int block_ = -1;
    const uint8_t* data_ = nullptr;
    uint32_t read_ = 0;
    int8_t z_[4][4] = {};
};

// A land item at (x, y) whose tile and heights come from the cell of `heights`.
bool MakeLandItem(int x, int y, LandHeights& heights, int tile, int ownZ, const int8_t corners[4],
                  bool squareInside) {
    const LandTileData& row = TileData::Land(tile & 0x7FFF);
    bool stretched = false;
    if (row.textureId != 0 && squareInside) {
        stretched = corners[0] != corners[1] || corners[0] != corners[2] || corners[0] != corners[3];
        for (int dy = -1; dy <= 2 && !stretched; ++dy)
            for (int dx = -1; dx <= 2 && !stretched; ++dx)
                if (heights.At(dx, dy) != corners[0]) stretched = true;
    }
    const uint32_t position = static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y))
                                                             << 16;
    if (stretched) {
        CStretchedLandTile* t = NewStretchedLandTile();
        if (!t) return false;
        t->Init(tile, position, corners);
        t->AddToDrawList();
    } else {
        CLandTile* t = NewLandTile();
        if (!t) return false;
        t->landId = tile;
        t->SetLocation(position, ownZ);
        t->AddToDrawList();
    }
    return true;
}

void Call(void (*hook)()) {
    if (hook) hook();
}

void DefaultReport(int block, const uint8_t* data) {
    uint8_t buffer[kMapBlockReportSize];
    PacketWriter packet(buffer);
    PacketManager::SendMapBlockReport(packet, block, 0, data);
    SendPacket(packet);
}

} // namespace

MapSource DefaultMapSource() {
    return MapSource{CDHDCache::GetRecord, CDHDCache::GetCacheItem, ReadWholeFile};
}

void SetMapSource(const MapSource& source) {
    S().source = source;
}

const uint8_t* GetSourceItem(int indexRow, int dataRow, int id, int& length, int& extra) {
    length = 0;
    extra = 0;
    if (!S().source.item) return nullptr;
    return S().source.item(indexRow, dataRow, id, length, extra);
}

void SetViewHooks(const ViewHooks& hooks) {
    S().hooks = hooks;
}

void startup() {
    QVReport::message("MapManager::startup: begin.\n");
    Reset();
    WorldLogin::BindNetServices();
}

void Reset() {
    const MapSource source = S().source;
    const BlockReportSink sink = S().reportSink;
    const ViewHooks hooks = S().hooks;
    S() = State{};
    S().source = source;
    S().reportSink = sink;
    S().hooks = hooks;
    DrawManager::SetRoofCut(false, 0);
    PublishGeometry();
}

int WrapCoordinate(int value, int size) {
    if (size <= 0) return value;
    const int r = value % size;
    return r < 0 ? r + size : r;
}

// ---------------------------------------------------------------- facet
void SetMap(int facet) {
    const int wanted = facet == 2 ? 2 : 0;
    State& s = S();
    s.number = facet;
    if (wanted == s.facet) return;
    s.facet = wanted;
    if (wanted == 2) {
        s.width = s.wrapWidth = 2304;
        s.height = s.wrapHeight = 1600;
    } else {
        s.width = 6144;
        s.wrapWidth = 5120;
        s.height = s.wrapHeight = 4096;
    }
    s.cornerX = s.cornerY = kNoCorner;
    std::fill(std::begin(s.loaded), std::end(s.loaded), -1);
    PublishGeometry();
    DrawManager::FlushAllCells();
    Call(s.hooks.resetWalkState);
}

int GetMap() {
    return S().facet;
}
int GetMapNumber() {
    return S().number;
}
int GetMapWidth() {
    return S().width;
}
int GetMapHeight() {
    return S().height;
}
int GetBlocksWide() {
    return S().width >> 3;
}
int GetBlocksHigh() {
    return S().height >> 3;
}
int GetWrapWidth() {
    return S().wrapWidth;
}
int GetWrapHeight() {
    return S().wrapHeight;
}

// ---------------------------------------------------------------- difference lists
void SetDiffSet(int set) {
    S().diffSet = set;
}
int GetDiffSet() {
    return S().diffSet;
}

void SetDiffLimits(int set, int staticsLimit, int mapLimit) {
    if (set < 0 || set >= kDiffSets) return;
    S().sets[set].staticsLimit = staticsLimit;
    S().sets[set].mapLimit = mapLimit;
}

void LoadDiffLists() {
    for (int set = 0; set < kDiffSets; ++set) {
        DiffSet& d = S().sets[set];
        LoadDiffFile("stadifl%d.mul", set, d.staticsLimit, d.statics);
        LoadDiffFile("mapdifl%d.mul", set, d.mapLimit, d.map);
    }
}

int FindMapDiff(int block, int set) {
    if (set < 0 || set >= kDiffSets) return -1;
    const auto& m = S().sets[set].map;
    auto it = m.find(block);
    return it == m.end() ? -1 : it->second;
}

int FindStaticsDiff(int block, int set) {
    if (set < 0 || set >= kDiffSets) return -1;
    const auto& m = S().sets[set].statics;
    auto it = m.find(block);
    return it == m.end() ? -1 : it->second;
}

int GetMapDiffFile() {
    return CDHDCache::kMapDif0 + std::clamp(S().diffSet, 0, 3);
}

// ---------------------------------------------------------------- blocks and land
const uint8_t* GetMapBlock(int block) {
    const State& s = S();
    if (block < 0 || block >= GetBlocksWide() * GetBlocksHigh() || !s.source.record) return nullptr;
    const int r = FindMapDiff(block, s.diffSet);
    if (r >= 0) return s.source.record(GetMapDiffFile(), r);
    return s.source.record(MapRow(), block);
}

const uint8_t* GetStaticsBlock(int block, int& length, int& extra) {
    const State& s = S();
    length = 0;
    extra = 0;
    if (block < 0 || block >= GetBlocksWide() * GetBlocksHigh() || !s.source.item) return nullptr;
    const int r = FindStaticsDiff(block, s.diffSet);
    if (r >= 0) {
        const int set = std::clamp(s.diffSet, 0, 3);
        return s.source.item(CDHDCache::kStaDifI0 + 2 * set, CDHDCache::kStaDif0 + 2 * set, r, length, extra);
    }
    if (s.facet == 2) return s.source.item(CDHDCache::kStaIdx2, CDHDCache::kStatics2, block, length, extra);
    return s.source.item(CDHDCache::kStaIdx0, CDHDCache::kStatics0, block, length, extra);
}

int GetSeasonalLandTile(int tile) {
    return ::GetSeasonalLandTile(tile);
}

int GetLandTile(int x, int y) {
    const uint8_t* block = CellBlock(x, y);
    if (!block) return kMissingLand;
    const uint8_t* cell = block + 4 + CellIndex(x, y) * 3;
    return GetSeasonalLandTile(cell[0] | cell[1] << 8);
}

int GetLandZ(int x, int y) {
    x = WrapCoordinate(x, S().width);
    y = WrapCoordinate(y, S().height);
    const uint8_t* block = CellBlock(x, y);
    return block ? CellZ(block, x, y) : 0;
}

void GetCornerZ(int x, int y, int8_t corners[4]) {
    LandHeights(x, y).Corners(corners);
}

// ---------------------------------------------------------------- distances
int Distance(int x1, int y1, int x2, int y2) {
    const int wrapWidth = S().wrapWidth;
    if ((x1 >= wrapWidth) != (x2 >= wrapWidth)) return 9999;
    int dx = std::abs(x1 - x2);
    int dy = std::abs(y1 - y2);
    if (x1 < wrapWidth) {
        dx = std::min(dx, wrapWidth - dx);
        dy = std::min(dy, S().wrapHeight - dy);
    }
    return std::max(dx, dy);
}

int DistanceTo(int x1, int y1, int x2, int y2) {
    return Distance(x1, y1, x2, y2);
}

// ---------------------------------------------------------------- the view centre
void SetPlayerPlaced(bool placed) {
    S().playerPlaced = placed;
}

void GetCenter(int& x, int& y, int& z) {
    x = S().centerX;
    y = S().centerY;
    z = S().centerZ;
}

int GetViewKey() {
    return S().viewKey;
}

void SetCenter(int x, int y, int z, int viewKey) {
    State& s = S();
    InvalidateAll();
    if (x != -1) {
        s.centerX = x;
        s.centerY = y;
        s.centerZ = z;
        DrawItemWorld::SetViewCenter(x, y);
    }
    s.viewKey = viewKey;
    if (s.playerPlaced && x != -1) {
        RefreshView();
        Call(s.hooks.deleteMissiles);
    }
}

void MoveCenter(int dx, int dy, int z) {
    State& s = S();
    if (s.centerX < s.wrapWidth) {
        int x = s.centerX + dx;
        int y = s.centerY + dy;
        int shiftX = 0, shiftY = 0;
        if (x >= s.wrapWidth) {
            x -= s.wrapWidth;
            shiftX = -s.wrapWidth;
        } else if (x < 0) {
            x += s.wrapWidth;
            shiftX = s.wrapWidth;
        }
        if (y >= s.wrapHeight) {
            y -= s.wrapHeight;
            shiftY = -s.wrapHeight;
        } else if (y < 0) {
            y += s.wrapHeight;
            shiftY = s.wrapHeight;
        }
        s.centerX = x;
        s.centerY = y;
        if (shiftX || shiftY) ShiftDrawItems(shiftX, shiftY);
    } else {
        s.centerX += dx;
        s.centerY += dy;
    }
    s.centerZ = z;
    DrawItemWorld::SetViewCenter(s.centerX, s.centerY);
    if (s.playerPlaced) RefreshView();
}

void ShiftDrawItems(int dx, int dy) {
    InvalidateAll();
    // Collected first: re-listing moves items between cells.
    std::vector<CDrawItem*> items;
    for (int r = 0; r < DrawMapThingie::kCells; ++r)
        for (int c = 0; c < DrawMapThingie::kCells; ++c)
            for (CDrawItem* it = DrawMapThingie::table[r][c]; it; it = it->nextDraw)
                items.push_back(it);
    for (CDrawItem* it : items) {
        it->RemoveFromDrawList();
        it->locX = static_cast<int16_t>(it->locX + dx);
        it->locY = static_cast<int16_t>(it->locY + dy);
        it->AddToDrawList();
    }
}

void RefreshView() {
    State& s = S();
    DrawItemWorld::SetViewCenter(s.centerX, s.centerY);
    const uint64_t unlistings = DrawManager::LandUnlistings();
    const bool windowKept = DrawManager::RecenterWindow();
    LoadStatics();
    const bool wrapping = s.centerX < s.wrapWidth;
    // The window's move flushed only cells outside the new view, so the last view's cells that
    // the new one shares still hold their land, unless land left the table some other way.
    const State::Landed known = s.landed;
    const bool trusted =
        known.valid && windowKept && known.unlistings == unlistings && known.wrapping == wrapping;
    bool complete = true; // a tile that could not be made is looked for again next time
    const int left = s.centerX - kViewRadius, right = s.centerX + kViewRadius;
    const int top = s.centerY - kViewRadius, bottom = s.centerY + kViewRadius;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            if (trusted && x >= known.left && x <= known.right && y >= known.top && y <= known.bottom)
                continue;
            if (!HasLandItemAt(x, y))
                complete &= wrapping ? CreateLandTileWrapped(x, y) : CreateLandTile(x, y);
        }
    s.landed = {complete, wrapping, left, top, right, bottom, DrawManager::LandUnlistings()};
    Call(s.hooks.rebuildRadar);

    int landZ = 0;
    for (CDrawItem* it = DrawMapThingie::table[s.centerY & 63][s.centerX & 63]; it; it = it->nextDraw)
        if (it->IsLand()) {
            landZ = it->z;
            break;
        }
    const int level = s.centerZ + 16;
    if (level < landZ) {
        if (!DrawManager::IsRoofCutOn()) {
            Call(s.hooks.clearViewBuffer);
            DrawManager::SetRoofCut(true, level);
            InvalidateAll();
        } else if (DrawManager::GetRoofCutZ() != level) {
            DrawManager::SetRoofCut(true, level);
            InvalidateAll();
        }
    } else if (DrawManager::IsRoofCutOn()) {
        DrawManager::SetRoofCut(false, DrawManager::GetRoofCutZ());
        InvalidateAll();
    }
}

void ForgetLoadedBlocks() {
    State& s = S();
    s.cornerX = s.cornerY = kNoCorner;
    std::fill(std::begin(s.loaded), std::end(s.loaded), -1);
    s.viewKey = -1;
}

void ResetBlocks() {
    ForgetLoadedBlocks();
    DrawManager::FlushAllCells();
}

void GetStaticsWindow(int& bx, int& by, int blocks[kStaticsBlocks * kStaticsBlocks]) {
    bx = S().cornerX;
    by = S().cornerY;
    std::copy(std::begin(S().loaded), std::end(S().loaded), blocks);
}

void LoadStatics() {
    State& s = S();
    const int bx = (s.centerX - kViewRadius) >> 3;
    const int by = (s.centerY - kViewRadius) >> 3;
    if (bx == s.cornerX && by == s.cornerY) return;
    WorldLists::World().ForEach([&](CObj* o) {
        if (o->IsDynamic() || o->IsMultiComponent()) return;
        const int blockX = o->locX >> 3;
        const int blockY = o->locY >> 3;
        if (blockX < bx || blockX >= bx + kStaticsBlocks || blockY < by || blockY >= by + kStaticsBlocks)
            o->Release();
    });
    for (int& slot : s.loaded)
        if (slot >= 0 && !IsInWindow(slot, bx, by)) slot = -1;
    const int blocksHigh = GetBlocksHigh();
    for (int x = bx; x < bx + kStaticsBlocks; ++x)
        for (int y = by; y < by + kStaticsBlocks; ++y) {
            if (x < 0 || y < 0 || x >= GetBlocksWide() || y >= blocksHigh) continue;
            const int block = x * blocksHigh + y;
            if (std::find(std::begin(s.loaded), std::end(s.loaded), block) != std::end(s.loaded)) continue;
            LoadStaticsBlock(x, y);
            int* freeSlot = std::find(std::begin(s.loaded), std::end(s.loaded), -1);
            if (freeSlot != std::end(s.loaded)) *freeSlot = block;
        }
    s.cornerX = bx;
    s.cornerY = by;
}

bool CreateLandTileWrapped(int x, int y) {
    const int wx = WrapX(x);
    const int wy = WrapY(y);
    const int tile = InsideMap(wx, wy) ? GetLandTile(wx, wy) : kMissingLand;
    LandHeights heights(wx, wy);
    int8_t corners[4];
    heights.Corners(corners);
    const bool squareInside = InsideMap(wx - 1, wy - 1) && InsideMap(wx + 2, wy + 2);
    // The item keeps the cell it was asked for; its heights come from the wrapped cell.
    return MakeLandItem(x, y, heights, tile, heights.At(0, 0), corners, squareInside);
}

bool CreateLandTile(int x, int y) {
    const State& s = S();
    const bool inArea = x >= s.wrapWidth && x < s.width && y >= 0 && y < s.wrapHeight;
    int8_t corners[4] = {0, 0, 0, 0};
    LandHeights heights(x, y);
    if (!inArea) {
        return MakeLandItem(x, y, heights, kOutsideLand, 0, corners, false);
    }
    heights.Corners(corners);
    const bool squareInside = InsideMap(x - 1, y - 1) && InsideMap(x + 2, y + 2);
    return MakeLandItem(x, y, heights, GetLandTile(x, y), heights.At(0, 0), corners, squareInside);
}

// ---------------------------------------------------------------- sight
bool HasLineOfSight(uint32_t from, int fromZ, uint32_t to, int toZ, uint32_t flagMask) {
    const int x1 = static_cast<int16_t>(from & 0xFFFF), y1 = static_cast<int16_t>(from >> 16);
    const int x2 = static_cast<int16_t>(to & 0xFFFF), y2 = static_cast<int16_t>(to >> 16);
    if (x1 == x2 && y1 == y2 && static_cast<int16_t>(fromZ) == static_cast<int16_t>(toZ)) return true;
    const int dx = x2 - x1, dy = y2 - y1, dz = toZ - fromZ;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    if (steps == 0) return true;
    const int64_t stepX = static_cast<int64_t>(dx) * 65536 / steps;
    const int64_t stepY = static_cast<int64_t>(dy) * 65536 / steps;
    const int64_t stepZ = static_cast<int64_t>(dz) * 65536 / steps;
    int64_t fx = static_cast<int64_t>(x1) << 16, fy = static_cast<int64_t>(y1) << 16,
            fz = static_cast<int64_t>(fromZ) << 16;
    for (int i = 1; i < steps; ++i) {
        fx += stepX;
        fy += stepY;
        fz += stepZ;
        const int cx = static_cast<int>(fx >> 16), cy = static_cast<int>(fy >> 16),
                  cz = static_cast<int>(fz >> 16);
        const uint32_t cell = static_cast<uint16_t>(cx) | static_cast<uint32_t>(static_cast<uint16_t>(cy))
                                                              << 16;
        CObj* o = CObjectManager::GetObjAtLoc(cell, cz);
        if (o && (o->GetTileFlags() & flagMask)) return false;
    }
    return true;
}

// ---------------------------------------------------------------- the map block check
int CheckValue(int block, const uint8_t* data) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, kBlockSize, data);
    uint8_t digest[MD5_DIGEST_SIZE];
    md5_digest(&ctx, sizeof digest, digest);
    return (block & 1) ? (digest[4] & 0x0F) : (digest[2] & 0x0F);
}

std::string BuildCheckTable(const uint8_t* map, size_t size) {
    const uint8_t zeros[kBlockSize] = {};
    const int even = CheckValue(0, zeros), odd = CheckValue(1, zeros);
    std::string table(kCheckTableSize, static_cast<char>(even << 4 | odd));
    const size_t blocks = std::min(size / kBlockSize, static_cast<size_t>(kCheckBlocks));
    for (size_t b = 0; b < blocks; ++b) {
        const uint8_t* data = map + b * kBlockSize;
        if (std::all_of(data, data + kBlockSize, [](uint8_t v) { return v == 0; })) continue;
        const int value = CheckValue(static_cast<int>(b), data);
        char& entry = table[b / 2];
        entry = static_cast<char>((b & 1) ? ((entry & 0xF0) | value) : ((entry & 0x0F) | (value << 4)));
    }
    return table;
}

void SetCheckTable(const uint8_t* table, size_t size) {
    if (!table)
        S().checkTable.clear();
    else
        S().checkTable.assign(table, table + size);
}

bool LoadCheckTable() {
    std::vector<uint8_t> bytes;
    if (!S().source.readFile || !S().source.readFile(kCheckFileName, bytes) ||
        bytes.size() < static_cast<size_t>(kCheckTableSize)) {
        S().checkTable.clear();
        return false;
    }
    bytes.resize(kCheckTableSize);
    S().checkTable = std::move(bytes);
    return true;
}

void EnableMapCheck() {
    State& s = S();
    if (s.checkEnabled) return;
    s.checkEnabled = true;
    if (s.checkTable.empty()) LoadCheckTable();
}

bool IsMapCheckEnabled() {
    return S().checkEnabled;
}

void SetBlockReportSink(BlockReportSink sink) {
    S().reportSink = sink;
}

} // namespace MapManager
