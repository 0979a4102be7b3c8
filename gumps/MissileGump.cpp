#include "gumps/MissileGump.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "gumps/Sequence.h"
#include "render/Art.h"
#include "render/ArtRotated.h"
#include "render/DrawManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "world/CObjectManager.h"
#include "world/TileData.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

constexpr int kArrivalBox = 24;
constexpr uint16_t kExplosionAtObject = 14027;
constexpr uint16_t kExplosionAtPosition = 14001;
constexpr int kFirstLightningArt = 20000;
constexpr int kLightningArts = 10;

// The chains of effects hanging on objects, by the object's serial, oldest first.
std::map<uint32_t, std::vector<CMissileGump*>>& Attached() {
    static auto* chains = new std::map<uint32_t, std::vector<CMissileGump*>>;
    return *chains;
}

void Detach(CMissileGump* effect, uint32_t serial) {
    auto it = Attached().find(serial);
    if (it == Attached().end()) return;
    std::erase(it->second, effect);
    if (it->second.empty()) Attached().erase(it);
}

int CellX(uint32_t cell) {
    return static_cast<int16_t>(cell & 0xFFFF);
}
int CellY(uint32_t cell) {
    return static_cast<int16_t>(cell >> 16);
}

CObj* Find(uint32_t serial) {
    return serial ? CObjectManager::FindBySerial(serial) : nullptr;
}

void RelistItem(CDrawItem* item) {
    if (!item || !item->listed) return;
    item->RemoveFromDrawList();
    item->AddToDrawList();
}

} // namespace

// ---------------------------------------------------------------- screen points
int RadiansToAngle256(double radians) {
    return static_cast<int>(radians * 128 * 0.31831724770174946);
}

void EffectScreenPoint(EffectPosition position, int& x, int& y) {
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    const int cx = CellX(position.cell), cy = CellY(position.cell);
    x = (DrawItemWorld::GetMapWidth() + cx - cy) * 22 - scrollX;
    y = (cx + cy) * 22 - position.z * 4 - scrollY + 43;
}

void ObjectScreenPoint(const CObj* object, int& x, int& y) {
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    x = ((object->screenRect.left + object->screenRect.right) >> 1) - scrollX;
    y = ((object->screenRect.top + object->screenRect.bottom) >> 1) - scrollY;
}

// ---------------------------------------------------------------- draw item
CMissileDrawItem::CMissileDrawItem(CMissileGump* effect) : owner(effect) {}

CMissileDrawItem::~CMissileDrawItem() {
    if (listed) RemoveFromDrawList();
    if (owner && owner->drawItem == this) owner->drawItem = nullptr;
}

void CMissileDrawItem::CalcScreenRect() {
    if (!owner) {
        screenRect = Rect{};
        return;
    }
    int width = 0, height = 0;
    owner->PictureSize(width, height);
    Rect r{owner->x - width / 2, owner->y - height, 0, owner->y};
    r.right = r.left + width;
    if (owner->angle != 0 && width > 0) {
        RotateRectBounds(owner->angle, r);
        r = Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
    }
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    screenRect = Rect{r.left + scrollX, r.top + scrollY, r.right + scrollX, r.bottom + scrollY};
}

void CMissileDrawItem::DrawClip(const Rect& clip) {
    if (!owner || owner->IsClosed()) return;
    int width = 0, height = 0;
    owner->PictureSize(width, height);
    if (width <= 0) return;
    const int left = owner->x - width / 2, top = owner->y - height;
    if (owner->IsGumpArt()) {
        if (const GumpArtItem* art = GetGumpArt(owner->currentGraphic))
            DrawGumpArtTo(GetBlitTarget(), CopySpanKeyed, art, clip, left, top);
        return;
    }
    DrawRotatedArt(owner->currentGraphic, owner->angle, Rect{left, top, left + width, top + height}, clip,
                   owner->hue, owner->blendMode);
}

