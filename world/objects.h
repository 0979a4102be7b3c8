#pragma once
// The world objects: land tiles, map statics, server items, containers, map items, corpses,
// mobiles and the player, all draw items. Statics, server items and land tiles come from pools
// that never shrink; the rest are made singly. Every placed object is on the world list; every
// server object is on the all-objects list from construction to release.
#include "render/DrawItem.h"
#include "world/WorldList.h"

#include <cstdint>
#include <string>

class CGump;
class OverheadText;

constexpr uint32_t kItemSerialBit = 0x40000000;  // set for items
constexpr uint32_t kDyingSerialBit = 0x80000000; // set while a mobile dies
constexpr int kLayerCount = 30;

class CObj;

// The component list of a multi (houses and ships): local objects at fixed offsets around it; its
// extent widens the multi's range. Built and moved by MradeRunager (world/MultiManager).
struct CMultiCompList {
    struct Node {
        CObj* component = nullptr;
        int16_t dx = 0, dy = 0, dz = 0;
        Node* previous = nullptr;
        Node* next = nullptr;
    };
    CMultiCompList() = default;
    ~CMultiCompList();
    CMultiCompList(const CMultiCompList&) = delete;
    CMultiCompList& operator=(const CMultiCompList&) = delete;

    // Takes every placed component out of the world and places it at the position plus its offsets.
    void MoveTo(int x, int y, int z);
    // Unless owned: releases every component and frees the nodes (id -1, not placed).
    void Clear();
    void SetOwned(bool flag) { owned = flag; }
    void Append(CObj* component, int dx, int dy, int dz);
    int Count() const;

    Node* head = nullptr;
    Node* tail = nullptr;
    int32_t multiId = -1;
    int maxExtent = 0;
    bool owned = false;
    bool placed = false;
};

class CLandTile : public CDrawItem {
  public:
    void Release() override;
    bool IsLand() const override { return true; }
    int DrawKey() const override { return z - 1; }
    // Drawing, culling and picking (world/SceneLand.cpp).
    void CalcScreenRect() override;
    void DrawClip(const Rect& clip) override;
    bool IsCulled() const override;
    bool IsHitAt(int px, int py) const override;
    bool MayBeLeftOutWhenCovered() const override { return true; }
    int landId = 0;
};

class CStretchedLandTile : public CDrawItem {
  public:
    void Release() override;
    bool IsLand() const override { return true; }
    bool IsStretchedLand() const override { return true; }
    int DrawKey() const override { return GetTopZ() - 1; }
    // The centre height by the flatter diagonal, the lowest corner, the height towards a direction.
    int GetTopZ() const override;
    int GetBottomZ() const override;
    int GetZAtDir(int direction) const override;
    // Drawing, culling and picking (world/SceneLand.cpp).
    void CalcScreenRect() override;
    void DrawClip(const Rect& clip) override;
    bool IsCulled() const override;
    bool IsHitAt(int px, int py) const override;
    bool MayBeLeftOutWhenCovered() const override { return true; }
    // Stores the tile and heights and works out the corner light and the split into triangles.
    void Init(int tileId, uint32_t position, const int8_t corners[4]);
    int8_t cornerZ[4] = {0, 0, 0, 0}; // the cell, x+1, x+1 and y+1, y+1
    int landId = 0;
    int32_t cornerLight[4] = {5, 5, 5, 5};
    int32_t triangles[2][3] = {{0, 1, 2}, {2, 3, 0}};
    int32_t highestCorner[2] = {0, 2};
    uint32_t hidden = 0;
};

class CObj : public CDrawItem {
  public:
    CObj();
    ~CObj() override;

    // ---- draw item
    void Release() override;
    bool IsObj() const override { return true; }
    bool IsDynamic() const override { return false; }
    uint32_t GetTileFlags() const override;
    int GetTopZ() const override;
    void RemoveFromWorld() override;
    bool IsInRange(int range, int x, int y) const override;
    bool IsInUpdateRange() const override;
    int DrawKey() const override;
    // Drawing, culling and picking (world/SceneObjects.cpp); mobiles and corpses draw and pick
    // through their figure frames.
    void CalcScreenRect() override;
    void DrawClip(const Rect& clip) override;
    bool IsCulled() const override;
    bool IsHitAt(int px, int py) const override;
    Rect OpaqueCover() const override;
    // Objects only paint; figures and corpses paint their frames, which covers do not follow.
    bool MayBeLeftOutWhenCovered() const override { return !IsMobile() && !IsCorpse(); }

