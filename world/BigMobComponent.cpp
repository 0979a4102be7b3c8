#include "world/BigMobComponent.h"

#include "core/QVReport.h"
#include "render/DrawManager.h"
#include "world/objects.h"

namespace {
bool g_drawingStrip = false;

// The fill a freed block holds: a link with it must not be followed.
template <typename T> bool IsFreedFill(const T* p) {
    return p == reinterpret_cast<const T*>(static_cast<uintptr_t>(0xddddddddu));
}
} // namespace

CBigMobComponent::CBigMobComponent(int x, int y, int top, int bottom, CContainerObj* owner)
    : topRow(top), bottomRow(bottom), myOwner(owner) {
    if (!owner) {
        QVReport::fatal("CBigMobComponent::CBigMobComponent: myOwner == NULL\n");
        return;
    }
    locX = static_cast<int16_t>(x);
    locY = static_cast<int16_t>(y);
    z = owner->z;
    columnTerm = owner->columnTerm;
    depthTerm = x + y;
    drawKey = owner->drawKey;
    screenRect = Rect{owner->screenRect.left, top, owner->screenRect.right, bottom};
    nextMobComp = owner->bigMobComponents;
    if (nextMobComp) nextMobComp->prevMobComp = this;
    owner->bigMobComponents = this;
}

CBigMobComponent::~CBigMobComponent() {
    if (listed) RemoveFromDrawList();
    if (IsFreedFill(nextMobComp)) {
        QVReport::warning("CBigMobComponent::~CBigMobComponent: nextMobComp == "
                          "reinterpret_cast<CBigMobComponent*>(0xdddddddd) ... code would have crashed. "
                          "continuing...\n");
    } else if (nextMobComp) {
        nextMobComp->prevMobComp = prevMobComp;
    }
    if (IsFreedFill(prevMobComp)) {
        QVReport::warning("CBigMobComponent::~CBigMobComponent: prevMobComp == "
                          "reinterpret_cast<CBigMobComponent*>(0xdddddddd) ... code would have crashed. "
                          "continuing...\n");
    } else if (prevMobComp) {
        prevMobComp->nextMobComp = IsFreedFill(nextMobComp) ? nullptr : nextMobComp;
    } else if (IsFreedFill(myOwner)) {
        QVReport::warning("CBigMobComponent::~CBigMobComponent: owner == "
                          "reinterpret_cast<CContainerObj*>(0xdddddddd) ... code would have crashed. "
                          "continuing...\n");
    } else if (myOwner && myOwner->bigMobComponents == this) {
        myOwner->bigMobComponents = IsFreedFill(nextMobComp) ? nullptr : nextMobComp;
    }
    nextMobComp = nullptr;
    prevMobComp = nullptr;
    myOwner = nullptr;
}

void CBigMobComponent::Release() {
    if (IsFreedFill(myOwner)) {
        QVReport::warning("CBigMobComponent::Release: owner == reinterpret_cast<CContainerObj*>(0xdddddddd) "
                          "... code would have crashed. continuing...\n");
        return;
    }
    delete this;
}

void CBigMobComponent::DrawClip(const Rect& clip) {
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    Rect r = clip;
    if (r.top < topRow - sy) r.top = topRow - sy;
    if (r.bottom > bottomRow - sy) r.bottom = bottomRow - sy;
    if (r.IsEmpty() || !myOwner) return;
    g_drawingStrip = true;
    myOwner->DrawClip(r);
    g_drawingStrip = false;
}

bool CBigMobComponent::IsCulled() const {
    return !myOwner || myOwner->IsCulled();
}

void CBigMobComponent::List() {
    if (listed) RemoveFromDrawList();
    LinkIntoCell(locX, locY, true);
    listed = 1;
    DirtyOwnRect();
}

namespace BigMobStrips {

bool IsDrawingStrip() {
    return g_drawingStrip;
}

void ListStrips(CContainerObj* owner, int cellX, int cellY, int feetLine) {
    const int bottom = owner->screenRect.bottom;
    for (int k = 1; feetLine + 44 * (k - 1) < bottom; ++k) {
        const int top = feetLine + 44 * (k - 1);
        const int end = bottom < feetLine + 44 * k ? bottom : feetLine + 44 * k;
        auto* strip = new CBigMobComponent(cellX + k, cellY + k, top, end, owner);
        strip->List();
    }
}

void ReleaseStrips(CContainerObj* owner, const char* freedHeadText) {
    while (CBigMobComponent* head = owner->bigMobComponents) {
        if (IsFreedFill(head)) {
            QVReport::warning("%s", freedHeadText);
            owner->bigMobComponents = nullptr;
            return;
        }
        CBigMobComponent* next = head->nextMobComp;
        head->Release();
        // A strip that could not unlink itself must not be released again.
        if (owner->bigMobComponents == head) owner->bigMobComponents = next;
    }
}

int CountStrips(const CContainerObj* owner) {
    int n = 0;
    for (const CBigMobComponent* s = owner->bigMobComponents; s && !IsFreedFill(s); s = s->nextMobComp)
        ++n;
    return n;
}

} // namespace BigMobStrips
