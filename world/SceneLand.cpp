// Land on the screen: flat diamonds and sloped cells of two lit, textured triangles.
#include "core/DefManager.h"
#include "render/DrawManager.h"
#include "render/SceneBlits.h"
#include "world/MapManager.h"
#include "world/Terrain.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

bool PlayerIsGhost() {
    return pPlayerObject && pPlayerObject->IsGhost();
}

// The land id through "art.def" alternatives, kept inside the land tables.
int ShownLandId(int id, const CDrawItem& item) {
    id &= kMaxLandArtId;
    if (const DefTable* art = DefManager::GetTable(DefManager::Art); art && art->Contains(id)) {
        const uint32_t seed =
            static_cast<uint16_t>(item.locX) | static_cast<uint32_t>(static_cast<uint16_t>(item.locY)) << 16;
        id = art->PickAlternative(id, seed) & kMaxLandArtId;
    }
    return id;
}

// The 44 x 44 diamond whose top-left is (left, top): 20 < du + dv < 66 and |dv - du| <= 22.
bool InDiamond(int du, int dv) {
    return du + dv > 20 && du + dv < 66 && dv - du >= -22 && dv - du <= 22;
}

struct Normal {
    int x, y, z;
};

Normal CellNormal(int x, int y) {
    int8_t c[4];
    MapManager::GetCornerZ(x, y, c);
    return Normal{88 * (c[3] - c[1]), 88 * (c[0] - c[2]), 968};
}

// The corner's screen point (relative to the world, not the scroll) and texture corner.
void CornerPoint(const CStretchedLandTile& t, int corner, int& x, int& y) {
    const int left = t.columnTerm * 22 - 22, depth = t.depthTerm * 22;
    const int z = t.cornerZ[corner];
    switch (corner) {
    case 0:
        x = left + 22;
        y = depth - 4 * z - 1;
        break;
    case 1:
        x = left + 46;
        y = depth - 4 * z + 22;
        break;
    case 2:
        x = left + 23;
        y = depth - 4 * z + 45;
        break;
    default:
        x = left;
        y = depth - 4 * z + 22;
        break;
    }
}

int HighestOf(const int8_t z[4], int first, int second, int third) {
    const int winner = z[second] > z[first] ? second : first;
    return z[third] > z[winner] ? third : winner;
}

} // namespace

// ---------------------------------------------------------------- flat land
void CLandTile::CalcScreenRect() {
    const int left = columnTerm * 22 - 22, top = depthTerm * 22 - z * 4;
    screenRect = Rect{left, top, left + 44, top + 44};
}

bool CLandTile::IsCulled() const {
    if (!listed) return true;
    return DrawManager::IsRoofCutOn() && z > DrawManager::GetRoofCutZ();
}

void CLandTile::DrawClip(const Rect& clip) {
    const int id = ShownLandId(landId, *this);
    if (id == 2) return;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    if (PlayerIsGhost())
        DrawLandArtGrey(id, screenRect.left - sx, screenRect.top - sy, clip);
    else
        DrawLandArt(id, screenRect.left - sx, screenRect.top - sy, clip);
}

bool CLandTile::IsHitAt(int px, int py) const {
    return InDiamond(px - screenRect.left, py - screenRect.top);
}

// ---------------------------------------------------------------- sloped land
void CStretchedLandTile::Init(int tileId, uint32_t position, const int8_t corners[4]) {
    landId = tileId;
    std::memcpy(cornerZ, corners, 4);
    SetLocation(position, (corners[0] + corners[1] + corners[2] + corners[3]) >> 2);
    hidden = corners[2] >= corners[0] + 11 ? 1 : 0;

    Normal cells[3][3];
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx)
            cells[dy][dx] = CellNormal(locX - 1 + dx, locY - 1 + dy);
    // The four cells around each corner, as offsets into cells (top-left cell first).
    static constexpr int kCornerCell[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int corner = 0; corner < 4; ++corner) {
        const int cx = kCornerCell[corner][0], cy = kCornerCell[corner][1];
        Normal sum{0, 0, 0};
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 2; ++i) {
                const Normal& n = cells[cy + j][cx + i];
                sum.x += n.x;
                sum.y += n.y;
                sum.z += n.z;
            }
        const double nx = sum.x / 4, ny = sum.y / 4, nz = sum.z / 4;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        const int sxn = static_cast<int>(nx * 256 / length), syn = static_cast<int>(ny * 256 / length),
                  szn = static_cast<int>(nz * 256 / length);
        cornerLight[corner] = std::clamp((100 * sxn - 30 * syn + 23 * szn) / 1000, 0, 15);
    }

    if (IsMainDiagonalFlatter(cornerZ)) {
        const int first[3] = {0, 1, 2}, second[3] = {2, 3, 0};
        std::copy(first, first + 3, triangles[0]);
        std::copy(second, second + 3, triangles[1]);
        highestCorner[0] = HighestOf(cornerZ, 0, 1, 2);
        highestCorner[1] = HighestOf(cornerZ, 2, 3, 0);
    } else {
        const int first[3] = {0, 1, 3}, second[3] = {1, 2, 3};
        std::copy(first, first + 3, triangles[0]);
        std::copy(second, second + 3, triangles[1]);
        highestCorner[0] = HighestOf(cornerZ, 0, 1, 3);
        highestCorner[1] = HighestOf(cornerZ, 2, 3, 1);
    }
}