    // ---- the family's operations, in slot order
    virtual void AddToWorld(uint32_t position, int newZ);
    virtual void MoveTo(uint32_t position, int newZ);
    virtual bool IsCorpse() const { return false; }
    virtual bool IsEquipped() const { return false; }
    virtual bool IsMovable() const { return false; }
    virtual bool IsMapItem() const { return false; }
    virtual bool IsSpellbook() const { return false; }
    virtual bool IsMultiComponent() const { return (flags & 1) != 0; }
    virtual void SetMultiComponent();
    virtual int GetHeight() const;
    virtual int GetTileMiscWord() const;
    virtual int GetArt() const; // item art id, -1 none
    virtual bool IsStackDrawn() const;
    virtual bool IsCoinPile() const;

    // The absolute x and y distance from (x, y) to the object's reference cell.
    void GetDistance(int x, int y, int& dx, int& dy) const;
    virtual void ReferenceCell(int& x, int& y) const;
    bool IsPlaced() const { return notPlaced == 0; }

    // ---- overhead texts
    void AddOverheadText(const char* text, int font, int hue, CGump* holder, int speechKind);
    void AddUnicodeOverheadText(const char16_t* text, int font, int hue, const char* language, CGump* holder,
                                int speechKind);
    void ReplaceOverheadText(const char* text, int font, int hue, CGump* holder);
    void TrimOverheadTexts();
    void ClearOverheadTexts();
    // Deletes every text, kept ones too.
    void DeleteAllOverheadTexts();
    int CountOverheadTexts() const;
    void AttachOverheadText(OverheadText* text);
    void DetachOverheadText(OverheadText* text);

    // Sets the graphic and the displayed graphic and hue through "art.def".
    void SetGraphic(int newGraphic, int newHue);

    uint16_t graphic = 0;
    uint16_t displayedGraphic = 0;
    int8_t graphicIncrement = 0;
    uint16_t amount = 1;
    uint16_t hue = 0;
    uint16_t displayedHue = 0;
    ListLinks<CObj> worldLinks; // the world list, or a container's contents
    ListLinks<CObj> lightLinks;
    ListLinks<CObj> animLinks;
    ListLinks<CObj> foliageLinks;
    ListLinks<CObj> multiLinks;
    OverheadText* overheadTexts = nullptr; // newest
    uint8_t notPlaced = 1;
    uint8_t inLightList = 0;
    uint8_t facing = 0;
    uint32_t flags = 0;
    // Foliage: whether it hides the player, recomputed only in the ceiling's foliage pass.
    mutable bool foliageCulled = false;

  protected:
    // The list steps of leaving the world shared by every class.
    void LeaveObjectLists();
    bool IsLightSource() const;
    void ReleaseToStaticPool();
};

class CPreviewObj : public CObj {
  public:
    CPreviewObj();
    ~CPreviewObj() override;
    void Release() override { CDrawItem::Release(); }
    // Always translucent.
    void DrawClip(const Rect& clip) override;
    Rect OpaqueCover() const override { return Rect{}; }
    ListLinks<CPreviewObj> previewLinks;
};

class CContainerObj;
class CMobile;
class CBigMobComponent;

class CDynamicObj : public CObj {
  public:
    CDynamicObj();
    CDynamicObj(uint32_t serial, int graphic, int increment, bool linkAllObjects);
    ~CDynamicObj() override;

    void Release() override;
    bool IsDynamic() const override { return true; }
    void RemoveFromWorld() override;
    bool IsEquipped() const override;
    bool IsMovable() const override;
    void ReferenceCell(int& x, int& y) const override;
    virtual void GetScreenAnchor(int& x, int& y) const;

