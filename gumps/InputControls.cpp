#include "gumps/InputControls.h"

#include "gumps/GumpWorld.h"
#include "gumps/Targeting.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "text/NameValidation.h"
#include "text/UnicodeFont.h"
#include "text/WideText.h"

#include <cstdio>

template class TextField<NarrowFieldText>;
template class TextField<WideFieldText>;

// ------------------------------------------------------------------ 8-bit traits

int NarrowFieldText::Length(const char* s, int capacity) {
    int n = 0;
    while (n < capacity && s[n] != 0)
        ++n;
    return n;
}

std::string NarrowFieldText::FormatNumber(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    return buf;
}

bool NarrowFieldText::HasGlyph(int font, int key) {
    return key >= 32 && key <= 255 && FontManager::HasGlyph(font, key);
}

int NarrowFieldText::Baseline(int font) {
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfo(font, "Aq", &w, &h, &b);
    return b;
}

int NarrowFieldText::Width(int font, const char* s) {
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfo(font, s, &w, &h, &b);
    return w;
}

int NarrowFieldText::WrappedHeight(int font, const char* s, int width) {
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfoWrap(font, s, width, &w, &h, &b, 0);
    return h;
}

int NarrowFieldText::CharsInWidth(int font, const char* s, int width) {
    return FontManager::GetCharsInWidth(font, s, width);
}

int NarrowFieldText::PrefixWidth(int font, int n, const char* s) {
    return FontManager::GetPrefixWidth(font, n, s);
}

int NarrowFieldText::CharWidth(int font, char c) {
    return FontManager::GetCharWidth(font, static_cast<unsigned char>(c));
}

int NarrowFieldText::CharsInBox(int font, const char* s, int wrapWidth, int maxX, int maxY) {
    return FontManager::GetCharsInBox(font, s, wrapWidth, maxX, maxY);
}

void NarrowFieldText::WrapEndXY(int font, int n, const char* s, int width, int* x, int* y) {
    FontManager::GetStringWrapEndXY(font, n, s, width, x, y);
}

void NarrowFieldText::Draw(const BlitTarget& t, int x, int y, int font, int hue, uint16_t, const char* s,
                           const Rect& clip) {
    FontManager::DrawString(x, y, font, hue, s, t, clip);
}

void NarrowFieldText::DrawWrapped(const BlitTarget& t, int x, int top, int font, int hue, uint16_t,
                                  const char* s, int width, const Rect& clip) {
    FontManager::DrawstringBuf(x, top, font, hue, s, width, t, clip, 0, 0, false);
}

void NarrowFieldText::DrawCut(const BlitTarget& t, int x, int y, int font, int hue, const char* s,
                              const Rect& clip) {
    FontManager::DrawStringBufEllips(x, y, font, hue, s, t, clip);
}

void NarrowFieldText::DrawCaret(const BlitTarget& t, int x, int y, int font, bool, int, uint16_t,
                                const char* s, const Rect& clip) {
    FontManager::DrawString(x, y, font, TextField<NarrowFieldText>::kCaretHue, s, t, clip);
}

// ------------------------------------------------------------------ UTF-16 traits

namespace {

// Unicode font 1 for the span of one measure or draw, then the font that was current.
struct FieldFont {
    int saved = UnicodeGetFont();
    FieldFont() { UnicodeSetFont(WideFieldText::kFont); }
    ~FieldFont() { UnicodeSetFont(saved); }
};

uint16_t HueColour1(int hueIndex) {
    return HueManager::ResolveHueColours(hueIndex)[1];
}

} // namespace

int WideFieldText::Length(const char16_t* s, int capacity) {
    int n = 0;
    while (n < capacity && s[n] != 0)
        ++n;
    return n;
}

std::u16string WideFieldText::FormatNumber(int value) {
    char16_t buf[40] = {};
    IntToWide(value, buf, 10);
    return buf;
}

bool WideFieldText::HasGlyph(int, int key) {
    FieldFont f;
    return key > 0 && key <= 0xFFFF && UnicodeHasGlyph(static_cast<char16_t>(key));
}

