#include "world/objects.h"

#include "core/DefManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "world/OverheadText.h"
#include "world/SerialIndex.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"

#include <new>
#include <vector>

CPlayerMobile* pPlayerObject = nullptr;
CDynamicObj* pDraggedObject = nullptr;
int g_personalLightTotal = 0;
bool g_criminalWarning = true;

namespace WorldLists {
WorldList& World() {
    static WorldList list;
    return list;
}
AllObjectsList& AllObjects() {
    static AllObjectsList list;
    return list;
}
MobileList& Mobiles() {
    static MobileList list;
    return list;
}
LightList& Lights() {
    static LightList list;
    return list;
}
FoliageList& Foliage() {
    static FoliageList list;
    return list;
}
AnimationList& Animations() {
    static AnimationList list;
    return list;
}
MultiCompList& MultiComponents() {
    static MultiCompList list;
    return list;
}
PreviewList& Previews() {
    static PreviewList list;
    return list;
}
} // namespace WorldLists

// ---------------------------------------------------------------- pools
namespace {

// Blocks of N objects constructed in place, never freed; the free list is a stack whose top is
// the next object handed out, so a fresh block goes out in ascending order.
template <class T, int N> struct Pool {
    std::vector<T*>* freeList = new std::vector<T*>; // never freed, like the blocks
    std::vector<T*>* blocks = new std::vector<T*>;
    int live = 0;

    T* Take(const char* who) {
        if (freeList->empty()) {
            T* block = new (std::nothrow) T[N];
            if (!block) {
                QVReport::error("%s: no memory for a block of %d objects.\n", who, N);
                return nullptr;
            }
            blocks->push_back(block);
            for (int i = N - 1; i >= 1; --i) {
                block[i].LeaveLiveSet();
                freeList->push_back(&block[i]);
            }
            ++live;
            return &block[0];
        }
        T* object = freeList->back();
        freeList->pop_back();
        object->JoinLiveSet();
        ++live;
        return object;
    }
    void Give(T* object) {
        --live;
        object->LeaveLiveSet();
        freeList->push_back(object);
    }
    ObjectPools::Counts Counts() const {
        return {static_cast<int>(blocks->size()), live, static_cast<int>(blocks->size()) * N,
                static_cast<int>(freeList->size())};
    }
};

Pool<CObj, ObjectPools::kStaticBlock>& StaticPool() {
    static auto* pool = new Pool<CObj, ObjectPools::kStaticBlock>;
    return *pool;
}
Pool<CDynamicObj, ObjectPools::kDynamicBlock>& DynamicPool() {
    static auto* pool = new Pool<CDynamicObj, ObjectPools::kDynamicBlock>;
    return *pool;
}
Pool<CLandTile, ObjectPools::kLandBlock>& LandPool() {
    static auto* pool = new Pool<CLandTile, ObjectPools::kLandBlock>;
    return *pool;
}
Pool<CStretchedLandTile, ObjectPools::kStretchedBlock>& StretchedPool() {
    static auto* pool = new Pool<CStretchedLandTile, ObjectPools::kStretchedBlock>;
    return *pool;
}

bool IsLightGraphicOrFlag(int graphic, uint32_t tileFlags) {
    return (tileFlags & TileFlag::LightSource) || IsLightGraphic(graphic);
}

void ClearObjLinks(CObj* o) {
    o->worldLinks = {};
    o->lightLinks = {};
    o->animLinks = {};
    o->foliageLinks = {};
    o->multiLinks = {};
    o->overheadTexts = nullptr;
    o->notPlaced = 1;
    o->inLightList = 0;
    o->facing = 0;
    o->flags = 0;
    o->graphicIncrement = 0;
    o->nextDraw = nullptr;
    o->prevDraw = nullptr;
    o->listed = 0;
}

} // namespace

bool IsLightGraphic(int graphic) {
    return (graphic >= 15874 && graphic <= 15883) || (graphic >= 14612 && graphic <= 14633);
}