    // False (logged) when the container is this object or lies inside it; the object then stays.
    bool PutInContainer(CContainerObj* container, uint32_t position, int newZ);
    // False (logged) for a layer outside 0..29, or a mobile that is this object or inside it.
    bool Equip(CMobile* mobile, int newLayer);
    bool IsInsideOf(const CObj* container) const;
    // The container at the end of the parent chain; this object when it has no parent.
    const CDynamicObj* OutermostContainer() const;
    void SetPersonalLight(int level);
    // Changes the serial (a dying mobile gets bit 31) and keeps the lookup in step.
    void SetSerial(uint32_t newSerial);
    // Builds the multi's component list when there is none; true when there is one afterwards.
    bool EnsureMulti(int multiId);
    void MoveMulti(uint32_t position, int newZ);

    uint32_t serial = 0;
    CDynamicObj* parent = nullptr;
    ListLinks<CDynamicObj> allLinks;
    uint64_t allSequence = 0; // order of joining the all-objects list
    CGump* gumps[3] = {nullptr, nullptr, nullptr};
    CMultiCompList* multiList = nullptr;
    uint8_t status = 0;
    uint8_t layer = 0;
    int32_t personalLight = 0;
    std::string vendorName;
    uint32_t vendorPrice = 0;

  protected:
    // The steps of release that every class shares (pooled or deleted).
    void ReleaseShared();
    void ResetDynamic(uint32_t newSerial);
};

class CMapItemObj : public CDynamicObj {
  public:
    CMapItemObj(uint32_t serial, int graphic, int increment, bool linkAllObjects = true);
    ~CMapItemObj() override;
    void Release() override { CDrawItem::Release(); }
    bool IsMapItem() const override { return true; }
    // 1 append, 2 insert at index, 3 set pin index, 4 remove pin index, 5 remove all. Answers the
    // new count (op 3: the changed pin's index); an index outside the pins changes nothing and
    // answers the count; any other op answers op - 1.
    int EditPins(int op, int index, int x, int y);
    struct Pin {
        int16_t x;
        int16_t y;
        Pin* next;
    };
    Pin* pins = nullptr;
    int32_t pinCount = 0;
    CGump* courseGump = nullptr;
};

class CContainerObj : public CDynamicObj {
  public:
    CContainerObj(uint32_t serial, int graphic, int increment, bool linkAllObjects = true);
    ~CContainerObj() override;
    void Release() override { CDrawItem::Release(); }
    bool IsContainer() const override { return true; }
    bool IsSpellbook() const override { return graphic == 3834 || graphic == 3643; }
    void ReleaseContents();

    IntrusiveList<CObj, &CObj::worldLinks> contents; // head: topmost
    CGump* containerGump = nullptr;
    CBigMobComponent* bigMobComponents = nullptr; // strips of a tall figure, newest first
    int32_t stripOffset = 0;
    int32_t feetLine = 0; // corpses and mobiles: the figure's feet line in world pixels
};

class CCorpse : public CContainerObj {
  public:
    CCorpse(uint32_t serial, int graphic, int increment, bool linkAllObjects = true);
    ~CCorpse() override;
    bool IsCorpse() const override { return true; }
    uint32_t GetTileFlags() const override { return 0; }
    int GetHeight() const override { return 6; }
    int DrawKey() const override { return z + 1; }
    void AddToDrawList() override;
    void RemoveFromDrawList() override;
    void CalcScreenRect() override;
    void DrawClip(const Rect& clip) override;
    // The pixel test of picking, at a world point inside the rect.
    bool HitTest(int px, int py) const;
    // The feet point the death frame is drawn at.
    void GetFigureAnchor(int& x, int& y) const;
    CDynamicObj* equipment[kLayerCount] = {};
    // The server's list of what the dead wore, by layer 0..26 (0x89); the items may come later.
    static constexpr int kCorpseLayers = 27;
    uint32_t layerSerials[kCorpseLayers] = {};
};