int WideFieldText::Baseline(int) {
    FieldFont f;
    int w = 0, h = 0, b = 0;
    UnicodeCalcInfo(u"Aq", &w, &h, &b);
    return b;
}

int WideFieldText::Width(int, const char16_t* s) {
    FieldFont f;
    int w = 0, h = 0, b = 0;
    UnicodeCalcInfo(s, &w, &h, &b);
    return w;
}

int WideFieldText::WrappedHeight(int, const char16_t* s, int width) {
    FieldFont f;
    int w = 0, h = 0, b = 0;
    UnicodeCalcInfoWrap(s, width, &w, &h, &b);
    return h;
}

int WideFieldText::CharsInWidth(int, const char16_t* s, int width) {
    FieldFont f;
    return UnicodeGetCharsInWidth(s, width);
}

int WideFieldText::PrefixWidth(int, int n, const char16_t* s) {
    FieldFont f;
    return UnicodeGetPrefixWidth(n, s);
}

int WideFieldText::CharWidth(int, char16_t c) {
    FieldFont f;
    return UnicodeGetCharWidth(c);
}

int WideFieldText::CharsInBox(int, const char16_t* s, int wrapWidth, int maxX, int maxY) {
    FieldFont f;
    return UnicodeGetCharsInBox(s, wrapWidth, maxX, maxY);
}

void WideFieldText::WrapEndXY(int, int n, const char16_t* s, int width, int* x, int* y) {
    FieldFont f;
    UnicodeGetStringWrapEndXY(n, s, width, x, y);
}

void WideFieldText::Draw(const BlitTarget& t, int x, int y, int, int, uint16_t colour, const char16_t* s,
                         const Rect& clip) {
    FieldFont f;
    UnicodeDrawString(t, s, x, y, colour, clip);
}

void WideFieldText::DrawWrapped(const BlitTarget& t, int x, int top, int, int, uint16_t colour,
                                const char16_t* s, int width, const Rect& clip) {
    FieldFont f;
    UnicodeDrawStringWrap(t, width, s, x, top, colour, clip, false);
}

void WideFieldText::DrawCut(const BlitTarget& t, int x, int y, int font, int hue, const char16_t* s,
                            const Rect& clip) {
    FontManager::DrawWideStringEllips(x, y, font, hue, s, t, clip);
}

void WideFieldText::DrawCaret(const BlitTarget& t, int x, int y, int, bool number, int, uint16_t colour,
                              const char16_t* s, const Rect& clip) {
    FieldFont f;
    UnicodeDrawString(t, s, x, y, number ? HueColour1(TextField<WideFieldText>::kCaretHue) : colour, clip);
}

// ------------------------------------------------------------------ CInputControlGump

namespace {

GumpRef<CInputControlGump>& PendingPick() {
    static GumpRef<CInputControlGump> pending;
    return pending;
}

void SystemMessage(const char* text) {
    if (GumpSlotTable().systemMessage) GumpSlotTable().systemMessage(0, 3, text);
}

} // namespace

CInputControlGump::CInputControlGump(int x_, int y_, CGump*, int art, int disabledArt_, FieldMode m, int max,
                                     int font_, int hue_, bool editable_, bool centred_, int w) {
    SetKind(GumpKind::InputControl, GumpTrait::kBase | GumpTrait::InputControlLike);
    debugName = "InputControl gump";
    int aw = 0, ah = 0;
    GetGumpArtSize(art, &aw, &ah);
    Init(x_, y_, w != 0 ? w : aw, ah + 1, m, max, font_, hue_, editable_, centred_);
    threePiece = w != 0;
    gumpArt = art;
    disabledArt = disabledArt_;
    Redraw();
}

CInputControlGump::CInputControlGump(int x_, int y_, CGump*, int w, int h, FieldMode m, int max, int font_,
                                     int hue_, bool editable_, bool centred_, bool threePiece_) {
    SetKind(GumpKind::InputControl, GumpTrait::kBase | GumpTrait::InputControlLike);
    debugName = "InputControl gump";
    Init(x_, y_, w, h, m, max, font_, hue_, editable_, centred_);
    threePiece = threePiece_;
    noBackground = true;
    Redraw();
}