void DrawRotatedArt(uint16_t graphic, uint8_t angle, const Rect& rect, const Rect& clip, int hue,
                    int blendMode) {
    const ArtItem* art = GetArt(graphic + kFirstItemArtId);
    if (!art) return;
    const bool blended = !IsNoBlendMode(blendMode);
    if (blended) SelectBlendTable(blendMode);
    if (hue) SetCurrentHueIndex(hue);
    if (angle != 0) {
        if (hue && blended)
            DrawArtRotatedHueBlend(art, clip, rect.left, rect.top, angle, kNoClip);
        else if (hue)
            DrawArtRotatedHue(art, clip, rect.left, rect.top, angle, kNoClip);
        else if (blended)
            DrawArtRotatedBlend(art, clip, rect.left, rect.top, angle, kNoClip);
        else
            DrawArtRotated(art, clip, rect.left, rect.top, angle, kNoClip);
        return;
    }
    SpanOp op = blended ? (hue ? HueBlendSpan : BlendTableSpan) : (hue ? HueSpanByGreen : CopySpan);
    DrawArtClipped(op, art, clip, rect.left, rect.top);
}

// ---------------------------------------------------------------- the effect
CMissileGump::CMissileGump(Shape shape, const EffectEnd& source, const EffectEnd& target,
                           const EffectParams& params) {
    debugName = "missile gump";
    SetKind(GumpKind::Missile, 0);
    hue = params.hue;
    blendMode = params.blendMode;
    explode = params.explode != 0;
    followsDirection = params.fixedDirection == 0;
    speedFactor = static_cast<uint8_t>((params.speed + 3) * 2);
    const CObj* sourceObject = Find(source.serial);

    switch (shape) {
    case Shape::Moving: {
        int sx = 0, sy = 0;
        drawItem = new CMissileDrawItem(this);
        if (sourceObject) {
            ObjectScreenPoint(sourceObject, sx, sy);
            drawItem->posX = sourceObject->locX;
            drawItem->posY = sourceObject->locY;
            drawItem->posZ = sourceObject->z;
        } else {
            EffectScreenPoint(source.position, sx, sy);
            drawItem->posX = CellX(source.position.cell);
            drawItem->posY = CellY(source.position.cell);
            drawItem->posZ = source.position.z;
        }
        SetScreenPosition(sx, sy);
        const CObj* targetObject = Find(target.serial);
        if (targetObject) {
            targetSerial = target.serial;
            towardsObject = true;
            Aim(targetObject);
        } else {
            targetX = static_cast<int16_t>(CellX(target.position.cell));
            targetY = static_cast<int16_t>(CellY(target.position.cell));
            targetZ = target.position.z;
            EffectScreenPoint(target.position, targetPointX, targetPointY);
            const double dx = targetPointX - posX, dy = targetPointY - posY;
            const int n = static_cast<int>(std::sqrt(dx * dx + dy * dy)) / (params.speed * 2 + 10);
            if (n <= 0) {
                // Closer than one step: it ends (and explodes when asked) on its first update.
                updatesLeft = 1;
            } else {
                velocityX = dx / n;
                velocityY = dy / n;
                updatesLeft = n + 1;
                drawItem->stepX = (targetX - drawItem->posX) / n;
                drawItem->stepY = (targetY - drawItem->posY) / n;
                drawItem->stepZ = (targetZ - drawItem->posZ) / n;
            }
        }
        angle = followsDirection && (velocityX != 0 || velocityY != 0)
                    ? static_cast<uint8_t>(RadiansToAngle256(std::atan2(velocityY, velocityX)) - 128)
                    : 0;
        InitPictures(params.graphic, params.fixedDirection == 0);
        frameDelay = 1;
        break;
    }
    case Shape::FixedAtPosition:
    case Shape::FixedOnObject: {
        fixed = true;
        updatesLeft = params.duration;
        frameDelay = static_cast<uint8_t>(std::max(1, 11 - params.speed));
        descending = params.descending != 0;
        pingPong = params.pingPong != 0;
        InitPictures(params.graphic, true);
        int sx = 0, sy = 0;
        if (shape == Shape::FixedAtPosition) {
            EffectScreenPoint(source.position, sx, sy);
            drawItem = new CMissileDrawItem(this);
            drawItem->posX = CellX(source.position.cell);
            drawItem->posY = CellY(source.position.cell);
            drawItem->posZ = source.position.z;
        } else if (sourceObject) {
            ObjectScreenPoint(sourceObject, sx, sy);
            onObject = true;
            objectSerial = source.serial;
            Attached()[objectSerial].push_back(this);
        }
        SetScreenPosition(sx, sy);
        break;
    }
    case Shape::Lightning:
    case Shape::Flash: {
        fixed = true;
        gumpArtFlag = true;
        firstGraphic = kFirstLightningArt;
        lastGraphic = kFirstLightningArt + kLightningArts - 1;
        currentGraphic = static_cast<uint16_t>(kFirstLightningArt + RandomBelow(kLightningArts));
        updatesLeft = 6;
        frameDelay = 1;
        int sx = 0, sy = 0;
        drawItem = new CMissileDrawItem(this);
        if (shape == Shape::Lightning && sourceObject) {
            ObjectScreenPoint(sourceObject, sx, sy);
            objectSerial = source.serial;
            drawItem->posX = sourceObject->locX;
            drawItem->posY = sourceObject->locY;
            drawItem->posZ = sourceObject->z;
        } else {
            EffectScreenPoint(source.position, sx, sy);
            sy -= 43;
            drawItem->posX = CellX(source.position.cell);
            drawItem->posY = CellY(source.position.cell);
            drawItem->posZ = source.position.z;
        }
        SetScreenPosition(sx, sy);
        break;
    }
    }
    if (drawItem) {
        drawItem->SetLocation(static_cast<uint32_t>(static_cast<int>(drawItem->posX) & 0xFFFF) |
                                  (static_cast<uint32_t>(static_cast<int>(drawItem->posY) & 0xFFFF) << 16),
                              static_cast<int>(drawItem->posZ));
        drawItem->AddToDrawList();
    }
}

