#include "world/Terrain.h"

#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/MapManager.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <cstdlib>

using Terrain::TileContent;

namespace {

int EdgeValue(const int8_t c[4], int d) {
    switch (d) {
    case 0:
        return (c[1] + c[0]) >> 1;
    case 1:
        return c[1];
    case 2:
        return (c[2] + c[1]) >> 1;
    case 3:
        return c[2];
    case 4:
        return (c[3] + c[2]) >> 1;
    case 5:
        return c[3];
    case 6:
        return (c[3] + c[0]) >> 1;
    default:
        return c[0];
    }
}

bool IsGhostPassGraphic(int graphic) {
    return graphic == 1682 || graphic == 1781 || graphic == 1782 || graphic == 2118 || graphic == 2163;
}

bool OnCell(const CDrawItem* item, int x, int y) {
    return item->locX == static_cast<int16_t>(x) && item->locY == static_cast<int16_t>(y);
}

} // namespace

bool IsMainDiagonalFlatter(const int8_t c[4]) {
    return std::abs(c[1] - c[3]) >= std::abs(c[0] - c[2]);
}

int GetZVal(const int8_t c[4], bool mainDiagonal, int offset, int direction) {
    const int a = mainDiagonal ? (c[0] + c[2]) >> 1 : (c[1] + c[3]) >> 1;
    static bool offsetShown = false, directionShown = false;
    if (offset < 0 || offset > 2) {
        if (!offsetShown) {
            offsetShown = true;
            platform::ShowMessageBox("Someone tried to call GetZVal with theOffset not between 0 and 2",
                                     "Bugger", platform::BoxIcon::Error);
        }
        return a;
    }
    if (direction < 0 || direction > 7) {
        if (!directionShown) {
            directionShown = true;
            platform::ShowMessageBox("Someone tried to call GetZVal with theDir not between 0 and 7",
                                     "Bugger", platform::BoxIcon::Error);
        }
        return a;
    }
    if (offset == 0) return a;
    const int e = EdgeValue(c, direction);
    return offset == 2 ? e : (a + e) >> 1;
}

int CStretchedLandTile::GetTopZ() const {
    return IsMainDiagonalFlatter(cornerZ) ? (cornerZ[0] + cornerZ[2]) >> 1 : (cornerZ[1] + cornerZ[3]) >> 1;
}

int CStretchedLandTile::GetBottomZ() const {
    return std::min(std::min(cornerZ[0], cornerZ[1]), std::min(cornerZ[2], cornerZ[3]));
}

int CStretchedLandTile::GetZAtDir(int direction) const {
    const int d = direction & 7;
    const int a = cornerZ[((d >> 1) + 1) & 3];
    if (d & 1) return a;
    return (cornerZ[d >> 1] + a) >> 1;
}

bool CompareTileContents(const TileContent& a, const TileContent& b) {
    if (a.bottom != b.bottom) return a.bottom < b.bottom;
    return a.height < b.height;
}

int PlayerMovementType() {
    const CPlayerMobile* p = pPlayerObject;
    if (!p) return Terrain::kWalking;
    if (p->IsGhost()) return Terrain::kGhost;
    const CDynamicObj* mount = p->layers[25];
    if (mount && mount->graphic == 16051) return Terrain::kSwimming;
    if (p->graphic == 987) return Terrain::kGhost;
    return Terrain::kWalking;
}