namespace ObjectPools {
Counts Statics() {
    return StaticPool().Counts();
}
Counts Dynamics() {
    return DynamicPool().Counts();
}
Counts LandTiles() {
    return LandPool().Counts();
}
Counts StretchedLandTiles() {
    return StretchedPool().Counts();
}
void GiveDynamic(CDynamicObj* object) {
    DynamicPool().Give(object);
}
int MobileCount() {
    return static_cast<int>(WorldLists::Mobiles().Count());
}
} // namespace ObjectPools

CObj* NewStaticObj(int graphic) {
    CObj* o = StaticPool().Take("NewStaticObj");
    if (!o) return nullptr;
    ClearObjLinks(o);
    o->SetLocation(0xFFFFFFFFu, 0);
    const ItemTileData& row = TileData::Item(graphic);
    o->SetGraphic(graphic, row.hue);
    o->amount = static_cast<uint16_t>(row.value & 0xFFFF);
    return o;
}

CDynamicObj* NewDynamicObj(uint32_t serial, int graphic, int increment) {
    CDynamicObj* o = DynamicPool().Take("NewDynamicObj");
    if (!o) return nullptr;
    ClearObjLinks(o);
    o->SetLocation(0xFFFFFFFFu, 0);
    o->SetGraphic(graphic, 0);
    o->graphicIncrement = static_cast<int8_t>(increment);
    o->amount = 1;
    o->allLinks = {};
    o->serial = serial;
    o->parent = nullptr;
    for (CGump*& g : o->gumps)
        g = nullptr;
    o->multiList = nullptr;
    o->status = 0;
    o->layer = 0;
    o->personalLight = 0;
    o->vendorName.clear();
    o->vendorPrice = 0;
    WorldLists::AllObjects().PushFront(o);
    SerialIndex::Add(o);
    return o;
}

CLandTile* NewLandTile() {
    CLandTile* t = LandPool().Take("NewLandTile");
    if (t) t->listed = 0;
    return t;
}

CStretchedLandTile* NewStretchedLandTile() {
    CStretchedLandTile* t = StretchedPool().Take("NewStretchedLandTile");
    if (t) t->listed = 0;
    return t;
}

CObj* AddMultiComp(int graphic) {
    // From the static pool, where its release puts it: made singly, every part of every multi that
    // came and went would stay on the free list for good.
    CObj* o = NewStaticObj(graphic);
    if (!o) return nullptr;
    o->SetMultiComponent();
    return o;
}

void CLandTile::Release() {
    RemoveFromDrawList();
    LandPool().Give(this);
}

void CStretchedLandTile::Release() {
    RemoveFromDrawList();
    StretchedPool().Give(this);
}

// ---------------------------------------------------------------- CObj
CObj::CObj() = default;

CObj::~CObj() {
    if (!notPlaced) CObj::RemoveFromWorld();
    DeleteAllOverheadTexts();
    WorldLists::MultiComponents().Remove(this);
    WorldHook::Call(WorldHook::Table().forgetViewPointers, this);
}

void CObj::SetGraphic(int newGraphic, int newHue) {
    graphic = static_cast<uint16_t>(newGraphic & 0xFFFF);
    displayedGraphic = graphic;
    hue = static_cast<uint16_t>(newHue);
    displayedHue = hue;
    const DefTable* art = DefManager::GetTable(DefManager::Art);
    const int key = graphic + 0x4000;
    if (art && art->Contains(key)) {
        displayedGraphic = static_cast<uint16_t>(art->PickAlternative(key, graphic) - 0x4000);
        if (hue == 0)
            if (const DefTable::Entry* e = art->Find(key)) displayedHue = static_cast<uint16_t>(e->extra);
    }
}

void CObj::ReleaseToStaticPool() {
    if (!notPlaced) RemoveFromWorld();
    if (listed) RemoveFromDrawList(); // listed without being placed: no cell may keep it
    DeleteAllOverheadTexts();
    WorldLists::MultiComponents().Remove(this);
    WorldHook::Call(WorldHook::Table().forgetViewPointers, this);
    StaticPool().Give(this);
}

void CObj::Release() {
    ReleaseToStaticPool();
}

