#pragma once
// What the world calls in the windows above it: container, paperdoll, shop, board and radar
// windows, status bars, the party table, missiles, the game view's object pointers and the
// journal. The windows fill the table when they are built; tests bind recorders. Every entry may
// be empty: an empty entry does nothing and answers "no".
#include "render/Rect.h"

#include <cstdint>
#include <functional>
#include <memory>

class CGump;
class CDrawItem;
class CObj;
class CDynamicObj;
class CContainerObj;
class CMobile;

struct WorldHooks {
    // A worn item came or went: the mobile's paperdolls redraw (CPaperdollGump::SetNeedsRedraw).
    std::function<void(CMobile* mobile)> paperdollRedraw;
    // An item left a container: its area is redrawn in every container window of the container.
    std::function<void(CContainerObj* container, CDynamicObj* item)> containerRedraw;
    // An item came into a container: re-clamped in its window (CContainerGump::ClampItemPosition).
    std::function<void(CContainerObj* container, CDynamicObj* item)> clampItem;
    // An item came into or left a vendor's box (graphic 11000): the vendor's open shop window is
    // told (CShopGump::OnItemChanged, then CShopGump::Redraw).
    std::function<void(CContainerObj* vendorBox, uint32_t itemSerial)> shopItemChanged;
    // An item came into a spellbook.
    std::function<void(CContainerObj* spellbook)> spellbookRefresh;
    // An item came into any other container: a spellbook window refreshes, a container window
    // re-clamps, a board window requests the message (0x71, sub-command 4).
    std::function<void(CContainerObj* container, CDynamicObj* item)> containerItemAdded;

    // The attached gumps of a leaving object.
    std::function<bool(CGump* gump)> isBoardLine;
    std::function<void(CGump* gump)> boardRelayout; // CBBGump::LayoutRows of the line's board
    std::function<bool(CGump* gump)> isStatusBar;
    std::function<void(CGump* gump)> deleteGump;
    // The gump forgets its owner object (first two attached gumps of a released object).
    std::function<void(CGump* gump, CDynamicObj* owner)> forgetOwner;
    std::function<bool(uint32_t serial)> partyContains;

    std::function<void()> radarRebuild; // CRadarGump::Rebuild
    std::function<void(CObj* source)> invalidateLight;
    std::function<void()> invalidateAll;

    // A dying mobile: missiles aimed at it go, an open secure trade is cancelled (0x6F action 1),
    // the game view forgets it (GraphicManager::pMapGump and the second object pointer).
    std::function<void(CMobile* mobile)> deleteMissilesAt;
    std::function<void(CMobile* mobile)> cancelTrade;
    std::function<void(CDrawItem* item)> forgetViewPointers;

    // The journal: a bark's line, and the flag that keeps restored texts out of it.
    std::function<void(const char* line, int hue)> addJournalEntry;
    std::function<void(const char16_t* line, int hue)> addJournalEntryUnicode;
    std::function<void(bool restoring)> setJournalRestore;

