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

// Opens the window a menu asks for (the picture menu is not built yet: it opens as a text menu).
CGump* OpenItemListMenu(const ItemListMenu& menu);
CGump* OpenTextQuery(const TextQueryRequest& request);
CGump* OpenSign(const SignRequest& sign);