void CObj::SetMultiComponent() {
    flags |= 1;
    WorldLists::MultiComponents().PushFront(this);
}

uint32_t CObj::GetTileFlags() const {
    return TileData::Item(graphic, graphicIncrement).flags;
}

int CObj::GetHeight() const {
    return TileData::Item(graphic, graphicIncrement).height;
}

int CObj::GetTileMiscWord() const {
    return TileData::Item(graphic, graphicIncrement).miscWord;
}

int CObj::GetTopZ() const {
    const int h = GetHeight();
    return (GetTileFlags() & TileFlag::Bridge) ? z + h / 2 : z + h;
}

int CObj::DrawKey() const {
    int key = z;
    if (GetTileFlags() & TileFlag::Background) --key;
    if (GetHeight() > 0) ++key;
    return key;
}

bool CObj::IsCoinPile() const {
    return graphic == 654 || graphic == 3821 || graphic == 3824;
}

bool CObj::IsStackDrawn() const {
    return (GetTileFlags() & TileFlag::Stackable) && !IsCoinPile() && amount > 1;
}

int CObj::GetArt() const {
    if (displayedGraphic > 0x4000) return -1;
    int g = displayedGraphic;
    if (IsCoinPile()) return g + (amount < 2 ? 0 : amount <= 5 ? 1 : 2);
    return g + graphicIncrement;
}

bool CObj::IsLightSource() const {
    return IsLightGraphicOrFlag(graphic, GetTileFlags());
}

void CObj::ReferenceCell(int& x, int& y) const {
    x = locX;
    y = locY;
}

void CObj::GetDistance(int x, int y, int& dx, int& dy) const {
    if (IsPlayer()) { // the player is where the question is asked
        dx = dy = 0;
        return;
    }
    int rx = 0, ry = 0;
    ReferenceCell(rx, ry);
    dx = rx > x ? rx - x : x - rx;
    dy = ry > y ? ry - y : y - ry;
}

bool CObj::IsInRange(int range, int x, int y) const {
    if (IsPlayer()) return true;
    if (IsDynamic()) {
        const CMultiCompList* multi = static_cast<const CDynamicObj*>(this)->multiList;
        if (multi) range += multi->maxExtent;
    }
    int dx = 0, dy = 0;
    GetDistance(x, y, dx, dy);
    return dx <= range && dy <= range;
}

bool CObj::IsInUpdateRange() const {
    return IsInRangeOfCenter(pPlayerObject ? pPlayerObject->GetUpdateRange() : 18);
}

void CObj::AddToWorld(uint32_t position, int newZ) {
    if (!notPlaced) RemoveFromWorld();
    WorldLists::World().PushBack(this);
    SetLocation(position, newZ);
    notPlaced = 0;
    AddToDrawList();
    const uint32_t baseFlags = TileData::Item(graphic).flags;
    if (baseFlags & TileFlag::Animated) WorldLists::Animations().PushFront(this);
    const uint32_t tileFlags = GetTileFlags();
    if (tileFlags & TileFlag::Foliage) {
        WorldLists::Foliage().PushFront(this);
        // Tree tops hide the ground in the leafy seasons unless the player wants them.
        if ((Season == 3 || Season == 4) && !TreeCanopies && graphic != 1 &&
            !(graphic >= 15935 && graphic <= 16108))
            RemoveFromDrawList();
    }
    if (IsLightGraphicOrFlag(graphic, tileFlags) && !inLightList) {
        WorldLists::Lights().PushFront(this);
        inLightList = 1;
        WorldHook::Call(WorldHook::Table().invalidateLight, this);
    }
    if (IsPlayer() && static_cast<CDynamicObj*>(this)->personalLight != 0) {
        g_personalLightTotal += static_cast<CDynamicObj*>(this)->personalLight;
        WorldHook::Call(WorldHook::Table().radarRebuild);
        WorldHook::Call(WorldHook::Table().invalidateAll);
    }
}

void CObj::MoveTo(uint32_t position, int newZ) {
    if (!notPlaced) RemoveFromWorld();
    AddToWorld(position, newZ);
}

