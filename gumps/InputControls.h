#pragma once
// The text fields of the windows: CInputControlGump (8-bit, bitmap fonts, with the name filter and
// the pick-a-player double click), CFramedInputControlGump (the same on a nine-piece frame with
// hover and marked hues) and CUnicodeInputControlGump (UTF-16, unicode font 1, a colour from the
// hue table). All three are the TextField template over their traits.
#include "gumps/GumpArtLayout.h"
#include "gumps/TextField.h"

#include <string>

// 8-bit text in the bitmap fonts: 184 bytes with the terminator.
struct NarrowFieldText {
    using Char = char;
    static constexpr int kCapacity = 184;
    static int Length(const char* s, int capacity);
    static std::string FormatNumber(int value);
    static bool HasGlyph(int font, int key);
    static int Baseline(int font);
    static int Width(int font, const char* s);
    static int WrappedHeight(int font, const char* s, int width);
    static int CharsInWidth(int font, const char* s, int width);
    static int PrefixWidth(int font, int n, const char* s);
    static int CharWidth(int font, char c);
    static int CharsInBox(int font, const char* s, int wrapWidth, int maxX, int maxY);
    static void WrapEndXY(int font, int n, const char* s, int width, int* x, int* y);
    static void Draw(const BlitTarget& t, int x, int y, int font, int hue, uint16_t colour, const char* s,
                     const Rect& clip);
    static void DrawWrapped(const BlitTarget& t, int x, int top, int font, int hue, uint16_t colour,
                            const char* s, int width, const Rect& clip);
    static void DrawCut(const BlitTarget& t, int x, int y, int font, int hue, const char* s,
                        const Rect& clip);
    static void DrawCaret(const BlitTarget& t, int x, int y, int font, bool number, int hue, uint16_t colour,
                          const char* s, const Rect& clip);
};

// UTF-16 text in unicode font 1 (selected for each call and restored): 182 units.
struct WideFieldText {
    using Char = char16_t;
    static constexpr int kCapacity = 182;
    static constexpr int kFont = 1;
    static int Length(const char16_t* s, int capacity);
    static std::u16string FormatNumber(int value);
    static bool HasGlyph(int font, int key);
    static int Baseline(int font);
    static int Width(int font, const char16_t* s);
    static int WrappedHeight(int font, const char16_t* s, int width);
    static int CharsInWidth(int font, const char16_t* s, int width);
    static int PrefixWidth(int font, int n, const char16_t* s);
    static int CharWidth(int font, char16_t c);
    static int CharsInBox(int font, const char16_t* s, int wrapWidth, int maxX, int maxY);
    static void WrapEndXY(int font, int n, const char16_t* s, int width, int* x, int* y);
    static void Draw(const BlitTarget& t, int x, int y, int font, int hue, uint16_t colour, const char16_t* s,
                     const Rect& clip);
    static void DrawWrapped(const BlitTarget& t, int x, int top, int font, int hue, uint16_t colour,
                            const char16_t* s, int width, const Rect& clip);
    static void DrawCut(const BlitTarget& t, int x, int y, int font, int hue, const char16_t* s,
                        const Rect& clip);
    static void DrawCaret(const BlitTarget& t, int x, int y, int font, bool number, int hue, uint16_t colour,
                          const char16_t* s, const Rect& clip);
};

extern template class TextField<NarrowFieldText>;
extern template class TextField<WideFieldText>;

class CInputControlGump : public TextField<NarrowFieldText> {
  public:
    static constexpr GumpKind kKind = GumpKind::InputControl;

    // Sized from the art (its height + 1); a width other than 0 replaces the art's width and draws
    // the art as a three-piece bar.
    CInputControlGump(int x, int y, CGump* parent, int art, int disabledArt, FieldMode mode, int maximum,
                      int font, int hue, bool editable, bool centred, int width);
    // No art and no background.
    CInputControlGump(int x, int y, CGump* parent, int width, int height, FieldMode mode, int maximum,
                      int font, int hue, bool editable, bool centred, bool threePiece);

    bool nameFilter = false;
    bool pickMobile = false;

  protected:
    bool AcceptsChar(int key) const override;
    void OnDoubleClick() override;
};

class CFramedInputControlGump : public CInputControlGump {
  public:
    static constexpr int kFrameArt = 3000;

    CFramedInputControlGump(int x, int y, CGump* parent, int width, int height, FieldMode mode, int maximum,
                            int font, int hue, bool editable, bool centred, bool threePiece);

    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;

    int hoverHue = 0;
    int markedHue = 0;

  protected:
    int DrawHue() const override;
    void DrawBackground(PixelBlock& bitmap) override;

  private:
    FrameCache frame_;
};

class CUnicodeInputControlGump : public TextField<WideFieldText> {
  public:
    static constexpr GumpKind kKind = GumpKind::UnicodeInputControl;

    // The text colour is colour 1 of hue table entry hue.
    CUnicodeInputControlGump(int x, int y, CGump* parent, int art, int disabledArt, FieldMode mode,
                             int maximum, int font, int hue, bool editable, bool centred, int width);
    CUnicodeInputControlGump(int x, int y, CGump* parent, int width, int height, FieldMode mode, int maximum,
                             int font, int hue, bool editable, bool centred, bool threePiece);
};

// The pick-a-player target: fills the field that started it with the mobile picked, or says
// "Not a mobile."; ends targeting either way.
void PickMobileTargetCallback(uint32_t serial);
// The field waiting for a pick, or null.
CInputControlGump* PendingPickTarget();