class CMobile : public CContainerObj {
  public:
    CMobile(uint32_t serial, int body, int increment, bool linkAllObjects = true);
    ~CMobile() override;
    bool IsMobile() const override { return true; }
    uint32_t GetTileFlags() const override { return 0; }
    bool IsMovable() const override { return false; }
    int GetHeight() const override { return 15; }
    int GetTileMiscWord() const override { return 1; }
    int GetArt() const override;
    int DrawKey() const override;
    void ListingCell(int& x, int& y) const override;
    void AddToDrawList() override;
    void RemoveFromDrawList() override;
    void CalcScreenRect() override;
    void DrawClip(const Rect& clip) override;
    void ReferenceCell(int& x, int& y) const override;
    void GetScreenAnchor(int& x, int& y) const override;
    bool IsCulled() const override;

    // As CalcScreenRect into the caller's rect, without the shadow allowance and with special
    // mounts measured by their animation; the rect stays as it was when there is no body frame.
    void CalcFigureRect(Rect& rect);
    // The pixel test of picking, at a world point inside the rect.
    bool HitTest(int px, int py);
    // The feet point the figure is drawn at (x, and y after the step offset or walk scroll).
    virtual void GetFigureAnchor(int& x, int& y) const;
    // Whether the figure needs strips (a tall body, or a mount with a tall body).
    bool NeedsStrips() const;

    // ---- seated on a chair, bench or stool (world/MobileDraw.cpp)
    // True when a human figure at rest stands on a seat of its cell; the seat becomes the chosen chair.
    bool IsSeated();
    virtual void CalcSeatedRect();
    virtual void DrawSeatedClip(const Rect& clip);
    virtual int HitTestSeated(int x, int y);

    // The running action and its frame; false without one.
    virtual bool GetCurrentAction(int& currentAction, int& frame) const;
    virtual bool IsGhost() const { return graphic == 402 || graphic == 403; }
    virtual void PlayFootstepSound();
    virtual void SetNotoriety(int value);
    virtual bool IsNotInnocent() const;
    virtual bool IsNotCriminal() const;
    // The box of a special mount's graphic centred on (x, y) (any other graphic: the first row's).
    virtual void GetMountRect(uint16_t graphic, int x, int y, int* left, int* top, int* right,
                              int* bottom) const;
    int GetNotoriety() const;
    bool IsMounted() const { return mounted != 0; }
    // Marks the mobile as dying: bit 31 of the serial.
    void SetDying();
    // Dirties the light of every worn light source (world/WorldLight).
    void InvalidateLights();
    // The server's death message: bit 31, a death-table row for the corpse, the death action.
    void StartDeath(uint32_t corpseSerial, int fall);
    void PlayAction(int newAction, int frames, int newDelay, int newRepeatCount, int newReverse,
                    int returnPass);
    void StopAction();
    // One frame of the running action (the animation runner).
    void StepAnimation();
    // World steps a step to the next cell takes; never below 1.
    int MovesPerTile();

    ListLinks<CMobile> mobileLinks;
    CDynamicObj* layers[kLayerCount] = {};
    int32_t stepFramesLeft = 0;
    int32_t idleFrameCounter = 0;
    int32_t running = 0;
    int32_t resting = 0;
    uint32_t lastMoveTick = 0;
    int32_t warMode = 0;
    struct Step {
        int16_t x, y, z;
        uint16_t body;
        uint8_t facing;
        uint8_t status;
    };
    Step steps[4] = {};
    int32_t stepCount = 0;
    int16_t previousX = 0, previousY = 0, previousZ = 0;
    int32_t stepOffsetX = 0, stepOffsetY = 0;
    int16_t drawZ = 0;
    uint8_t mounted = 0;
    int32_t falling = 0, fallHeight = 0;
    int32_t armed = 0;
    int32_t animating = 0;
    uint16_t frameIndex = 0, frameCount = 0, action = 0, delayCounter = 0, delay = 0;
    uint16_t reverse = 0, repeat = 0, repeatCount = 0, lastFrame = 0;
    uint16_t repeatsDone = 0;
    uint32_t lastActionTick = 0;
    int32_t animatingListMarker = -1;
    CGump* tradeGump = nullptr;
    int32_t notoriety = 0;
    int32_t dying = 0;
    bool marked = false;
    int32_t animFrameCount = 0;               // frames of the body's current animation item
    int32_t effectGrowX = 0, effectGrowY = 0; // what the hanging effects added to each side of the rect