CMissileGump::~CMissileGump() {
    if (drawItem) {
        CMissileDrawItem* item = drawItem;
        drawItem = nullptr;
        item->owner = nullptr;
        delete item;
    }
    if (onObject) {
        Detach(this, objectSerial);
        onObject = false;
        RelistItem(Find(objectSerial));
    }
    // Torn down rather than ended: its sequence must not start new effects during the teardown.
    if (sequence) {
        CSequence* owner = sequence;
        sequence = nullptr;
        if (CSequence::IsLive(owner, sequenceId)) AbandonSequence(owner);
    }
}

void CMissileGump::SetScreenPosition(int sx, int sy) {
    posX = sx;
    posY = sy;
    x = sx;
    y = sy;
}

void CMissileGump::PictureSize(int& width, int& height) const {
    width = height = 0;
    if (gumpArtFlag) {
        GetGumpArtSize(currentGraphic, &width, &height);
        return;
    }
    if (const ArtItem* art = GetArt(currentGraphic + kFirstItemArtId)) {
        width = art->width;
        height = art->height;
    }
}

void CMissileGump::InitPictures(uint16_t graphic, bool lastFromQuality) {
    const animCrap::Record& record = animCrap::Get(graphic);
    if (record.frameCount != 0) {
        animated = true;
        firstGraphic = graphic;
        lastGraphic = 0; // the frame index
        currentGraphic = static_cast<uint16_t>(graphic + record.frames[0]);
        frameDelay = std::max<uint8_t>(1, record.startOffset);
        return;
    }
    firstGraphic = currentGraphic = graphic;
    const int quality = TileData::Item(graphic).quality;
    // A quality of 0 would put the last picture before the first.
    lastGraphic = lastFromQuality && quality > 0
                      ? static_cast<uint16_t>(std::min(0xFFFF, graphic + quality - 1))
                      : graphic;
}

