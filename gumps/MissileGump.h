#pragma once
// Graphic effects: a picture flying from a place or object to another (a missile, maybe exploding
// on arrival), a picture playing for a while at a place or on an object, a lightning bolt and the
// weather's flash. Each is a top-level gump that draws nothing itself and moves one step per gump
// update; a draw item in the world's cells paints its picture at the right depth. Effects on an
// object hang in that object's chain of attached effects (kept here by the object's serial) and
// the object's own draw paints them.
//
// Objects are remembered by serial and looked up on every update, so a freed object is never
// read: a missile whose target is gone ends at the last target point it knew.
#include "gumps/CGump.h"
#include "render/DrawItem.h"

#include <cstdint>
#include <functional>

class CObj;
class CSequence;
class CMissileGump;

// A place of an effect: cell x | cell y << 16, and z.
struct EffectPosition {
    uint32_t cell = 0;
    int16_t z = 0;
};
inline EffectPosition MakeEffectPosition(int x, int y, int z) {
    return EffectPosition{static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16),
                          static_cast<int16_t>(z)};
}

// The parameters every effect packet carries.
struct EffectParams {
    uint16_t graphic = 0;
    uint8_t speed = 0;
    uint8_t duration = 0;
    uint8_t descending = 0;
    uint8_t pingPong = 0;
    uint8_t fixedDirection = 0;
    uint8_t explode = 0;
    int hue = 0;
    int blendMode = 0;
};

// One end of an effect: an object (by serial) or a position.
struct EffectEnd {
    uint32_t serial = 0; // 0: the position
    EffectPosition position;
};

class CMissileDrawItem : public CDrawItem {
  public:
    explicit CMissileDrawItem(CMissileGump* owner);
    ~CMissileDrawItem() override;
    void DrawClip(const Rect& clip) override;
    void CalcScreenRect() override;
    bool IsDynamic() const override { return true; }
    bool IsEffect() const override { return true; }
    uint32_t GetTileFlags() const override { return 4; }

    CMissileGump* owner = nullptr;
    double posX = 0, posY = 0, posZ = 0;    // map cells
    double stepX = 0, stepY = 0, stepZ = 0; // per update
};

class CMissileGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Missile;
    enum class Shape { Moving, FixedAtPosition, FixedOnObject, Lightning, Flash };

    // Moving: from source to target. Fixed at a position: source position. Fixed on an object and
    // lightning: source object. Flash: source position (plain).
    CMissileGump(Shape shape, const EffectEnd& source, const EffectEnd& target, const EffectParams& params);
    ~CMissileGump() override;

    void PreDraw(const BlitTarget&, const Rect&) override {}
    void Draw(const BlitTarget&, const Rect&) override {}
    bool IsPointInside(int, int) override { return false; }
    void Update() override;

    // Moves the screen position and target point with a scroll of the view.
    void Shift(int dx, int dy);
    // The current picture as item art (graphic) or gump art; its size (0 x 0 when missing).
    bool IsGumpArt() const { return gumpArtFlag; }
    void PictureSize(int& width, int& height) const;

    CSequence* sequence = nullptr;
    uint64_t sequenceId = 0;
    int hue = 0;
    int blendMode = 0;
    int16_t targetX = 0, targetY = 0, targetZ = 0;
    uint32_t targetSerial = 0;
    uint32_t objectSerial = 0; // the object a fixed effect or lightning hangs on
    CMissileDrawItem* drawItem = nullptr;
    int targetPointX = 0, targetPointY = 0;
    double velocityX = 0, velocityY = 0;
    double posX = 0, posY = 0;
    uint8_t angle = 0;
    int updatesLeft = 0;
    uint8_t frameDelay = 1;
    uint8_t frameCounter = 0;
    uint8_t speedFactor = 0;
    uint16_t firstGraphic = 0, lastGraphic = 0, currentGraphic = 0;
    bool explode = false;
    bool followsDirection = false;
    bool fixed = false;
    bool descending = false;
    bool pingPong = false;
    bool animated = false;
    bool gumpArtFlag = false;
    bool onObject = false;
    bool towardsObject = false;
    bool finished = false; // ended by its own update (not torn down)

  private:
    void InitPictures(uint16_t graphic, bool lastFromQuality);
    void Aim(const CObj* target);
    bool AdvancePicture();
    void Relist();
    void Finish(bool explodeNow);
    void SetScreenPosition(int x, int y);
};

// ---------------------------------------------------------------- starting effects
// kind 0 moving, 1 lightning on the source object, 2 fixed at the source position, 3 fixed on the
// source object; any other kind nothing. An object is passed only for a mobile (null: the
// position). While a sequence records, the call becomes a step instead. Returns the new effect.
CMissileGump* PlayGraphicEffect(uint8_t kind, CObj* source, CObj* target, uint16_t graphic,
                                EffectPosition sourcePosition, EffectPosition targetPosition, uint8_t speed,
                                uint8_t duration, uint8_t descending, uint8_t pingPong,
                                uint8_t fixedDirection, uint8_t explode, int hue, int blendMode);
CMissileGump* PlayGraphicEffectPlain(uint8_t kind, CObj* source, CObj* target, uint16_t graphic,
                                     EffectPosition sourcePosition, EffectPosition targetPosition,
                                     uint8_t speed, uint8_t duration, uint8_t descending, uint8_t pingPong,
                                     uint8_t fixedDirection, uint8_t explode);
// A moving plain effect attached at once (never recorded).
CMissileGump* LaunchMissileLocToLoc(uint16_t graphic, EffectPosition source, EffectPosition target,
                                    uint8_t speed, uint8_t fixedDirection, uint8_t explode);
CMissileGump* LaunchMissileLocToObj(uint16_t graphic, EffectPosition source, CObj* target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode);
CMissileGump* LaunchMissileObjToLoc(uint16_t graphic, CObj* source, EffectPosition target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode);
CMissileGump* LaunchMissileObjToObj(uint16_t graphic, CObj* source, CObj* target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode);
// The weather's lightning flash at a position.
CMissileGump* StartWeatherFlash(EffectPosition position);

// An effect of the shape with these ends, attached as the top-most top-level gump.
CMissileGump* StartEffect(CMissileGump::Shape shape, const EffectEnd& source, const EffectEnd& target,
                          const EffectParams& params);

// The effects hanging on an object, oldest first (what the object's draw paints over it).
void ForEachAttachedEffect(uint32_t serial, const std::function<void(CMissileGump*)>& fn);

// Item art of graphic at rect's top-left with the effect rules: rotated when angle is not 0, hued
// (hue index) and/or blended.
void DrawRotatedArt(uint16_t graphic, uint8_t angle, const Rect& rect, const Rect& clip, int hue,
                    int blendMode);

// trunc(r x 128 x 0.31831724770174946).
int RadiansToAngle256(double radians);

// Screen points: of a map position, and of an object (the centre of its screen rect).
void EffectScreenPoint(EffectPosition position, int& x, int& y);
void ObjectScreenPoint(const CObj* object, int& x, int& y);
