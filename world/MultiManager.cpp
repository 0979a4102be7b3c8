#include "world/MultiManager.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "render/FrameServices.h"
#include "world/MapManager.h"
#include "world/Terrain.h"
#include "world/objects.h"

#include <algorithm>
#include <string>

namespace MradeRunager {

std::vector<Record> ReadMulti(int multiId) {
    std::vector<Record> out;
    int length = 0, extra = 0;
    const uint8_t* data =
        MapManager::GetSourceItem(CDHDCache::kMultiIdx, CDHDCache::kMulti, multiId, length, extra);
    if (!data || length <= 0) return out;
    const int count = length / kRecordSize;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t* r = data + i * kRecordSize;
        Record rec;
        rec.graphic = static_cast<uint16_t>(r[0] | r[1] << 8);
        rec.dx = static_cast<int16_t>(r[2] | r[3] << 8);
        rec.dy = static_cast<int16_t>(r[4] | r[5] << 8);
        rec.dz = static_cast<int16_t>(r[6] | r[7] << 8);
        rec.flags = static_cast<uint32_t>(r[8] | r[9] << 8 | r[10] << 16) | static_cast<uint32_t>(r[11])
                                                                                << 24;
        out.push_back(rec);
    }
    return out;
}

void startup() {
    QVReport::message("MradeRunager::startup: begin.\n");
}

bool BuildMulti(int multiId, CDynamicObj* object) {
    if (!object) return false;
    const std::vector<Record> records = ReadMulti(multiId);
    if (records.empty()) return false;
    if (object->multiList) {
        object->multiList->Clear();
        delete object->multiList;
        object->multiList = nullptr;
    }
    auto* list = new CMultiCompList;
    list->multiId = multiId;
    object->multiList = list;
    object->SetGraphic(records[0].graphic, 0);
    object->displayedHue = 0;
    for (size_t i = 1; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.flags != 1) continue;
        CObj* part = AddMultiComp(r.graphic);
        if (!part) continue;
        part->displayedHue = 0;
        list->Append(part, r.dx, r.dy, r.dz);
        WorldLists::MultiComponents().PushFront(part);
        list->maxExtent = std::max(list->maxExtent, MapManager::DistanceTo(r.dx, r.dy, 0, 0));
    }
    return true;
}

void UpdateMulti(CDynamicObj* object, int x, int y, int z, int multiId) {
    if (!object) return;
    if (object->multiList && object->multiList->multiId != multiId) {
        object->multiList->Clear();
        delete object->multiList;
        object->multiList = nullptr;
    }
    const uint32_t position = static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y))
                                                             << 16;
    if (!object->EnsureMulti(multiId)) {
        object->MoveTo(position, z);
        return;
    }
    if (!object->multiList->placed || !object->listed || !object->IsPlaced() || object->locX != x ||
        object->locY != y || object->z != z) {
        object->MoveTo(position, z);
        object->MoveMulti(position, z);
    }
}

std::vector<uint8_t> ConvertNetworkComponents(const uint8_t* data, int length) {
    const int count = data && length > 0 ? length / kRecordSize : 0;
    std::vector<uint8_t> out(static_cast<size_t>(count) * kRecordSize);
    for (int i = 0; i < count; ++i) {
        const uint8_t* in = data + i * kRecordSize;
        uint8_t* o = out.data() + i * kRecordSize;
        for (int f = 0; f < 8; f += 2) { // four 16-bit fields
            o[f] = in[f + 1];
            o[f + 1] = in[f];
        }
        o[8] = in[11];
        o[9] = in[10];
        o[10] = in[9];
        o[11] = in[8];
    }
    return out;
}

} // namespace MradeRunager

// ---------------------------------------------------------------- component lists
CMultiCompList::~CMultiCompList() {
    // The owner cleared the list first unless someone else releases the components.
    for (Node* n = head; n;) {
        Node* next = n->next;
        delete n;
        n = next;
    }
}

void CMultiCompList::Append(CObj* component, int dx, int dy, int dz) {
    Node* n = new Node;
    n->component = component;
    n->dx = static_cast<int16_t>(dx);
    n->dy = static_cast<int16_t>(dy);
    n->dz = static_cast<int16_t>(dz);
    n->previous = tail;
    if (tail)
        tail->next = n;
    else
        head = n;
    tail = n;
}

int CMultiCompList::Count() const {
    int n = 0;
    for (const Node* it = head; it; it = it->next)
        ++n;
    return n;
}

void CMultiCompList::MoveTo(int x, int y, int z) {
    for (Node* n = head; n; n = n->next) {
        CObj* c = n->component;
        if (!c) continue;
        if (c->IsPlaced()) c->RemoveFromWorld();
        const uint32_t position =
            static_cast<uint16_t>(x + n->dx) | static_cast<uint32_t>(static_cast<uint16_t>(y + n->dy)) << 16;
        c->AddToWorld(position, z + n->dz);
    }
    placed = true;
}

