#pragma once
// The window a server describes completely: a layout text of commands in braces and a table of
// UTF-16 lines (packet 0xB0) become a tree of items drawn into one bitmap. The gump keeps its
// pages, buttons, check boxes, radio buttons and text entries itself and answers with 0xB1.
//
// Bounds: the bitmap grows with its items up to kMaxSide x kMaxSide and items are clipped to it;
// items of no area draw nothing; a line index outside the table gives an empty text; a command's
// missing numbers are 0.
#include "gumps/CGump.h"
#include "net/ServerWindows.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class HTMLBox;

struct GenericGumpItem {
    enum Kind : int {
        Group = 0,
        GumpPic = 1,
        TilePic = 2,
        ResizePic = 3,
        Text = 4,
        Button = 5,
        CheckBox = 6,
        Radio = 7,
        TextEntry = 8,
        CroppedText = 9,
        Html = 10,
        CheckerTrans = 11,
        GumpPicTiled = 12,
    };
    static constexpr int kReplyFlag = 1;
    static constexpr int kPageFlag = 2;

    int kind = Group;
    GenericGumpItem* parent = nullptr;
    int page = 0;    // 0: every page
    int subPage = 1; // the page shown among the children
    int group = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int art = 0, art2 = 0;
    std::u16string text;
    int buttonFlags = 0;
    int id = 0;
    int parameter = 0;
    int state = 0;
    int hue = 0;
    int hoverX = -1, hoverY = -1;
    bool bordered = false;
    // The virtue item: its label and the time of its last press.
    bool virtue = false;
    GenericGumpItem* label = nullptr;
    int64_t lastClick = -1;
    // HTML: the box's flags and text colour, and the box once the gump made it.
    uint32_t htmlFlags = 0;
    int htmlColour = 0;
    HTMLBox* box = nullptr;
    std::vector<std::unique_ptr<GenericGumpItem>> children;
};

struct GumpLayout {
    std::vector<std::unique_ptr<GenericGumpItem>> items;
    bool movable = true;
    bool disposable = true;
    bool closable = true;
};

// Parses a layout over its line table; sizes come from the arts and fonts loaded.
GumpLayout ParseGumpLayout(std::string_view layout, const std::vector<std::u16string>& lines);

class GenericGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Generic;
    static constexpr int kMaxSide = 2048;
    // The cap in force (kMaxSide; the fuzz target lowers it to keep its inputs quick).
    static inline int maxSide = kMaxSide;
    static constexpr size_t kMaxEntryText = 239;

    GenericGump(int x, int y, std::string_view layout, const std::vector<std::u16string>& lines,
                uint32_t serial, uint32_t typeId);
    ~GenericGump() override;

    void SendReply(uint32_t buttonId);
    // Replies and closes when typeId is this gump's.
    void CloseWithReply(uint32_t typeId, uint32_t buttonId);
    void Render();

    void OnFocusLost() override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleKey(int key) override;

    const std::vector<std::unique_ptr<GenericGumpItem>>& items() const { return items_; }
    int currentPage = 1;
    bool pressed = false;
    bool movable = true;
    bool closable = true;
    uint32_t serial = 0;
    uint32_t typeId = 0;
    GenericGumpItem* pressedControl = nullptr;
    GenericGumpItem* focused = nullptr;

    // The player's serial for the virtue reply (the world's player object unless a test sets it).
    static std::function<uint32_t()>& PlayerSerial();
    // Opens a generic gump for a request (the slot the 0xB0 handler calls).
    static GenericGump* Open(const GenericGumpPacket& packet);
    // Binds the 0xB0 slot to Open.
    static void BindSlot();

  private:
    bool OnPage(const GenericGumpItem& item) const { return item.page == 0 || item.page == currentPage; }
    void MakeBoxes(std::vector<std::unique_ptr<GenericGumpItem>>& list);
    void DrawItem(GenericGumpItem& item, PixelBlock& bitmap);
    void HideBoxes(GenericGumpItem& item);
    GenericGumpItem* HitTest(GenericGumpItem& item, int x, int y);
    void Hover(GenericGumpItem& item, int x, int y);
    void Enter(GenericGumpItem& item);
    void Leave(GenericGumpItem& item);
    bool ButtonDown(GenericGumpItem& item);
    bool ButtonUp(GenericGumpItem& item, int x, int y);
    void Collect(const GenericGumpItem& item, std::vector<uint32_t>& switches,
                 std::vector<GumpReplyText>& texts);

    std::vector<std::unique_ptr<GenericGumpItem>> items_;
};