void CObj::LeaveObjectLists() {
    WorldLists::Animations().Remove(this);
    if (inLightList) {
        WorldLists::Lights().Remove(this);
        inLightList = 0;
        WorldHook::Call(WorldHook::Table().invalidateLight, this);
    }
    WorldLists::Foliage().Remove(this);
}

void CObj::RemoveFromWorld() {
    if (listed) RemoveFromDrawList();
    LeaveObjectLists();
    WorldLists::World().Remove(this);
    notPlaced = 1;
}

// ---------------------------------------------------------------- overhead texts
int CObj::CountOverheadTexts() const {
    int n = 0;
    for (const OverheadText* t = overheadTexts; t; t = t->older)
        ++n;
    return n;
}

void CObj::AttachOverheadText(OverheadText* text) {
    if (!text) return;
    text->owner = this;
    text->newer = nullptr;
    text->older = overheadTexts;
    if (overheadTexts) overheadTexts->newer = text;
    overheadTexts = text;
}

void CObj::DetachOverheadText(OverheadText* text) {
    if (text->newer)
        text->newer->older = text->older;
    else if (overheadTexts == text)
        overheadTexts = text->older;
    if (text->older) text->older->newer = text->newer;
    text->older = text->newer = nullptr;
    text->owner = nullptr;
}

void CObj::TrimOverheadTexts() {
    while (CountOverheadTexts() >= 3) {
        OverheadText* oldest = overheadTexts;
        while (oldest && oldest->older)
            oldest = oldest->older;
        OverheadText* victim = nullptr;
        for (OverheadText* t = oldest; t; t = t->newer)
            if (t->GetSpeechKind() == 0) {
                victim = t;
                break;
            }
        if (!victim) return;
        DetachOverheadText(victim);
        OverheadTexts::Factory().Destroy(victim);
    }
}

void CObj::ClearOverheadTexts() {
    OverheadText* t = overheadTexts;
    while (t) {
        OverheadText* older = t->older;
        if (t->GetSpeechKind() == 0) {
            DetachOverheadText(t);
            OverheadTexts::Factory().Destroy(t);
        }
        t = older;
    }
}

void CObj::DeleteAllOverheadTexts() {
    while (OverheadText* t = overheadTexts) {
        DetachOverheadText(t);
        OverheadTexts::Factory().Destroy(t);
    }
}

void CObj::AddOverheadText(const char* text, int font, int hue, CGump* holder, int speechKind) {
    TrimOverheadTexts();
    AttachOverheadText(OverheadTexts::Factory().Make(this, text, font, hue, holder, speechKind));
}

void CObj::AddUnicodeOverheadText(const char16_t* text, int font, int hue, const char* language,
                                  CGump* holder, int speechKind) {
    TrimOverheadTexts();
    AttachOverheadText(
        OverheadTexts::Factory().MakeUnicode(this, text, font, hue, language, holder, speechKind));
}

void CObj::ReplaceOverheadText(const char* text, int font, int hue, CGump* holder) {
    ClearOverheadTexts();
    AttachOverheadText(OverheadTexts::Factory().Make(this, text, font, hue, holder, 0));
}

// ---------------------------------------------------------------- CPreviewObj
CPreviewObj::CPreviewObj() {
    WorldLists::Previews().PushFront(this);
}

CPreviewObj::~CPreviewObj() {
    WorldLists::Previews().Remove(this);
}

// ---------------------------------------------------------------- ObjectManagerState
namespace ObjectManagerState {
void ClearLists() {
    WorldLists::World().Clear();
    WorldLists::AllObjects().Clear();
    WorldLists::Mobiles().Clear();
    WorldLists::Lights().Clear();
    WorldLists::Foliage().Clear();
    WorldLists::Animations().Clear();
    WorldLists::MultiComponents().Clear();
    WorldLists::Previews().Clear();
    SerialIndex::Clear();
    pDraggedObject = nullptr;
    g_personalLightTotal = 0;
}
} // namespace ObjectManagerState