bool CInputControlGump::AcceptsChar(int key) const {
    if (!nameFilter) return true;
    const char c = static_cast<char>(key);
    return !IsInvalidNameChar(c) || IsNameSeparator(c) || (key >= '0' && key <= '9');
}

void CInputControlGump::OnDoubleClick() {
    if (!pickMobile || GumpTargeting::IsTargeting()) return;
    SystemMessage("Select a player.");
    PendingPick() = GumpRef<CInputControlGump>(this);
    GumpTargeting::Begin(2, PickMobileTargetCallback);
}

CInputControlGump* PendingPickTarget() {
    return PendingPick().get();
}

void PickMobileTargetCallback(uint32_t serial) {
    CInputControlGump* field = PendingPick().get();
    const GumpWorldServices& world = GumpWorld();
    if (field && GumpWorldAsk::Call(world.exists, serial) && GumpWorldAsk::Call(world.isMobile, serial)) {
        field->value = static_cast<int>(serial);
        field->SetText("(mobile)");
        field->Redraw();
        if (CGump* p = field->parent()) p->HandleChildChange(field);
        if (GumpSlotTable().nameRequest) GumpSlotTable().nameRequest(serial);
    } else {
        SystemMessage("Not a mobile.");
    }
    GumpTargeting::End();
    GumpTargeting::SetServerTarget(false);
}

// ------------------------------------------------------------------ CFramedInputControlGump

CFramedInputControlGump::CFramedInputControlGump(int x_, int y_, CGump* parent_, int w, int h, FieldMode m,
                                                 int max, int font_, int hue_, bool editable_, bool centred_,
                                                 bool threePiece_)
    : CInputControlGump(x_, y_, parent_, w, h, m, max, font_, hue_, editable_, centred_, threePiece_) {
    noBackground = false;
    Redraw();
}

int CFramedInputControlGump::DrawHue() const {
    if (marked && markedHue != 0) return markedHue;
    if (hovered && hoverHue != 0) return hoverHue;
    return hue;
}

void CFramedInputControlGump::DrawBackground(PixelBlock& bitmap) {
    bitmap.Clear();
    DrawCachedGumpFrame(frame_, 0, 0, width, height, kFrameArt, bitmap);
}

void CFramedInputControlGump::HandleMouseMove(int x_, int y_) {
    const bool was = hovered;
    CInputControlGump::HandleMouseMove(x_, y_);
    if (!was && hoverHue != 0 && hoverArt == 0) Redraw();
}

void CFramedInputControlGump::HandleMouseMoveAway() {
    const bool was = hovered;
    CInputControlGump::HandleMouseMoveAway();
    if (was && hoverHue != 0 && hoverArt == 0) Redraw();
}

// ------------------------------------------------------------------ CUnicodeInputControlGump

CUnicodeInputControlGump::CUnicodeInputControlGump(int x_, int y_, CGump*, int art, int disabledArt_,
                                                   FieldMode m, int max, int font_, int hue_, bool editable_,
                                                   bool centred_, int w) {
    SetKind(GumpKind::UnicodeInputControl, GumpTrait::kBase);
    debugName = "UnicodeInputControl gump";
    int aw = 0, ah = 0;
    GetGumpArtSize(art, &aw, &ah);
    Init(x_, y_, w != 0 ? w : aw, ah + 1, m, max, font_, hue_, editable_, centred_);
    threePiece = w != 0;
    gumpArt = art;
    disabledArt = disabledArt_;
    textColour = HueColour1(hue_);
    Redraw();
}

CUnicodeInputControlGump::CUnicodeInputControlGump(int x_, int y_, CGump*, int w, int h, FieldMode m, int max,
                                                   int font_, int hue_, bool editable_, bool centred_,
                                                   bool threePiece_) {
    SetKind(GumpKind::UnicodeInputControl, GumpTrait::kBase);
    debugName = "InputControl gump";
    Init(x_, y_, w, h, m, max, font_, hue_, editable_, centred_);
    threePiece = threePiece_;
    noBackground = true;
    textColour = HueColour1(hue_);
    Redraw();
}
