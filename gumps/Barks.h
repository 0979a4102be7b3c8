#pragma once
// Speech, name labels and system lines shown as barks: small gumps of one rendered block of wrapped
// text over whoever speaks (or at the bottom left for system lines), stacked newest-lowest with
// the other barks of the same speaker, trimmed when the stack outgrows the screen, written to the
// journal, and closed by CGumpManager::UpdateBarks once their time is up. CBarkGump draws 8-bit
// text in a bitmap font, CUnicodeBarkGump UTF-16 text in the unicode speech font with a dark
// outline. CInputGump is the line being typed at the bottom of the game view.
//
// Barks are made by the Create factories, which answer null when there is nothing to show (an item
// inside a container whose window is closed).
#include "gumps/CGump.h"

#include <cstdint>
#include <functional>
#include <string>

// What barks ask of parts of the client that live elsewhere; empty slots answer "no".
struct BarkHooks {
    // The translation client: accepts the language as a source (it differs from the user's), and
    // sends the text; the answer comes back through OnBarkTranslated.
    std::function<bool(const char* language)> acceptsSourceLanguage;
    std::function<void(const char16_t* text, uint32_t serial)> translate;
    std::function<void(uint32_t serial)> doubleClickObject;     // DoubleClickObject
    std::function<void(uint32_t serial)> confirmCriminalAction; // ConfirmCriminalAction
    std::function<bool(uint32_t serial)> isNotInnocent;
    std::function<bool(uint32_t serial)> isNotCriminal;
    std::function<bool()> notorietyRulesApply; // CApp::NotorietyRulesApply
    // The game view's last press point, in screen coordinates (where a name label goes).
    std::function<void(int* x, int* y)> gameViewPressPoint;
};
BarkHooks& BarkHookTable();

// The journal speaker state the speech handlers set just before they create a bark: 1 plain,
// 2 a speaker name ("name: text"), 3 a label ("You see: text"). Every bark resets it to 1.
void SetBarkSpeaker(int kind, const char* name);
// The unicode font speech is drawn in.
void SetUnicodeSpeechFont(int font);
int UnicodeSpeechFont();

class CBarkGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Bark;
    static constexpr int kHoverHue = 53;

    // A bark of an object (serial), or a system line (serial 0). holder: the gump the bark moves
    // and rises with (a container or paperdoll showing the owner), or null.
    static CBarkGump* Create(uint32_t owner, const char* text, int hue, int font, CGump* holder,
                             int speechKind);
    ~CBarkGump() override;

    // Follows the owner's place on the screen (not for system lines, the player, or items in
    // containers).
    virtual void UpdatePosition();
    // Draws the text again in hue within the rectangle.
    virtual void DrawText(int hue, const Rect& area);
    virtual bool CanSaveText() const { return true; }
    // Restacks the owner's barks around this one: trims the oldest while the stack is taller than
    // the screen, then keeps it on screen.
    void LayoutStack();
    int GetSpeechKind() const { return speechKind_; }

    void Draw(const BlitTarget& target, const Rect& clip) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override { DeleteSelfHandler(this, x, y); }
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleMouseTick() override;
    CGump* BarkHolderGump() const override { return holder_.get(); }
    bool IsExpired(uint32_t now) const override { return now - created_ >= lifetime_; }
    void UpdateBarkPosition() override { UpdatePosition(); }
    void HandleSingleClick();

    CBarkGump* older() const { return older_; }
    CBarkGump* newer() const { return newer_; }
    uint32_t lifetime() const { return lifetime_; }
    int hue() const { return hue_; }
    const char* language() const { return language_; }
    // The newest bark of a speaker (0: the system lines), or null.
    static CBarkGump* NewestOf(uint32_t owner);

  protected:
    CBarkGump();
    // Steps 2 to 8 of construction for a text measured w x h with the given line count; false when
    // the bark must not exist.
    bool Place(uint32_t owner, CGump* holder, int w, int h, int lines, int systemLineLift);
    // Builds and adds the journal line for the speaker state, then resets it.
    static std::string JournalPrefix();
    void Unlink();

    int speechKind_ = 0;
    CBarkGump* older_ = nullptr;
    CBarkGump* newer_ = nullptr;
    bool linked_ = false;
    GumpRef<CGump> holder_;
    int anchorX_ = 0, anchorY_ = 0;
    int rawX_ = 0, rawY_ = 0;
    std::string text_;
    int hue_ = 0, font_ = 0;
    ClickTracker clicks_;
    bool doubleClick_ = false;
    char language_[4] = {'e', 'n', 'u', 0};
    uint32_t created_ = 0;
    uint32_t lifetime_ = 0;
    bool inContainer_ = false;
    bool trimming_ = false; // being deleted by a layout: no re-layout of the stack
};

class CUnicodeBarkGump : public CBarkGump {
  public:
    static constexpr GumpKind kKind = GumpKind::UnicodeBark;

    static CUnicodeBarkGump* Create(uint32_t owner, const char16_t* text, int hue, int font,
                                    const char* language, CGump* holder, int speechKind);
    void DrawText(int hue, const Rect& area) override;
    bool CanSaveText() const override { return false; }
    const std::u16string& wideText() const { return wide_; }

  private:
    CUnicodeBarkGump() = default;
    std::u16string wide_;
};

// The translation's answer: a bark over the object in hue 53 when it still exists.
void OnBarkTranslated(int request, uint32_t serial, int value, const char16_t* text);
// An owner-less bark of the text (hue 0, font 3) centred in a screen of this size.
void ShowCentredBark(const char* text, int screenWidth, int screenHeight);

// Every pixel not on the border that is neither 0 nor key turns its 0 neighbours into key; the
// rows are visited in place, so new key pixels do not spread.
void OutlineBarkBitmap(uint16_t* pixels, int width, int height, uint16_t key);
// Each non-zero source pixel mixed half and half into the destination.
void BlendRowsHalf(int rows, int width, uint16_t* destination, const uint16_t* source, int destinationStride,
                   int sourceStride);
// Another bark in front of this one overlaps it.
bool IsCovered(const CGump* bark);

// The line being typed, at the bottom of the game view.
class CInputGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Input;

    CInputGump(const char* text, int hue, int font, bool unicode);
    CInputGump(const char16_t* text, int hue);
    void Redraw(const char* text, int hue, int font);
    void RedrawUnicode(const char16_t* text, int hue);

    void HandleLButtonDown(int, int) override { ReleaseCaptureHandler(this); }
    void HandleLButtonUp(int, int) override { ReleaseCaptureHandler(this); }
    void HandleRButtonDown(int, int) override { ReleaseCaptureHandler(this); }
    void HandleRButtonUp(int, int) override { ReleaseCaptureHandler(this); }

  private:
    void Place();
    uint32_t lastRedraw_ = 0;
};
