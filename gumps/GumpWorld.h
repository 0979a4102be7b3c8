#pragma once
// What the gump layer asks of the world, and the slots that later windows fill. Gumps hold their
// owner object by serial and reach it only through this replaceable table: the world binds it when
// it lands, tests fill it with a fake. Every entry may be empty; an empty entry answers "no".
#include "render/Rect.h"

#include <cstdint>
#include <functional>

class CGump;

struct GumpWorldServices {
    std::function<bool(uint32_t serial)> exists;
    std::function<bool(uint32_t serial)> isMobile;
    std::function<bool(uint32_t serial)> isCorpse;
    std::function<bool(uint32_t serial)> isContainer; // container-like (CDrawItem::IsContainer)
    std::function<bool(uint32_t serial)> isPlayer;
    std::function<uint32_t(uint32_t serial)> holderOf; // the object that holds or wears it, 0 none
    std::function<int(uint32_t serial)> itemGraphic;   // -1 when unknown
    std::function<bool(uint32_t serial, Rect* screen)> screenRect;
    std::function<void(uint32_t serial)> invalidate;
    // The object forgets its gump references that name this gump.
    std::function<void(uint32_t serial, CGump* gump)> forgetGump;
    // The topmost world object with a serial drawn at a point of the game view (0: none).
    std::function<uint32_t(int x, int y)> objectAt;
    std::function<bool()> inGameDisplay; // the game-display flag
    std::function<bool()> warMode;       // the player's war-mode flag
    std::function<int()> facet;
};

// Bound to the world's objects from the start; ResetGumpWorld empties it (tests fill their own).
GumpWorldServices& GumpWorld();
void ResetGumpWorld();
// The services answered by the world's objects (gumps/GumpWorldBinding.cpp).
GumpWorldServices WorldBoundGumpServices();

// Slots of windows built elsewhere; empty slots do nothing.
struct GumpSlots {
    std::function<CGump*()> createMenuBar;            // attached at top level, returned
    std::function<void(CGump* radar)> updateRadar;    // CRadarGump::UpdateIfDue and BlinkPlayerDot
    std::function<void(uint32_t serial)> helpRequest; // the object-help request (0xB6)
    std::function<void()> redrawInputLine;            // CInputWindow::Redraw
    std::function<bool(int x, int y)> popupMenuHit;   // an open popup menu is at the point
    std::function<void()> closePopupMenu;
    std::function<void()> logOut; // LogOut: the OK of a lost-connection message box
    // ShowSystemMessage (hue, font, text) and the name request for a picked mobile (0x98).
    std::function<void(int hue, int font, const char* text)> systemMessage;
    std::function<void(uint32_t serial)> nameRequest;
    // The journal's lines (TextManager::AddJournalEntry and its UTF-16 form).
    std::function<void(const char* line, int hue)> journalEntry;
    std::function<void(const char16_t* line, int hue)> journalEntryUnicode;
};

GumpSlots& GumpSlotTable();
void ResetGumpSlots();

namespace GumpWorldAsk {
inline bool Call(const std::function<bool(uint32_t)>& f, uint32_t serial) {
    return f && serial != 0 && f(serial);
}
} // namespace GumpWorldAsk
