#include "qvworld/MapReport.h"

#include "core/CDHDCache.h"
#include "mkinstall/WorldFiles.h"
#include "platform/platform.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/MapManager.h"
#include "world/PathManager.h"
#include "world/Terrain.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace qvworld {
namespace {

char LandChar(int tile) {
    using namespace mkinstall::WorldLand;
    const int id = tile & 0x3FFF;
    if (id >= 196 && id <= 199) return ','; // the yard's grass
    if (id >= 282 && id <= 285) return '*'; // its snow
    switch (id) {
    case Grass:
        return '.';
    case Dirt:
        return ':';
    case Sand:
        return 's';
    case Water:
        return '~';
    case Rock:
        return '^';
    case Hill:
        return 'h';
    default:
        return '?';
    }
}

char StaticChar(int graphic) {
    using namespace mkinstall::WorldItem;
    switch (graphic) {
    case Wall:
        return '#';
    case Floor:
        return '=';
    case StairsSouth:
    case StairsEast:
        return '/';
    case Roof:
        return 'R';
    case Door:
        return '+';
    case TreeTrunk:
        return 'T';
    case Foliage:
        return 'f';
    case LampPost:
        return 'L';
    case Fire:
        return '*';
    default:
        return 'o';
    }
}

// Which static of a cell the picture shows: what stands in the way before what lies on it or
// above it.
int StaticRank(int graphic) {
    using namespace mkinstall::WorldItem;
    switch (graphic) {
    case Door:
        return 9;
    case Wall:
        return 8;
    case StairsSouth:
    case StairsEast:
        return 7;
    case TreeTrunk:
        return 6;
    case LampPost:
        return 5;
    case Fire:
        return 4;
    case Floor:
        return 3;
    case Foliage:
        return 2;
    case Roof:
        return 1;
    default:
        return 0;
    }
}

char HeightChar(int z) {
    if (z < 0) return '-';
    if (z >= 40) return '+';
    return static_cast<char>('0' + z / 4);
}

// The static the picture shows for each cell of the area (by StaticRank), from the statics blocks.
std::vector<int> ShownStatics(int x0, int y0, int w, int h) {
    std::vector<int> graphic(static_cast<size_t>(w * h), -1);
    const int blocksHigh = MapManager::GetBlocksHigh();
    for (int bx = x0 >> 3; bx <= (x0 + w - 1) >> 3; ++bx)
        for (int by = y0 >> 3; by <= (y0 + h - 1) >> 3; ++by) {
            int length = 0, extra = 0;
            const uint8_t* data = MapManager::GetStaticsBlock(bx * blocksHigh + by, length, extra);
            for (int i = 0; data && i + 7 <= length; i += 7) {
                const int x = bx * 8 + data[i + 2], y = by * 8 + data[i + 3];
                if (data[i + 2] > 7 || data[i + 3] > 7 || x < x0 || y < y0 || x >= x0 + w || y >= y0 + h)
                    continue;
                const size_t at = static_cast<size_t>((y - y0) * w + (x - x0));
                const int g = data[i] | data[i + 1] << 8;
                if (graphic[at] < 0 || StaticRank(g) > StaticRank(graphic[at])) graphic[at] = g;
            }
        }
    return graphic;
}

const char* const kDirectionNames[8] = {"north", "north-east", "east", "south-east",
                                        "south", "south-west", "west", "north-west"};

} // namespace

void StartMap() {
    CDHDCache::startup();
    CDHDCache::Init();
    MapManager::startup();
    DrawManager::ResetWindow();
}

void StopMap() {
    MapManager::SetPlayerPlaced(false);
    DrawManager::FlushAllCells();
    PathManager::FreeLists();
    CDHDCache::shutdown();
}

void CenterMap(int x, int y) {
    MapManager::SetPlayerPlaced(true);
    MapManager::SetCenter(x, y, MapManager::GetLandZ(x, y), 0);
}

std::string DescribeMap(int x0, int y0, int w, int h) {
    w = std::clamp(w, 1, 256);
    h = std::clamp(h, 1, 256);
    std::string out;
    char line[96];
    std::snprintf(line, sizeof line, "map %d %d %d %d\n", x0, y0, w, h);
    out += line;
    out += "land: . grass  : dirt  s sand  ~ water  ^ rock  h hill  , yard grass  * snow  ? other\n";
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x)
            out += LandChar(MapManager::GetLandTile(x, y));
        out += '\n';
    }
    out += "height: z / 4, - below 0, + 40 and above\n";
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x)
            out += HeightChar(MapManager::GetLandZ(x, y));
        out += '\n';
    }
    out += "statics (walls before floors before roofs): # wall  + door  = floor  / stairs  R roof  T tree  f "
           "leaves  L lamp  * fire\n";
    const std::vector<int> statics = ShownStatics(x0, y0, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int g = statics[static_cast<size_t>(y * w + x)];
            out += g < 0 ? ' ' : StaticChar(g);
        }
        while (!out.empty() && out.back() == ' ')
            out.pop_back();
        out += '\n';
    }
    return out;
}

