#include "world/CObjectManager.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "render/DrawManager.h"
#include "world/TileData.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <cstdio>
#include <cstring>

namespace CObjectManager {
namespace {

TileDataHooks& Hooks() {
    static TileDataHooks hooks = DefaultTileDataHooks();
    return hooks;
}

// Writes a group's bytes at its offset in the installation's file. False (logged) when the file
// cannot be opened or written; the caller still changes memory, so walking and sight agree with
// the server for this run.
bool WriteGroup(const char* who, long offset, const uint8_t* bytes, size_t length) {
    // The file manager ends the process when a file it opened before cannot be opened again (an
    // installation the user cannot write): try the place it was read from first.
    for (const FileManager::OpenFileInfo& f : FileManager::openFiles()) {
        if (f.givenName != TileData::kFileName) continue;
        std::FILE* probe = std::fopen(f.actualName.c_str(), "r+b");
        if (!probe) {
            QVReport::error("%s: cannot open '%s'.\n", who, TileData::kFileName);
            return false;
        }
        std::fclose(probe);
    }
    std::FILE* file = FileManager::open(TileData::kFileName, "r+b");
    if (!file) {
        QVReport::error("%s: cannot open '%s'.\n", who, TileData::kFileName);
        return false;
    }
    bool ok = FileManager::seek(file, offset, SEEK_SET) == 0 &&
              FileManager::write(bytes, 1, length, file) == length;
    if (std::fflush(file) != 0) ok = false;
    FileManager::close(file);
    if (!ok)
        QVReport::error("%s: writing '%s' at %ld failed; kept in memory only.\n", who, TileData::kFileName,
                        offset);
    return ok;
}

} // namespace

TileDataHooks DefaultTileDataHooks() {
    return {DrawManager::RefreshItemsWithGraphic, DrawManager::InvalidateLandTiles,
            RebuildLightAndAnimationLists};
}

void SetTileDataHooks(const TileDataHooks& hooks) {
    Hooks() = hooks;
}

void startup() {
    QVReport::message("CObjectManager::startup: begin.\n");
    TileData::Free();
    TileData::Load();
    ObjectManagerState::ClearLists();
    animCrap::SetListWalk(AnimateListedObjects);
}

void shutdown() {
    QVReport::message("CObjectManager::shutdown: begin.\n");
    TileData::Free();
}

namespace {

bool ChangeItemGroup(int group, const uint8_t* bytes, size_t length, bool writeFile) {
    static const char* const kWho = "CObjectManager::SetItemTileData";
    uint32_t header = 0;
    ItemTileData rows[TileData::kGroupRows];
    if (group < TileData::kFirstItemGroup || group >= TileData::kItemGroupEnd) {
        QVReport::error("%s: group %d is not an item group; refused.\n", kWho, group);
        return false;
    }
    if (!TileData::ParseItemGroup(bytes, length, header, rows)) {
        QVReport::error("%s: group %d has %zu of %d bytes; refused.\n", kWho, group, length,
                        TileData::kItemGroupSize);
        return false;
    }
    if (!TileData::IsAllocated()) {
        QVReport::error("%s: no tile data; group %d refused.\n", kWho, group);
        return false;
    }
    if (writeFile) WriteGroup(kWho, TileData::ItemGroupOffset(group), bytes, TileData::kItemGroupSize);

    bool listsChanged = false;
    const int first = (group - TileData::kFirstItemGroup) * TileData::kGroupRows;
    for (int i = 0; i < TileData::kGroupRows; ++i) {
        ItemTileData* row = TileData::MutableItem(first + i);
        const ItemTileData& next = rows[i];
        if ((row->flags ^ next.flags) & TileFlag::ListBits) listsChanged = true;
        if (row->flags != next.flags || row->hue != next.hue) Hooks().refreshItemsWithGraphic(first + i);
        *row = next;
    }
    if (listsChanged) Hooks().rebuildLists();
    return true;
}

bool ChangeLandGroup(int group, const uint8_t* bytes, size_t length, bool writeFile) {
    static const char* const kWho = "CObjectManager::SetLandTileData";
    uint32_t header = 0;
    LandTileData rows[TileData::kGroupRows];
    if (group < 0 || group >= TileData::kLandGroups) {
        QVReport::error("%s: group %d is not a land group; refused.\n", kWho, group);
        return false;
    }
    if (!TileData::ParseLandGroup(bytes, length, header, rows)) {
        QVReport::error("%s: group %d has %zu of %d bytes; refused.\n", kWho, group, length,
                        TileData::kLandGroupSize);
        return false;
    }
    if (!TileData::IsAllocated()) {
        QVReport::error("%s: no tile data; group %d refused.\n", kWho, group);
        return false;
    }
    if (writeFile) WriteGroup(kWho, TileData::LandGroupOffset(group), bytes, TileData::kLandGroupSize);

    const int first = group * TileData::kGroupRows;
    for (int i = 0; i < TileData::kGroupRows; ++i) {
        LandTileData* row = TileData::MutableLand(first + i);
        if (row->textureId != rows[i].textureId) Hooks().invalidateLandTiles(first + i);
        *row = rows[i];
    }
    return true;
}

} // namespace

bool SetItemTileData(int group, const uint8_t* bytes, size_t length) {
    return ChangeItemGroup(group, bytes, length, true);
}

bool SetLandTileData(int group, const uint8_t* bytes, size_t length) {
    return ChangeLandGroup(group, bytes, length, true);
}

bool ApplyItemTileData(int group, const uint8_t* bytes, size_t length) {
    return ChangeItemGroup(group, bytes, length, false);
}

bool ApplyLandTileData(int group, const uint8_t* bytes, size_t length) {
    return ChangeLandGroup(group, bytes, length, false);
}

} // namespace CObjectManager
