#pragma once
// Multis (houses, ships): one server object whose parts come from the multi data file and become
// local components at fixed offsets; and the placement preview, see-through pieces at the cell
// under the cursor while the player targets a place for a multi or a list of objects.
#include <cstddef>
#include <cstdint>
#include <vector>

class CDynamicObj;

namespace MradeRunager {

// One record: u16 graphic, s16 dx, dy, dz, u32 flags (1: a visible part).
constexpr int kRecordSize = 12;
struct Record {
    uint16_t graphic;
    int16_t dx, dy, dz;
    uint32_t flags;
};
// The records of a multi from the data files (whole records only); empty when missing.
std::vector<Record> ReadMulti(int multiId);

void startup();
// Builds the object's component list; false when the multi data is missing.
bool BuildMulti(int multiId, CDynamicObj* object);
// A multi object moved or appeared (from the object manager's move handling).
void UpdateMulti(CDynamicObj* object, int x, int y, int z, int multiId);
// Server records (network order) as host-order records, whole records only.
std::vector<uint8_t> ConvertNetworkComponents(const uint8_t* data, int length);

} // namespace MradeRunager

namespace PlacementPreview {

struct Entry {
    int16_t dx, dy, dz;
    uint16_t graphic;
    uint16_t extra;
};
// Message 0x99: the multi's records (all of them, whatever their flags) less the offset; false when
// the multi data is missing.
bool LoadMulti(int multiId, int dx, int dy, int dz);
// Message 0xB4: count records of five 32-bit values {graphic, extra, x, y, z}.
bool LoadObjectList(int count, const uint32_t* records, int dx, int dy, int dz);
// Places the pieces at the cell (during the frame's drawing); RemovePieces after it.
void PlaceAt(int x, int y);
void RemovePieces();
// The placement ended: frees the list; answers false.
bool Clear();
bool IsActive();
const char* ListName(); // "multi", "objlist" or ""
const std::vector<Entry>& Entries();
void GetLastCell(int& x, int& y);
int GetBaseZ();
// The cell under the mouse, from the scene's picking; false when none (nothing is placed).
using MouseCell = bool (*)(int& x, int& y);
void SetMouseCell(MouseCell cell);
// Fills the preview slots of the frame services.
void BindFrameServices();

} // namespace PlacementPreview

// The placement preview object the start-up creates (step 40) and the exit deletes: it binds the
// preview's frame services while it lives.
class CPlacementPreview {
  public:
    CPlacementPreview();
    ~CPlacementPreview();
    CPlacementPreview(const CPlacementPreview&) = delete;
    CPlacementPreview& operator=(const CPlacementPreview&) = delete;
};