std::string DescribeCell(int x, int y) {
    CenterMap(x, y);
    std::string out;
    char line[160];
    int8_t c[4];
    MapManager::GetCornerZ(x, y, c);
    std::snprintf(line, sizeof line, "cell %d %d: land %d, z %d, corners %d %d %d %d\n", x, y,
                  MapManager::GetLandTile(x, y), MapManager::GetLandZ(x, y), c[0], c[1], c[2], c[3]);
    out += line;
    Terrain::TileContent contents[Terrain::kContentBuffer];
    const int n = CollectTileContents(contents, x, y, Terrain::kWalking);
    std::sort(contents, contents + n, CompareTileContents);
    for (int i = 0; i < n; ++i) {
        const Terrain::TileContent& e = contents[i];
        std::string name =
            e.item->IsLand() ? (e.item->IsStretchedLand() ? "land (stretched)" : "land") : "static";
        if (e.item->IsObj()) {
            char graphic[16];
            std::snprintf(graphic, sizeof graphic, " %d", static_cast<const CObj*>(e.item)->graphic);
            name += graphic;
        }
        std::snprintf(line, sizeof line, "  %s: bottom %d, top %d, height %d,%s%s%s\n", name.c_str(),
                      e.bottom, e.top, e.height, (e.flags & Terrain::kBlocks) ? " blocks" : "",
                      (e.flags & Terrain::kSurface) ? " surface" : "",
                      (e.flags & Terrain::kBridge) ? " bridge" : "");
        out += line;
    }
    for (int d = 0; d < 8; ++d) {
        // From the ground of the neighbour the step comes from.
        const int fromZ = MapManager::GetLandZ(x - Terrain::kDirX[d], y - Terrain::kDirY[d]);
        int z = 0;
        const bool ok = CanWalkOntoAs(x, y, fromZ, d, Terrain::kWalking, z);
        if (ok)
            std::snprintf(line, sizeof line, "  step %s from z %d: yes, z %d\n", kDirectionNames[d], fromZ,
                          z);
        else
            std::snprintf(line, sizeof line, "  step %s from z %d: no\n", kDirectionNames[d], fromZ);
        out += line;
    }
    return out;
}

std::string DescribePath(int x1, int y1, int x2, int y2) {
    CenterMap((x1 + x2) / 2, (y1 + y2) / 2);
    const int z1 = GetSurfaceZAt(x1, y1), z2 = GetSurfaceZAt(x2, y2);
    char line[128];
    std::snprintf(line, sizeof line, "path %d %d %d -> %d %d %d\n", x1, y1, z1, x2, y2, z2);
    std::string out = line;
    PathManager::Node* goal = PathManager::FindPath(x1, y1, z1, x2, y2, z2, PathManager::kMaxExpansions, 0);
    if (!goal) {
        std::snprintf(line, sizeof line, "no path (%d nodes expanded)\n", PathManager::ExpandedCount());
        return out + line;
    }
    std::vector<const PathManager::Node*> steps;
    for (const PathManager::Node* n = goal; n; n = n->parent)
        steps.push_back(n);
    std::reverse(steps.begin(), steps.end());
    std::snprintf(line, sizeof line, "%zu steps, %d nodes expanded\n", steps.size() - 1,
                  PathManager::ExpandedCount());
    out += line;
    for (size_t i = 0; i < steps.size(); ++i) {
        std::snprintf(line, sizeof line, "%3zu %d %d %d\n", i, steps[i]->x, steps[i]->y, steps[i]->z);
        out += line;
    }
    return out;
}

bool WriteMapCheck(const std::string& mapFile, const std::string& out, std::string& message) {
    std::ifstream in(mapFile, std::ios::binary);
    if (!in) {
        message = "cannot read " + mapFile;
        return false;
    }
    const std::vector<uint8_t> map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string table = MapManager::BuildCheckTable(map.data(), map.size());
    if (!platform::AtomicReplaceFile(out, table.data(), table.size())) {
        message = "cannot write " + out;
        return false;
    }
    char line[128];
    std::snprintf(line, sizeof line, "%zu blocks checked, %zu bytes written\n",
                  map.size() / MapManager::kBlockSize, table.size());
    message = line;
    return true;
}

} // namespace qvworld
