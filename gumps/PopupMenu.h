#pragma once
// The context menu of an object: requested with 0xBF 0x13, shown from the server's list (0xBF
// 0x14) at the mouse, answered with 0xBF 0x15. One menu is open at a time, for one serial. Mode 1
// (compact) leaves out the entries meant for the full menu and shows a "more" button that reopens
// the menu in mode 2 (full). Each shown entry is drawn at its shown row, where clicks find it.
#include "gumps/CGump.h"
#include "net/ServerWindows.h"

#include <functional>
#include <string>
#include <vector>

class CPopupMenuMgr : public CGump {
  public:
    static constexpr int kMargin = 12;
    static constexpr int kFrameArt = 2620;
    static constexpr int kMoreArt = 5602;
    static constexpr int kMoreHoverArt = 5606;
    // The colours are 15-bit: the high bit of the stored values is not part of the pixel.
    static constexpr uint16_t kHighlightColour = 0xB18C & 0x7FFF;
    static constexpr uint16_t kDisabledColour = 0xCA52 & 0x7FFF;
    static constexpr uint16_t kTextColour = 0x7FFF;

    CPopupMenuMgr(int mode, const std::vector<PopupEntry>& entries);
    ~CPopupMenuMgr() override;

    // Sends the single click; with menus allowed, closes an open menu, remembers the mouse and the
    // serial and asks the server for the menu.
    static void RequestMenu(uint32_t serial);
    static void HandleMenu(const PopupMenuPacket& menu);
    static void Open();
    static void OpenSecondStyle();
    static void Close();
    static bool IsOpen();
    static bool HitTest(int x, int y); // screen coordinates
    static CPopupMenuMgr* OpenMenu();
    // Whether the server gives menus (client flag bit 3, or an edit server) and the single click.
    struct Services {
        std::function<bool()> menusAllowed;
        std::function<void(uint32_t serial)> singleClick;    // 0x09
        std::function<std::u16string(uint32_t textId)> text; // the localized text when empty
    };
    static Services& services();
    static void Bind(); // the slots of the gump layer and of the server's requests
    static void ResetForTests();

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;

    int mode = 1;
    uint32_t serial = 0;
    std::vector<uint16_t> rowTags;
    int widest = 0;
    int totalHeight = 0;
    int lineHeight = 0;
    int highlighted = -1;

  private:
    int RowAt(int x, int y) const;
    void ShowRow(int row);

    // A shown row: its text, drawn plain in colour and lit in litColour.
    struct Row {
        std::u16string text;
        uint16_t colour = 0;
        uint16_t litColour = 0;
    };
    // The frame's art, its see-through screen and the texts of rows firstRow to lastRow, inside
    // area only.
    void PaintPlain(PixelBlock& bitmap, const Rect& area, int firstRow, int lastRow);

    std::vector<Row> rows_;
    int litRow_ = -1; // the row lit in the shown frame
};