void CMissileGump::Aim(const CObj* target) {
    targetX = target->locX;
    targetY = target->locY;
    targetZ = target->z;
    ObjectScreenPoint(target, targetPointX, targetPointY);
    const double dx = targetPointX - posX, dy = targetPointY - posY;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length > 0) {
        velocityX = dx / length * speedFactor;
        velocityY = dy / length * speedFactor;
    } else {
        velocityX = velocityY = 0; // already there: it arrives on its next update
    }
    if (drawItem) {
        // Straight above or below the target the cell stays (dx 0 gives no cell step).
        const double perStep = dx != 0 ? velocityX / dx : 0;
        drawItem->stepX = (targetX - drawItem->posX) * perStep;
        drawItem->stepY = (targetY - drawItem->posY) * perStep;
        drawItem->stepZ = (targetZ - drawItem->posZ) * perStep;
    }
    if (followsDirection && (velocityX != 0 || velocityY != 0))
        angle = static_cast<uint8_t>(RadiansToAngle256(std::atan2(velocityY, velocityX)) - 128);
}

bool CMissileGump::AdvancePicture() {
    if (++frameCounter < frameDelay) return false;
    frameCounter = 0;
    if (animated) {
        const animCrap::Record& record = animCrap::Get(firstGraphic);
        const int count = std::min<int>(record.frameCount, animCrap::kMaxFrames);
        if (count <= 0) return false;
        lastGraphic = static_cast<uint16_t>((lastGraphic + 1) % count);
        frameDelay = std::max<uint8_t>(1, record.interval);
        currentGraphic = static_cast<uint16_t>(firstGraphic + record.frames[lastGraphic]);
        return true;
    }
    if (gumpArtFlag) {
        currentGraphic = static_cast<uint16_t>(firstGraphic + RandomBelow(lastGraphic - firstGraphic + 1));
        return true;
    }
    if (firstGraphic == lastGraphic) return false; // one picture: nothing changes
    if (descending) {
        if (currentGraphic <= firstGraphic) {
            if (pingPong) {
                descending = false;
                currentGraphic = static_cast<uint16_t>(firstGraphic + 1);
            } else {
                currentGraphic = lastGraphic;
            }
        } else {
            --currentGraphic;
        }
    } else {
        if (currentGraphic >= lastGraphic) {
            if (pingPong) {
                descending = true;
                currentGraphic = static_cast<uint16_t>(lastGraphic - 1);
            } else {
                currentGraphic = firstGraphic;
            }
        } else {
            ++currentGraphic;
        }
    }
    return true;
}

void CMissileGump::Relist() {
    if (!drawItem) return;
    drawItem->RemoveFromDrawList();
    drawItem->SetLocation(static_cast<uint32_t>(static_cast<int>(drawItem->posX) & 0xFFFF) |
                              (static_cast<uint32_t>(static_cast<int>(drawItem->posY) & 0xFFFF) << 16),
                          static_cast<int>(drawItem->posZ));
    drawItem->AddToDrawList();
}

void CMissileGump::Finish(bool explodeNow) {
    if (finished) return;
    finished = true;
    if (explodeNow) {
        EffectParams boom;
        boom.speed = 10;
        boom.hue = hue;
        boom.blendMode = blendMode;
        boom.graphic = towardsObject ? kExplosionAtObject : kExplosionAtPosition;
        boom.duration = towardsObject ? 9 : 13;
        EffectEnd at;
        at.position = MakeEffectPosition(targetX, targetY, towardsObject ? targetZ + 1 : targetZ);
        StartEffect(Shape::FixedAtPosition, at, EffectEnd{}, boom);
    }
    if (drawItem) {
        CMissileDrawItem* item = drawItem;
        drawItem = nullptr;
        item->owner = nullptr;
        delete item;
    }
    if (onObject) {
        Detach(this, objectSerial);
        onObject = false;
        RelistItem(Find(objectSerial));
    }
    CSequence* owner = sequence;
    sequence = nullptr;
    Close();
    if (owner && CSequence::IsLive(owner, sequenceId)) owner->NextStep();
}