int CollectTileContents(TileContent* out, int x, int y, int type) {
    int n = 0;
    const CDrawItem* cellHead = DrawMapThingie::table[y & 63][x & 63];
    for (CDrawItem* item = const_cast<CDrawItem*>(cellHead); item && n < Terrain::kMaxContents;
         item = item->nextDraw) {
        if (item->IsEffect() || !OnCell(item, x, y)) continue;
        if (item->IsLand()) {
            const int tile = item->IsStretchedLand() ? static_cast<CStretchedLandTile*>(item)->landId
                                                     : static_cast<CLandTile*>(item)->landId;
            const int id = tile & 0x7FFF;
            if (id == 2 || (id >= 430 && id <= 437) || id == 475) continue;
            const uint32_t land = TileData::Land(id).flags;
            uint16_t flags;
            if (type == Terrain::kNoBlocking)
                flags = 6;
            else if (type == Terrain::kSwimming)
                flags = (land & TileFlag::Wet) ? 7 : 1;
            else
                flags = (land & TileFlag::Impassable) ? 1 : 7;
            const int bottom = item->GetBottomZ(), top = item->GetTopZ();
            out[n++] = {flags, static_cast<int16_t>(bottom), static_cast<int16_t>(top),
                        static_cast<int16_t>(top - bottom), item};
            continue;
        }
        if (!item->IsObj() || item->IsMobile() || item->IsPlayer()) continue;
        const CObj* o = static_cast<const CObj*>(item);
        const uint32_t tf = o->GetTileFlags();
        uint16_t flags = 0;
        if (type == Terrain::kNoBlocking) {
            flags = 6;
        } else if (type == Terrain::kSwimming) {
            if (!(tf & TileFlag::Wet)) continue;
            flags = 6;
        } else {
            if (tf & (TileFlag::Impassable | TileFlag::Surface)) flags |= Terrain::kBlocks;
            if (!(tf & TileFlag::Impassable)) {
                if (tf & TileFlag::Surface) flags |= Terrain::kSurface;
                if (tf & TileFlag::Bridge) flags |= Terrain::kBridge;
            }
            if (type == Terrain::kGhost) {
                const bool passable = IsGhostPassGraphic(o->graphic) ||
                                      (!o->IsDynamic() && (tf & TileFlag::GhostPassable)) ||
                                      (o->IsDynamic() && (o->IsMovable() || (tf & TileFlag::GhostPassable)));
                if (passable) flags &= static_cast<uint16_t>(~Terrain::kBlocks);
            }
            if (o->IsDynamic() && ((o->graphic >= 14662 && o->graphic <= 14692) || o->graphic == 130))
                flags &= static_cast<uint16_t>(~Terrain::kBlocks);
        }
        if (!flags) continue;
        out[n++] = {flags, static_cast<int16_t>(o->z), static_cast<int16_t>(o->GetTopZ()),
                    static_cast<int16_t>(o->GetHeight()), item};
    }
    // Other mobiles stand in the way only on the first set.
    if (MapManager::GetDiffSet() != 0) return n;
    if (type == Terrain::kGhost || type == Terrain::kNoBlocking) return n;
    WorldLists::Mobiles().ForEach([&](CMobile* m) {
        if (n >= Terrain::kMaxContents) return;
        if (m == pPlayerObject || !m->IsPlaced() || !OnCell(m, x, y)) return;
        uint16_t flags = 0;
        if (type == Terrain::kWalking) {
            if (pPlayerObject && pPlayerObject->stamina >= pPlayerObject->maxStamina) return;
            if (m->IsGhost() || (m->status & 0x10)) return;
            flags = Terrain::kBlocks;
        }
        out[n++] = {flags, m->z, static_cast<int16_t>(m->z + 16), 16, m};
    });
    return n;
}

namespace {

// The reachable height range over a cell's contents when a step in direction `dir` leaves it.
void SurfaceOf(const TileContent* contents, int n, int z, int dir, int& low, int& high) {
    low = -128;
    high = z;
    for (int i = 0; i < n; ++i) {
        const TileContent& e = contents[i];
        if (e.item && e.item->IsLand()) {
            if (e.top <= z) {
                const int at = e.item->GetZAtDir(dir);
                low = std::max(low, at);
                high = std::max(high, at);
            }
            continue;
        }
        if ((e.flags & Terrain::kBlocks) && e.top <= z) low = std::max(low, static_cast<int>(e.top));
        // A stair one stands on reaches from its bottom to its full height.
        if ((e.flags & Terrain::kBridge) && e.top == z) {
            low = std::min(low, static_cast<int>(e.bottom));
            high = std::max(high, e.bottom + e.height);
        }
    }
    high += 2;
}

bool StepOnto(int low, int high, int x, int y, int z, int type, int& newZ) {
    TileContent e[Terrain::kContentBuffer];
    int n = CollectTileContents(e, x, y, type);
    std::sort(e, e + n, CompareTileContents);
    e[n++] = {Terrain::kBlocks, 128, 128, 128, nullptr};
    const int reference = std::max(z, low);
    int floor = low, highestTop = -128, best = 1000000, result = -128;
    bool found = false;
    for (int i = 0; i < n; ++i) {
        if ((e[i].flags & Terrain::kBlocks) && e[i].bottom - floor > 15) {
            for (int j = i - 1; j >= 0; --j) {
                const TileContent& c = e[j];
                const bool stand = ((c.flags & Terrain::kSurface) && c.top <= high) ||
                                   ((c.flags & Terrain::kBridge) && c.bottom <= high);
                if (!stand || c.top < highestTop || e[i].bottom - c.top <= 15) continue;
                const int distance = std::abs(reference - c.top);
                if (distance < best) {
                    best = distance;
                    result = c.top;
                    found = true;
                }
            }
        }
        floor = std::max(floor, static_cast<int>(e[i].top));
        highestTop = std::max(highestTop, static_cast<int>(e[i].top));
    }
    if (found) newZ = result;
    return found;
}

} // namespace

