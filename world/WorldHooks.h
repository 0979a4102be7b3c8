#pragma once
// What the world calls in the windows above it: container, paperdoll, shop, board and radar
// windows, status bars, the party table, missiles, the game view's object pointers and the
// journal. The windows fill the table when they are built; tests bind recorders. Every entry may
// be empty: an empty entry does nothing and answers "no".
#include <cstdint>
#include <functional>

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

    // ---- the player's walking and actions
    // Missiles shift with the view's scroll; barks restack after it.
    std::function<void(int dx, int dy)> shiftMissiles;
    std::function<void()> refreshBarks;
    std::function<void(int hue, int font, const char* text)> showSystemMessage;
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
};

namespace WorldHook {
WorldHooks& Table();
// Binds the render calls (InvalidateAll) and leaves the window entries empty.
void Reset();

template <class F, class... A> void Call(const F& f, A&&... a) {
    if (f) f(std::forward<A>(a)...);
}
template <class F, class... A> bool Ask(const F& f, A&&... a) {
    return f && f(std::forward<A>(a)...);
}
} // namespace WorldHook