void CMissileGump::Update() {
    if (IsClosed() || finished) return;
    // Nothing shows it any more, or the object it hangs on has gone.
    if ((!drawItem && !onObject) || (onObject && !Find(objectSerial))) {
        Finish(false);
        return;
    }
    if (!fixed && towardsObject) {
        if (const CObj* target = Find(targetSerial)) {
            if (target->locX != targetX || target->locY != targetY || target->z != targetZ) Aim(target);
        } else {
            targetSerial = 0; // gone: it ends at the last target point
        }
        const double leftX = targetPointX - posX, leftY = targetPointY - posY;
        const double stepLength = std::sqrt(velocityX * velocityX + velocityY * velocityY);
        // Arrived, or so fast that the next step would pass the target.
        const bool arrived =
            (std::abs(targetPointX - x) <= kArrivalBox && std::abs(targetPointY - y) <= kArrivalBox) ||
            std::sqrt(leftX * leftX + leftY * leftY) <= stepLength;
        if (arrived) {
            Finish(explode);
            return;
        }
        posX += velocityX;
        posY += velocityY;
        x = static_cast<int>(posX);
        y = static_cast<int>(posY);
    } else if (!fixed) {
        posX += velocityX;
        posY += velocityY;
        x = static_cast<int>(posX);
        y = static_cast<int>(posY);
        if (--updatesLeft <= 0) {
            Finish(explode);
            return;
        }
    }
    const bool changed = AdvancePicture();
    if (fixed) {
        if (--updatesLeft <= 0) {
            Finish(false);
            return;
        }
        if (!changed) return;
        if (onObject) {
            RelistItem(Find(objectSerial));
            return;
        }
    } else if (drawItem) {
        drawItem->posX += drawItem->stepX;
        drawItem->posY += drawItem->stepY;
        drawItem->posZ += drawItem->stepZ;
    }
    Relist();
}

void CMissileGump::Shift(int dx, int dy) {
    posX += dx;
    posY += dy;
    x = static_cast<int>(posX);
    y = static_cast<int>(posY);
    targetPointX += dx;
    targetPointY += dy;
}

// ---------------------------------------------------------------- starting effects
void ForEachAttachedEffect(uint32_t serial, const std::function<void(CMissileGump*)>& fn) {
    auto it = Attached().find(serial);
    if (it == Attached().end()) return;
    const std::vector<CMissileGump*> chain = it->second; // fn may end an effect
    for (CMissileGump* effect : chain)
        if (!effect->IsClosed()) fn(effect);
}

CMissileGump* StartEffect(CMissileGump::Shape shape, const EffectEnd& source, const EffectEnd& target,
                          const EffectParams& params) {
    using Shape = CMissileGump::Shape;
    if ((shape == Shape::FixedOnObject || shape == Shape::Lightning) && !Find(source.serial)) return nullptr;
    auto* effect = new CMissileGump(shape, source, target, params);
    effect->Attach(nullptr);
    return effect;
}

namespace {

uint32_t SerialOf(const CObj* object) {
    return object && object->IsDynamic() ? static_cast<const CDynamicObj*>(object)->serial : 0;
}

// The recorded kind of a call (plain: 0..6; hued: + 9), or -1 for no effect.
int StepKind(uint8_t kind, bool hasSource, bool hasTarget) {
    switch (kind) {
    case 0:
        return hasSource ? (hasTarget ? 6 : 5) : (hasTarget ? 4 : 3);
    case 1:
        return 2;
    case 2:
        return 0;
    case 3:
        return 1;
    default:
        return -1;
    }
}

CMissileGump* Play(uint8_t kind, CObj* source, CObj* target, EffectPosition sourcePosition,
                   EffectPosition targetPosition, const EffectParams& params, bool hued) {
    const EffectEnd from{SerialOf(source), sourcePosition}, to{SerialOf(target), targetPosition};
    const int stepKind = StepKind(kind, from.serial != 0, to.serial != 0);
    if (stepKind < 0) return nullptr;
    if (IsRecordingSequence()) {
        const EffectStepData step{from.serial, to.serial, sourcePosition, targetPosition, params};
        RecordEffectStep(static_cast<uint32_t>(stepKind) + (hued ? SequenceStep::kHuedOffset : 0), step);
        return nullptr;
    }
    using Shape = CMissileGump::Shape;
    switch (kind) {
    case 0:
        return StartEffect(Shape::Moving, from, to, params);
    case 1:
        return StartEffect(Shape::Lightning, from, to, params);
    case 2:
        return StartEffect(Shape::FixedAtPosition, EffectEnd{0, sourcePosition}, to, params);
    default:
        return StartEffect(Shape::FixedOnObject, from, to, params);
    }
}

EffectParams MakeParams(uint16_t graphic, uint8_t speed, uint8_t duration, uint8_t descending,
                        uint8_t pingPong, uint8_t fixedDirection, uint8_t explode, int hue, int blendMode) {
    return EffectParams{graphic,        speed,   duration, descending, pingPong,
                        fixedDirection, explode, hue,      blendMode};
}

} // namespace