void GetStandingSurface(int& low, int& high, int x, int y, int z, int d, int type) {
    const int dir = d & 7;
    TileContent contents[Terrain::kContentBuffer];
    const int n = CollectTileContents(contents, x - Terrain::kDirX[dir], y - Terrain::kDirY[dir], type);
    SurfaceOf(contents, n, z, dir, low, high);
}

bool CanWalkOntoAs(int x, int y, int z, int d, int type, int& newZ) {
    int low = 0, high = 0;
    GetStandingSurface(low, high, x, y, z, d, type);
    return StepOnto(low, high, x, y, z, type, newZ);
}

void CollectStandingCell(StandingCell& cell, int x, int y, int type) {
    cell.movementType = type;
    cell.count = CollectTileContents(cell.contents, x, y, type);
}

bool CanWalkOntoFrom(const StandingCell& from, int x, int y, int z, int d, int& newZ) {
    int low = 0, high = 0;
    SurfaceOf(from.contents, from.count, z, d & 7, low, high);
    return StepOnto(low, high, x, y, z, from.movementType, newZ);
}

bool CanWalkOnto(int x, int y, int z, int d, int& newZ) {
    return CanWalkOntoAs(x, y, z, d, PlayerMovementType(), newZ);
}

bool CheckWalkDirection(int& direction, int& z, bool check, const PendingSteps& pending) {
    const int count = std::clamp(pending.count, 0, 4);
    const int facing = count > 0 ? pending.steps[count - 1].direction : pending.facing;
    const int d = direction & 7;
    if (!check) return d != (facing & 7);
    int x = 0, y = 0, cz = 0;
    MapManager::GetCenter(x, y, cz);
    for (int i = 0; i < count; ++i) {
        const int sd = pending.steps[i].direction & 7;
        x += Terrain::kDirX[sd];
        y += Terrain::kDirY[sd];
        cz = pending.steps[i].z;
    }
    const bool wrap = x < MapManager::GetWrapWidth();
    auto cell = [&](int dir, int& nx, int& ny) {
        nx = x + Terrain::kDirX[dir];
        ny = y + Terrain::kDirY[dir];
        if (wrap) {
            nx = MapManager::WrapCoordinate(nx, MapManager::GetWrapWidth());
            ny = MapManager::WrapCoordinate(ny, MapManager::GetWrapHeight());
        }
    };
    int nx = 0, ny = 0, nz = 0;
    if (!(d & 1)) {
        cell(d, nx, ny);
        if (CanWalkOnto(nx, ny, cz, d, nz)) {
            z = nz;
            return true;
        }
        return d != (facing & 7);
    }
    // The sides of a diagonal are its neighbours on the compass.
    const int left = (d - 1) & 7, right = (d + 1) & 7;
    int lz = 0, rz = 0;
    cell(d, nx, ny);
    const bool diagonal = CanWalkOnto(nx, ny, cz, d, nz);
    cell(left, nx, ny);
    const bool leftFree = CanWalkOnto(nx, ny, cz, left, lz);
    cell(right, nx, ny);
    const bool rightFree = CanWalkOnto(nx, ny, cz, right, rz);
    if (diagonal && leftFree && rightFree) {
        z = nz;
        return true;
    }
    if (rightFree && (!diagonal || !leftFree)) {
        direction = right;
        z = rz;
        return true;
    }
    if (leftFree && !rightFree) {
        direction = left;
        z = lz;
        return true;
    }
    return d != (facing & 7);
}