void CStretchedLandTile::CalcScreenRect() {
    // Every pixel the triangles write, seam pixels included, so that a dirty rect meeting only
    // the seams still repaints the cell.
    Rect r{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
    for (int corner = 0; corner < 4; ++corner) {
        int x = 0, y = 0;
        CornerPoint(*this, corner, x, y);
        r.left = std::min(r.left, x);
        r.right = std::max(r.right, x + 1);
        r.top = std::min(r.top, y);
        r.bottom = std::max(r.bottom, y + 1);
    }
    screenRect = r;
}

bool CStretchedLandTile::IsCulled() const {
    if (!listed) return true;
    if (!DrawManager::IsRoofCutOn()) return false;
    const int cut = DrawManager::GetRoofCutZ();
    return cut < cornerZ[highestCorner[0]] && cut < cornerZ[highestCorner[1]];
}

void CStretchedLandTile::DrawClip(const Rect& clip) {
    if (hidden) return;
    const int id = ShownLandId(landId, *this);
    if (id == 2) return;
    const int textureId = TileData::Land(id).textureId;
    if (textureId == 0 || textureId >= 4096) return;
    const LandTexture* texture = GetLandTexture(textureId);
    if (!texture) return;
    const bool grey = PlayerIsGhost();
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int s = texture->size - 1;
    static constexpr int kTexU[4] = {0, 1, 1, 0}, kTexV[4] = {0, 0, 1, 1};
    TexVertex corners[4];
    for (int c = 0; c < 4; ++c) {
        int x = 0, y = 0;
        CornerPoint(*this, c, x, y);
        corners[c] = TexVertex{x - sx, y - sy, kTexU[c] * s, kTexV[c] * s, cornerLight[c]};
    }
    auto triangle = [&](int which) {
        const TexVertex three[3] = {corners[triangles[which][0]], corners[triangles[which][1]],
                                    corners[triangles[which][2]]};
        DrawTexturedTriangle(*texture, three, clip, grey);
    };
    if (DrawManager::IsRoofCutOn()) {
        const int cut = DrawManager::GetRoofCutZ();
        if (cut >= cornerZ[highestCorner[0]]) triangle(0);
        if (cut >= cornerZ[highestCorner[1]]) triangle(1);
        return;
    }
    triangle(0);
    // A steep west face would leave a gap at the top corner between the two halves.
    if (cornerZ[0] == cornerZ[1] && cornerZ[1] == cornerZ[2] && cornerZ[3] - cornerZ[0] > 20)
        corners[0].x += 1;
    triangle(1);
}

bool CStretchedLandTile::IsHitAt(int px, int py) const {
    const int left = columnTerm * 22 - 22;
    const int top = std::min({depthTerm * 22 - 4 * cornerZ[0], depthTerm * 22 - 4 * cornerZ[1] + 22,
                              depthTerm * 22 - 4 * cornerZ[2] + 44, depthTerm * 22 - 4 * cornerZ[3] + 22});
    return InDiamond(px - left, py - top);
}

// ---------------------------------------------------------------- scene calls over land
namespace DrawManager {

void InvalidateLandTiles(int landId) {
    // Land ids index 16,384-entry tables: compare the ids as the tables see them.
    const int wanted = landId & kMaxLandArtId;
    for (int y = 0; y < DrawMapThingie::kCells; ++y)
        for (int x = 0; x < DrawMapThingie::kCells; ++x)
            for (CDrawItem* it = DrawMapThingie::table[y][x]; it; it = it->nextDraw)
                if (it->IsLand()) {
                    const int tile = MapManager::GetLandTile(it->locX, it->locY);
                    if (tile != MapManager::kMissingLand && (tile & kMaxLandArtId) == wanted)
                        CDrawItem::Invalidate(it);
                }
}

} // namespace DrawManager
