#pragma once
// The windows that answer the server's questions: the text query (0xAB, answered with 0xAC), the
// text menu and the picture menu (0x7C, answered with 0x7D).
#include "gumps/CGump.h"
#include "net/ServerWindows.h"

#include <string>
#include <vector>

class CInputControlGump;
class CToggleControlGump;

class CStringQueryGump : public CGump {
  public:
    static constexpr int kBackgroundArt = 1140;
    static constexpr int kHue = 902;

    explicit CStringQueryGump(const TextQueryRequest& request);
    ~CStringQueryGump() override;

    // The answer (OK true, cancel false) with the field's text; then the window closes.
    void Answer(bool ok);
    std::string FieldText() const;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleEnterKey() override { Answer(true); }
    void HandleEscapeKey() override;

    uint32_t serial = 0;
    uint16_t queryId = 0;
    uint8_t style = 0;
    uint8_t cancelAllowed = 0;
    CInputControlGump* field = nullptr;

  private:
    DialogDragState drag_;
};

class CStringPickerGump : public CGump {
  public:
    static constexpr int kFrameArt = 5100;
    static constexpr int kWidth = 400;
    static constexpr int kHue = 902;

    explicit CStringPickerGump(const ItemListMenu& menu);
    ~CStringPickerGump() override;

    // Cancel sends index 0; choose sends the checked entry (1-based) or asks for one.
    void Cancel();
    void Choose();

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleChildChange(CGump* child) override;

    uint32_t serial = 0;
    uint16_t menuId = 0;
    std::vector<uint16_t> graphics;
    std::vector<CToggleControlGump*> radios;
};

class CObjPickerGump : public CGump {
  public:
    static constexpr int kBackgroundArt = 2320;
    static constexpr int kHue = 902;
    static constexpr Rect kStrip{40, 47, 257, 91};
    static constexpr int kNoArtWidth = 44;

    explicit CObjPickerGump(const ItemListMenu& menu);
    ~CObjPickerGump() override;

    void Redraw();
    // The arrows: start a scroll by one picture when one is not running.
    void ScrollBack();
    void ScrollForward();
    // Picks the entry under (x, y) in the strip and closes the window; false when none is there.
    bool ChooseAt(int x, int y);
    // The entry (0-based) under x in the strip, or -1.
    int EntryAt(int x) const;
    // The width of entry i's picture (kNoArtWidth without one).
    int PictureWidth(int i) const;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void Update() override;

    uint32_t serial = 0;
    uint16_t menuId = 0;
    std::vector<MenuEntry> entries;
    int first = 0;
    int offset = 0;
    int step = 0;
    bool scrolling = false;
    int hovered = -1;
    int chosen = 0; // 1-based, 0 none
    CInputControlGump* nameField = nullptr;

  private:
    PixelBlock background_;
    ClickTracker clicks_;
    DialogDragState drag_;
    bool answered_ = false;
};

// Opens the window a menu asks for: pictures when its first entry has a graphic, else texts.
CGump* OpenItemListMenu(const ItemListMenu& menu);
CGump* OpenTextQuery(const TextQueryRequest& request);
CGump* OpenSign(const SignRequest& sign);