CMissileGump* PlayGraphicEffect(uint8_t kind, CObj* source, CObj* target, uint16_t graphic,
                                EffectPosition sourcePosition, EffectPosition targetPosition, uint8_t speed,
                                uint8_t duration, uint8_t descending, uint8_t pingPong,
                                uint8_t fixedDirection, uint8_t explode, int hue, int blendMode) {
    return Play(
        kind, source, target, sourcePosition, targetPosition,
        MakeParams(graphic, speed, duration, descending, pingPong, fixedDirection, explode, hue, blendMode),
        true);
}

CMissileGump* PlayGraphicEffectPlain(uint8_t kind, CObj* source, CObj* target, uint16_t graphic,
                                     EffectPosition sourcePosition, EffectPosition targetPosition,
                                     uint8_t speed, uint8_t duration, uint8_t descending, uint8_t pingPong,
                                     uint8_t fixedDirection, uint8_t explode) {
    return Play(kind, source, target, sourcePosition, targetPosition,
                MakeParams(graphic, speed, duration, descending, pingPong, fixedDirection, explode, 0, 0),
                false);
}

namespace {
CMissileGump* Launch(uint16_t graphic, const EffectEnd& from, const EffectEnd& to, uint8_t speed,
                     uint8_t fixedDirection, uint8_t explode) {
    return StartEffect(CMissileGump::Shape::Moving, from, to,
                       MakeParams(graphic, speed, 0, 0, 0, fixedDirection, explode, 0, 0));
}
} // namespace

CMissileGump* LaunchMissileLocToLoc(uint16_t graphic, EffectPosition source, EffectPosition target,
                                    uint8_t speed, uint8_t fixedDirection, uint8_t explode) {
    return Launch(graphic, EffectEnd{0, source}, EffectEnd{0, target}, speed, fixedDirection, explode);
}
CMissileGump* LaunchMissileLocToObj(uint16_t graphic, EffectPosition source, CObj* target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode) {
    return Launch(graphic, EffectEnd{0, source}, EffectEnd{SerialOf(target), {}}, speed, fixedDirection,
                  explode);
}
CMissileGump* LaunchMissileObjToLoc(uint16_t graphic, CObj* source, EffectPosition target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode) {
    return Launch(graphic, EffectEnd{SerialOf(source), {}}, EffectEnd{0, target}, speed, fixedDirection,
                  explode);
}
CMissileGump* LaunchMissileObjToObj(uint16_t graphic, CObj* source, CObj* target, uint8_t speed,
                                    uint8_t fixedDirection, uint8_t explode) {
    return Launch(graphic, EffectEnd{SerialOf(source), {}}, EffectEnd{SerialOf(target), {}}, speed,
                  fixedDirection, explode);
}

CMissileGump* StartWeatherFlash(EffectPosition position) {
    return StartEffect(CMissileGump::Shape::Flash, EffectEnd{0, position}, EffectEnd{}, EffectParams{});
}