int GetSurfaceZAt(int x, int y) {
    int best = 0;
    if (!DrawManager::IsRoofCutOn()) {
        int8_t c[4];
        MapManager::GetCornerZ(x, y, c);
        best = (c[1] + c[3]) / 2;
    }
    WorldLists::World().ForEach([&](CObj* o) {
        if (!o->IsPlaced() || !OnCell(o, x, y) || o->IsCulled()) return;
        best =
            std::max(best, o->z + static_cast<int>(TileData::Item(o->graphic, o->graphicIncrement).height));
    });
    return best == -127 ? 0 : best;
}

int ComputeStepZ(const StepZInput& in) {
    const int n = in.framesPerTile, k = in.framesLeft;
    int rx = in.x, ry = in.y, rz = in.z, facing = in.facing & 7, offset = 0;
    if (k > 0) {
        if (n / 2 < k) {
            rx = in.previousX;
            ry = in.previousY;
            rz = in.previousZ;
            offset = n - k;
        } else {
            facing = (facing + 4) & 7;
            offset = k;
        }
    }
    offset = std::clamp(offset, 0, 2);
    int drawn = rz;
    for (CDrawItem* it = DrawMapThingie::table[ry & 63][rx & 63]; it; it = it->nextDraw) {
        if (!OnCell(it, rx, ry) || it->GetTopZ() != rz) continue;
        if (it->IsLand()) {
            if (!in.falling) {
                int8_t c[4];
                MapManager::GetCornerZ(rx, ry, c);
                drawn = GetZVal(c, IsMainDiagonalFlatter(c), offset, facing);
            }
        } else if (it->IsObj()) {
            const CObj* o = static_cast<const CObj*>(it);
            const uint32_t tf = o->GetTileFlags();
            if (tf & TileFlag::Bridge) {
                static constexpr int kTurn[4] = {0, -2, 2, 4};
                const int m = (facing + kTurn[tf >> 30]) & 7;
                const int h = o->z, t = o->GetHeight();
                if (m == 0 || m == 1 || m == 7)
                    drawn = offset == 1 ? h + t - t / 4 : offset == 2 ? h + t : h + t / 2;
                else if (m >= 3 && m <= 5)
                    drawn = offset == 1 ? h + t / 4 : offset == 2 ? h : h + t / 2;
                else
                    drawn = h + t / 2;
            } else if (!in.falling) {
                drawn = o->GetTopZ();
            }
        }
        break;
    }
    if (in.falling) {
        const int start = in.z + in.drop;
        const int done = n - k;
        // Short steps have no frames to spread the fall over: they are drawn at the step's z.
        if (n - 2 <= 0) return in.z;
        if (done < 3) return start;
        return start + (done - 2) * (in.z - start) / (n - 2);
    }
    return drawn;
}

void UpdatePlayerStepZ() {
    CPlayerMobile* p = pPlayerObject;
    if (!p || !p->IsPlaced()) return;
    // Until the walk queue drives the step frames the player stands: the current cell, offset 0.
    const StepZInput in{p->locX, p->locY, p->z, p->facing & 7, p->previousX, p->previousY, p->previousZ, 4,
                        0,       false,   0};
    const int drawn = ComputeStepZ(in);
    p->drawZ = static_cast<int16_t>(drawn);
    const int x = p->locX, y = p->locY;
    const int scrollX =
        (MapManager::GetMapWidth() + x - y) * 22 + p->walkScrollX - (BackBuffer::Width() / 2 - 1);
    const int scrollY = (x + y) * 22 + p->walkScrollY - drawn * 4 - (BackBuffer::Height() / 2 - 23);
    DrawManager::SetScrollOffset(scrollX, scrollY);
}