    // What the mobile draw highlights: the game view's mobile under the pointer, the attack
    // target, the serial the game-master page queue marks, and whether a target is being chosen.
    std::function<CMobile*()> viewMobile;
    std::function<uint32_t()> attackTargetSerial;
    std::function<uint32_t()> pageQueueSerial;
    std::function<bool()> isTargeting;
    // A corpse whose mobile's fall still plays is not drawn.
    std::function<bool(const CContainerObj* corpse)> isInDeathTable;
    // A system line (hue, font, text): "Missing animation!", a refused lift, the weather's lines.
    std::function<void(int hue, int font, const char* text)> showSystemMessage;
    // ---- the server's world messages, the mobiles' actions and the weather
    // A mobile turned hidden: every top-level gump it owns goes.
    std::function<void(CMobile* mobile)> deleteOwnedGumps;
    // While a sequence records, it takes the action instead (true when it did).
    std::function<bool(CMobile* mobile, int action, int frames, int delay, int repeatCount, int reverse,
                       int returnPass)>
        recordAction;
    // A mobile's action ended: the sequence it belongs to, if any, goes on.
    std::function<void(CMobile* mobile)> actionEnded;
    // 0x78 of a mobile with a status gump: the gump's owner serial (0 for none).
    std::function<uint32_t(CMobile* mobile)> statusGumpOwner;
    // The emptied container of a contents list: its owner's shop window, if open, goes.
    std::function<void(CContainerObj* container)> destroyShopWindow;
    // A contents list arrived: the container's window redraws.
    std::function<void(CContainerObj* container)> contentsArrived;
    // The player's war-mode bit changed in a move message (CApp::SetWarMode).
    std::function<void(bool on)> setWarMode;
    // The player's flags changed: its status gumps redraw.
    std::function<void()> redrawPlayerStatus;
    std::function<void(int x, int y, bool show)> showPointer;
    // A name the server sent for a window's request; false when no window waits.
    std::function<bool(uint32_t serial, const char* name)> nameArrived;
    // The sound module: a plain sound and a sound at a world position.
    std::function<void(int id, int pan, int volume, bool loop, int pitchVariance, bool secondCopy)> playSound;
    std::function<void(int id, int x, int y, float volume, bool loop, int pitchVariance, bool secondCopy)>
        playSoundAt;
    std::function<void(int id)> playAmbientSound;
    std::function<int(int song, int restart, bool force)> playSong;
    // The weather's lightning flash gump at a world point.
    std::function<void(int x, int y, int value)> weatherFlash;
    // A picture gump for weather particle slot; it lives as long as the token it owns.
    std::function<std::weak_ptr<void>(int slot)> weatherParticlePicture;
    // The season rebuilt the world view: the ceiling may have changed.
    std::function<void()> seasonRedraw;
    // ---- the player's walking and actions
    // Missiles shift with the view's scroll; barks restack after it.
    std::function<void(int dx, int dy)> shiftMissiles;
    std::function<void()> refreshBarks;
    // CApp::StartTextCommand (a scroll's double click).
    std::function<void(const char* name, int mode, int value)> startTextCommand;
    // A map item's open course window comes to the front; false when none is open.
    std::function<bool(CDynamicObj* item)> bringObjectWindowToFront;
    // The amount window of a pile (gump kind 49) with the mouse capture; null when none came.
    std::function<CGump*(CDynamicObj* pile)> openAmountWindow;
    // The dragged-item window of the lifted item (CObjectManager::GetPickedUp); it takes the capture.
    std::function<CGump*()> createDragWindow;
    // The player's war flag changed: its status bars and paperdoll redraw.
    std::function<void(CMobile* player)> warModeChanged;
    // ---- effects hanging on a mobile
    // The picture size of each effect hanging on the object, oldest first.
    std::function<void(uint32_t serial, const std::function<void(int width, int height)>& fn)>
        attachedEffectSizes;
    // Draws the effects hanging on the object centred on a screen point.
    std::function<void(uint32_t serial, int centreX, int centreY, const Rect& clip)> drawAttachedEffects;
};

namespace WorldHook {
WorldHooks& Table();
// Binds the render calls (InvalidateAll) and what the binder binds; the window entries stay empty.
void Reset();
// The application, above the world, binds the sound and message entries; its binder runs now and
// at every Reset.
using Binder = void (*)(WorldHooks& hooks);
void SetBinder(Binder binder);

template <class F, class... A> void Call(const F& f, A&&... a) {
    if (f) f(std::forward<A>(a)...);
}
template <class F, class... A> bool Ask(const F& f, A&&... a) {
    return f && f(std::forward<A>(a)...);
}
// The entry's answer, or the empty value of its type when the entry is empty.
template <class R, class... A, class... B> R Value(const std::function<R(A...)>& f, B&&... b) {
    return f ? f(std::forward<B>(b)...) : R{};
}
} // namespace WorldHook