void CMultiCompList::Clear() {
    if (owned) return;
    for (Node* n = head; n;) {
        Node* next = n->next;
        if (n->component) n->component->Release();
        delete n;
        n = next;
    }
    head = tail = nullptr;
    multiId = -1;
    maxExtent = 0;
    placed = false;
}

bool CDynamicObj::EnsureMulti(int multiId) {
    if (!multiList) MradeRunager::BuildMulti(multiId, this);
    return multiList != nullptr;
}

void CDynamicObj::MoveMulti(uint32_t position, int newZ) {
    if (multiList)
        multiList->MoveTo(static_cast<int16_t>(position & 0xFFFF), static_cast<int16_t>(position >> 16),
                          newZ);
}

// ---------------------------------------------------------------- the placement preview
namespace PlacementPreview {
namespace {

struct State {
    std::string name;
    std::vector<Entry> entries;
    bool active = false;
    int lastX = -1, lastY = 0;
    int baseZ = 0;
    int zOffset = 0;
    int pieceZ = 0;
    MouseCell mouseCell = nullptr;
};

State& S() {
    static State s;
    return s;
}

void PlaceAtMouse() {
    int x = 0, y = 0;
    if (S().active && S().mouseCell && S().mouseCell(x, y)) PlaceAt(x, y);
}

} // namespace

bool LoadMulti(int multiId, int dx, int dy, int dz) {
    const std::vector<MradeRunager::Record> records = MradeRunager::ReadMulti(multiId);
    if (records.empty()) return false;
    State& s = S();
    s.entries.clear();
    s.name = "multi";
    for (const MradeRunager::Record& r : records)
        s.entries.push_back({static_cast<int16_t>(r.dx - dx), static_cast<int16_t>(r.dy - dy),
                             static_cast<int16_t>(r.dz - dz), r.graphic, 0});
    s.lastX = -1;
    s.active = true;
    return true;
}

bool LoadObjectList(int count, const uint32_t* records, int dx, int dy, int dz) {
    if (count < 0 || (count > 0 && !records)) return false;
    State& s = S();
    s.entries.clear();
    s.name = "objlist";
    for (int i = 0; i < count; ++i) {
        const uint32_t* r = records + i * 5;
        s.entries.push_back({static_cast<int16_t>(static_cast<int16_t>(r[2]) - dx),
                             static_cast<int16_t>(static_cast<int16_t>(r[3]) - dy),
                             static_cast<int16_t>(static_cast<int16_t>(r[4]) - dz),
                             static_cast<uint16_t>(r[0]), static_cast<uint16_t>(r[1])});
    }
    s.lastX = -1;
    s.active = true;
    return true;
}

void PlaceAt(int x, int y) {
    State& s = S();
    const int z = GetSurfaceZAt(x, y);
    for (const Entry& e : s.entries) {
        s.pieceZ = z + s.zOffset + e.dz;
        auto* piece = new CPreviewObj; // joins the preview list itself
        piece->SetGraphic(e.graphic, 0);
        const uint32_t position =
            static_cast<uint16_t>(x + e.dx) | static_cast<uint32_t>(static_cast<uint16_t>(y + e.dy)) << 16;
        piece->SetLocation(position, s.pieceZ);
        piece->AddToDrawList();
    }
    s.baseZ = z + s.zOffset;
    s.lastX = x;
    s.lastY = y;
}

void RemovePieces() {
    PreviewList& list = WorldLists::Previews();
    while (CPreviewObj* piece = list.Head()) {
        piece->DirtyOwnRect();
        piece->RemoveFromDrawList();
        delete piece;
    }
}

bool Clear() {
    State& s = S();
    s.entries.clear();
    s.name.clear();
    s.zOffset = 0;
    s.pieceZ = 0;
    s.active = false;
    return false;
}

bool IsActive() {
    return S().active;
}
const char* ListName() {
    return S().name.c_str();
}
const std::vector<Entry>& Entries() {
    return S().entries;
}
void GetLastCell(int& x, int& y) {
    x = S().lastX;
    y = S().lastY;
}
int GetBaseZ() {
    return S().baseZ;
}
void SetMouseCell(MouseCell cell) {
    S().mouseCell = cell;
}

void BindFrameServices() {
    FrameServices services = GetFrameServices();
    services.isPreviewActive = IsActive;
    services.placePreviewAtMouse = PlaceAtMouse;
    services.removePreviewPieces = RemovePieces;
    SetFrameServices(services);
}

} // namespace PlacementPreview

CPlacementPreview::CPlacementPreview() {
    QVReport::message("CPlacementPreview::CPlacementPreview(): begin.\n");
    PlacementPreview::BindFrameServices();
}

CPlacementPreview::~CPlacementPreview() {
    PlacementPreview::RemovePieces();
    PlacementPreview::Clear();
}