  protected:
    // The facing shift of the stepping cell.
    virtual void StepShift(int& dx, int& dy) const;
};

class CPlayerMobile : public CMobile {
  public:
    explicit CPlayerMobile(uint32_t serial, int body = 0, int increment = 0);
    ~CPlayerMobile() override;
    bool IsPlayer() const override { return true; }
    bool IsCulled() const override { return CDrawItem::IsCulled(); }
    void GetScreenAnchor(int& x, int& y) const override;
    void GetFigureAnchor(int& x, int& y) const override;
    void DrawClip(const Rect& clip) override;
    void DrawSeatedClip(const Rect& clip) override;
    void SetNotoriety(int value) override;
    bool IsNotInnocent() const override { return true; }
    bool IsNotCriminal() const override { return true; }

    void PushWalkKey(uint32_t key);
    void SetWalkKey(uint32_t key, int index);
    uint32_t PopWalkKey();
    int GetUpdateRange() const { return updateRange; }
    void SetUpdateRange(int range);
    void ResetUpdateRange() { SetUpdateRange(18); }

    int32_t lastKnown[3] = {-1, -1, -1};
    uint32_t walkKeys[5] = {};
    int32_t stamina = 0, maxStamina = 0;
    uint8_t following = 0;
    uint32_t followedSerial = 0;
    uint8_t updateRange = 18;
    // The player's own step (the walk state) and the view's walk scroll.
    bool stepInProgress = false;
    int32_t walkScrollX = 0, walkScrollY = 0;

  protected:
    void StepShift(int& dx, int& dy) const override;
};

// ---------------------------------------------------------------- the world lists
using WorldList = IntrusiveList<CObj, &CObj::worldLinks>;
using LightList = IntrusiveList<CObj, &CObj::lightLinks>;
using AnimationList = IntrusiveList<CObj, &CObj::animLinks>;
using FoliageList = IntrusiveList<CObj, &CObj::foliageLinks>;
using MultiCompList = IntrusiveList<CObj, &CObj::multiLinks>;
using AllObjectsList = IntrusiveList<CDynamicObj, &CDynamicObj::allLinks>;
using MobileList = IntrusiveList<CMobile, &CMobile::mobileLinks>;
using PreviewList = IntrusiveList<CPreviewObj, &CPreviewObj::previewLinks>;

namespace WorldLists {
WorldList& World();           // newest at the tail
AllObjectsList& AllObjects(); // newest at the head
MobileList& Mobiles();
LightList& Lights();
FoliageList& Foliage();
AnimationList& Animations();
MultiCompList& MultiComponents();
PreviewList& Previews();
} // namespace WorldLists

// ---------------------------------------------------------------- pools
CObj* NewStaticObj(int graphic);
CDynamicObj* NewDynamicObj(uint32_t serial, int graphic, int increment);
CLandTile* NewLandTile();
CStretchedLandTile* NewStretchedLandTile();
// A multi component, taken from the static pool like a static; its release puts it back.
CObj* AddMultiComp(int graphic);

namespace ObjectPools {
constexpr int kStaticBlock = 512;
constexpr int kDynamicBlock = 64;
constexpr int kLandBlock = 128;
constexpr int kStretchedBlock = 128;
struct Counts {
    int blocks = 0;
    int live = 0;
    int capacity = 0;
    int freeCount = 0;
};
Counts Statics();
Counts Dynamics();
Counts LandTiles();
Counts StretchedLandTiles();
int MobileCount();
// A released server item goes back to its pool.
void GiveDynamic(CDynamicObj* object);
} // namespace ObjectPools

// ---------------------------------------------------------------- module state
extern CPlayerMobile* pPlayerObject;
// The object being carried (cleared when it goes).
extern CDynamicObj* pDraggedObject;
// The global light total that placed light sources of the player add to.
extern int g_personalLightTotal;
// Set until a notoriety of 100 or more is seen; then the windows warn "This will lower notoriety !".
extern bool g_criminalWarning;

namespace ObjectManagerState {
// Empties the lists and every module slot (the objects themselves are left alone); tests start
// clean through it.
void ClearLists();
} // namespace ObjectManagerState

bool IsLightGraphic(int graphic);
