#include "gumps/Barks.h"

#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "gumps/Targeting.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

struct BarkState {
    int speakerKind = 1;
    std::string speakerName;
    int unicodeFont = 0;
    // The newest bark of each speaker; serial 0 holds the system lines.
    std::unordered_map<uint32_t, CBarkGump*> heads;
};

BarkState& S() {
    static BarkState state;
    return state;
}

constexpr int kLineHeight = 15;

int ScreenW() {
    return GraphicManager::GetScreenWidth();
}
int ScreenH() {
    return GraphicManager::GetScreenHeight();
}

// The unicode speech font for the span of one measure or draw.
struct SpeechFont {
    int saved = UnicodeGetFont();
    SpeechFont() { UnicodeSetFont(S().unicodeFont); }
    ~SpeechFont() { UnicodeSetFont(saved); }
};

uint16_t SpeechColour(int hueIndex) {
    return HueManager::ResolveHueColours(hueIndex)[30];
}

bool IsMobileOrCorpse(uint32_t serial) {
    return GumpWorldAsk::Call(GumpWorld().isMobile, serial) ||
           GumpWorldAsk::Call(GumpWorld().isCorpse, serial);
}

} // namespace

BarkHooks& BarkHookTable() {
    static BarkHooks hooks;
    return hooks;
}

void SetBarkSpeaker(int kind, const char* name) {
    S().speakerKind = kind;
    S().speakerName = name ? name : "";
}

void SetUnicodeSpeechFont(int font) {
    S().unicodeFont = font;
}

int UnicodeSpeechFont() {
    return S().unicodeFont;
}

// ------------------------------------------------------------------ pixels

void OutlineBarkBitmap(uint16_t* pixels, int width, int height, uint16_t key) {
    if (!pixels || width < 3 || height < 3) return;
    static constexpr int kNeighbours[8][2] = {{0, -1}, {1, -1}, {1, 0},  {1, 1},
                                              {0, 1},  {-1, 1}, {-1, 0}, {-1, -1}};
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            const uint16_t p = pixels[static_cast<size_t>(y) * width + x];
            if (p == 0 || p == key) continue;
            for (const auto& d : kNeighbours) {
                uint16_t& n = pixels[static_cast<size_t>(y + d[1]) * width + x + d[0]];
                if (n == 0) n = key;
            }
        }
}

void BlendRowsHalf(int rows, int width, uint16_t* destination, const uint16_t* source, int destinationStride,
                   int sourceStride) {
    if (!destination || !source || width <= 0) return;
    for (int r = 0; r < rows; ++r)
        BlendSpanKeyed(destination + static_cast<ptrdiff_t>(r) * destinationStride,
                       source + static_cast<ptrdiff_t>(r) * sourceStride, width);
}

bool IsCovered(const CGump* bark) {
    if (!bark) return false;
    const Rect mine = bark->ScreenRect();
    for (CGump* g = CGumpManager::TopLevel().first; g && g != bark; g = g->next())
        if (!g->IsClosed() && g->IsBarkGump() && g->visible && RectsOverlap(mine, g->ScreenRect()))
            return true;
    return false;
}

// ------------------------------------------------------------------ CBarkGump

CBarkGump::CBarkGump() : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Bark, GumpTrait::Transparency | GumpTrait::Bark | GumpTrait::GameAreaRelative);
    debugName = "bark gump";
}

CBarkGump* CBarkGump::NewestOf(uint32_t owner) {
    const auto it = S().heads.find(owner);
    return it == S().heads.end() ? nullptr : it->second;
}

std::string CBarkGump::JournalPrefix() {
    std::string prefix;
    if (S().speakerKind == 2)
        prefix = S().speakerName + ": ";
    else if (S().speakerKind == 3)
        prefix = "You see: ";
    S().speakerKind = 1;
    S().speakerName.clear();
    return prefix;
}

CBarkGump* CBarkGump::Create(uint32_t owner, const char* text, int hue, int font, CGump* holder,
                             int speechKind) {
    const char* t = text ? text : "";
    const bool label = S().speakerKind == 3;
    const std::string line = JournalPrefix() + t;
    if (GumpSlotTable().journalEntry) GumpSlotTable().journalEntry(line.c_str(), hue);
    auto* bark = new CBarkGump();
    bark->text_ = t;
    bark->hue_ = hue;
    bark->font_ = font;
    bark->speechKind_ = speechKind;
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfoWrap(font, bark->text_.empty() ? " " : bark->text_.c_str(), owner ? 200 : 320, &w,
                              &h, &b, 0);
    w = std::max(w, 1);
    h = std::max(h, 1);
    if (!bark->Place(owner, holder, w, h, std::max(1, h / kLineHeight), label ? -45 : 45)) {
        delete bark;
        return nullptr;
    }
    PixelBlock& block = bark->SetFrame(0, PixelBlock(w, h));
    FontManager::DrawstringBuf(0, 0, font, hue, bark->text_.c_str(), w,
                               MakeBlitTarget(block.pixels.data(), block.width, block.height), kNoClip, 0, 0,
                               false);
    if (LanguageManager::isStarted())
        if (const char* code = LanguageManager::getUserLanguageCodeString()) {
            std::strncpy(bark->language_, code, 3);
            bark->language_[3] = 0;
        }
    return bark;
}

// lift > 0: the system line's distance from the bottom; a negative lift marks a name label (the
// distance is its magnitude).
// A text lower than a line still counts one line: it would otherwise get no time at all.
bool CBarkGump::Place(uint32_t owner, CGump* holder, int w, int h, int lines, int lift) {
    const bool label = lift < 0;
    lift = std::abs(lift);
    const GumpWorldServices& world = GumpWorld();
    if (owner != 0) {
        const uint32_t holderSerial = world.holderOf ? world.holderOf(owner) : 0;
        if (holderSerial != 0 && !GumpWorldAsk::Call(world.isMobile, holderSerial)) {
            CGump* g = CGumpManager::FindHolderGump(owner);
            if (!g) return false; // its container has no window open
            inContainer_ = true;
            SetTrait(GumpTrait::GameAreaRelative, false);
            int gx = 0, gy = 0;
            GumpToScreenCoords(g, &gx, &gy);
            anchorX_ = gx + g->pressX;
            anchorY_ = gy + g->pressY;
        } else {
            Rect r{};
            if (world.screenRect) world.screenRect(owner, &r);
            anchorX_ = (r.left + r.right) / 2;
            anchorY_ = r.top + 4;
            if (label && !GumpWorldAsk::Call(world.isMobile, owner) &&
                !GumpWorldAsk::Call(world.isCorpse, owner) && BarkHookTable().gameViewPressPoint)
                BarkHookTable().gameViewPressPoint(&anchorX_, &anchorY_);
        }
    } else {
        anchorX_ = 0;
        anchorY_ = std::min(ScreenH(), BackBuffer::Height()) - lift;
    }
    ownerSerial = owner;
    holder_ = GumpRef<CGump>(holder);
    width = w;
    height = h;
    // The head of the speaker's stack.
    CBarkGump*& head = S().heads[owner];
    older_ = head;
    if (older_) older_->newer_ = this;
    head = this;
    linked_ = true;

    const int boundW = (inContainer_ ? BackBuffer::Width() : ScreenW()) - 1;
    const int boundH = (inContainer_ ? BackBuffer::Height() : ScreenH()) - 1;
    x = owner ? anchorX_ - w / 2 : anchorX_;
    rawX_ = x;
    if (x + w > boundW) x = boundW - w;
    if (x < 0) x = 0;
    y = anchorY_ - h;
    rawY_ = y;
    if (anchorY_ > boundH) y = boundH - h;
    if (y < 0) y = 0;
    for (CBarkGump* b = older_; b; b = b->older_) {
        b->rawY_ -= h;
        b->y = std::max(0, std::min(b->rawY_, boundH - b->height));
    }
    Attach(nullptr);
    LayoutStack();
    created_ = GetGameTicks();
    const int64_t scale = ScaleBarkTimes ? int64_t{BarkTimeModifier} * lines : int64_t{BarkTimeModifier};
    lifetime_ = static_cast<uint32_t>(std::clamp<int64_t>(scale * 4000 / 100, 0, UINT32_MAX));
    return true;
}

void CBarkGump::LayoutStack() {
    if (!linked_) return;
    CBarkGump* newest = this;
    while (newest->newer_)
        newest = newest->newer_;
    CBarkGump* oldest = this;
    int64_t sum = 0;
    for (CBarkGump* b = newest; b; b = b->older_) {
        sum += b->height;
        oldest = b;
    }
    const int bound = (IsGameAreaRelative() ? ScreenH() : BackBuffer::Height()) - 1;
    while (sum > bound && oldest != this) {
        CBarkGump* victim = oldest;
        oldest = victim->newer_;
        sum -= victim->height;
        victim->trimming_ = true;
        victim->Unlink();
        victim->Close();
    }
    if (oldest->rawY_ < 0) {
        oldest->y = 0;
        for (CBarkGump* b = oldest->newer_; b; b = b->newer_)
            b->y = b->older_->y + b->older_->height;
    }
    if (newest->y + newest->height > bound) {
        newest->y = bound - newest->height + 1;
        for (CBarkGump* b = newest->older_; b; b = b->older_)
            b->y = b->newer_->y - b->height;
    }
}

void CBarkGump::Unlink() {
    if (!linked_) return;
    linked_ = false;
    if (newer_)
        newer_->older_ = older_;
    else if (older_)
        S().heads[ownerSerial] = older_;
    else
        S().heads.erase(ownerSerial);
    if (older_) older_->newer_ = newer_;
    older_ = newer_ = nullptr;
}

CBarkGump::~CBarkGump() {
    const bool wasLinked = linked_;
    const uint32_t owner = ownerSerial;
    Unlink();
    if (wasLinked && !trimming_) {
        if (CBarkGump* newest = NewestOf(owner)) {
            for (CBarkGump* b = newest; b; b = b->older_)
                b->UpdatePosition();
            newest->LayoutStack();
        }
    }
}

void CBarkGump::UpdatePosition() {
    if (ownerSerial == 0 || inContainer_ || GumpWorldAsk::Call(GumpWorld().isPlayer, ownerSerial)) return;
    Rect r{};
    if (!GumpWorld().screenRect || !GumpWorld().screenRect(ownerSerial, &r)) return;
    const int ax = (r.left + r.right) / 2, ay = r.top + 4;
    rawX_ += ax - anchorX_;
    rawY_ += ay - anchorY_;
    anchorX_ = ax;
    anchorY_ = ay;
    const int boundW = (IsGameAreaRelative() ? ScreenW() : BackBuffer::Width()) - 1;
    const int boundH = (IsGameAreaRelative() ? ScreenH() : BackBuffer::Height()) - 1;
    x = std::max(0, std::min(rawX_, boundW - width));
    y = std::max(0, std::min(rawY_, boundH - height));
}

void CBarkGump::DrawText(int hue, const Rect& area) {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    FillBitmapRect(0, 0, block->width - 1, block->height - 1, 0,
                   PixelBlockView{block->pixels.data(), block->width, block->height});
    FontManager::DrawstringBuf(0, 0, font_, hue, text_.c_str(), width,
                               MakeBlitTarget(block->pixels.data(), block->width, block->height), area, 0, 0,
                               false);
}

void CBarkGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    const PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    BlitPixelBlockTo(target, IsCovered(this) ? BlendSpanKeyed : CopySpanKeyed, block->pixels.data(),
                     block->width, block->height, clip, sx, sy);
}

void CBarkGump::HandleMouseMove(int, int) {
    if (CGumpManager::TopLevel().first != this) BringToFront(true);
    if (CGumpManager::IsClickableBark(this) && !IsItemPropGump())
        DrawText(kHoverHue, Rect{0, 0, width, height});
}

void CBarkGump::HandleMouseMoveAway() {
    if (CGumpManager::IsClickableBark(this)) DrawText(hue_, Rect{0, 0, width, height});
}

void CBarkGump::HandleLButtonDown(int px, int py) {
    pressX = px;
    pressY = py;
    doubleClick_ = clicks_.Press(px, py, GetGameTicks());
}

void CBarkGump::HandleMouseTick() {
    if (clicks_.Tick(GetGameTicks()) == ClickTracker::Event::Single) HandleSingleClick();
}

void CBarkGump::HandleLButtonUp(int, int) {
    clicks_.Release();
    if (doubleClick_) {
        doubleClick_ = false;
        clicks_.Reset();
        if (IsMobileOrCorpse(ownerSerial) && BarkHookTable().doubleClickObject)
            BarkHookTable().doubleClickObject(ownerSerial);
    }
    MouseManager::ReleaseCaptureOf(this);
}

void CBarkGump::HandleSingleClick() {
    const BarkHooks& hooks = BarkHookTable();
    if (IsMobileOrCorpse(ownerSerial) && GumpTargeting::IsTargeting() && GumpTargeting::HasCallback()) {
        const int kind = GumpTargeting::RequestKind();
        const bool mobile = GumpWorldAsk::Call(GumpWorld().isMobile, ownerSerial);
        const bool rules = !hooks.notorietyRulesApply || hooks.notorietyRulesApply();
        const bool innocent = !GumpWorldAsk::Call(hooks.isNotInnocent, ownerSerial);
        const bool criminal = !GumpWorldAsk::Call(hooks.isNotCriminal, ownerSerial);
        if (NotorietyQuery && rules && mobile && ((kind == 1 && innocent) || (kind == 2 && criminal))) {
            GumpTargeting::End();
            if (hooks.confirmCriminalAction) hooks.confirmCriminalAction(ownerSerial);
        } else {
            GumpTargeting::Deliver(ownerSerial);
        }
    }
    if (TranslationServerAutomatic && hooks.acceptsSourceLanguage && hooks.acceptsSourceLanguage(language_) &&
        hooks.translate) {
        if (const auto* wide = gump_cast<CUnicodeBarkGump>(this))
            hooks.translate(wide->wideText().c_str(), ownerSerial);
    }
}

// ------------------------------------------------------------------ CUnicodeBarkGump

CUnicodeBarkGump* CUnicodeBarkGump::Create(uint32_t owner, const char16_t* text, int hue, int,
                                           const char* language, CGump* holder, int speechKind) {
    const char16_t* t = text ? text : u"";
    const bool label = S().speakerKind == 3;
    const std::string prefix = JournalPrefix();
    std::u16string line(prefix.begin(), prefix.end());
    line += t;
    if (GumpSlotTable().journalEntryUnicode) GumpSlotTable().journalEntryUnicode(line.c_str(), hue);
    auto* bark = new CUnicodeBarkGump();
    bark->SetKind(GumpKind::UnicodeBark,
                  GumpTrait::Transparency | GumpTrait::Bark | GumpTrait::GameAreaRelative);
    bark->debugName = "unicode bark gump";
    bark->wide_ = t;
    bark->hue_ = hue;
    bark->font_ = S().unicodeFont;
    bark->speechKind_ = speechKind;
    int w = 0, h = 0, b = 0;
    {
        SpeechFont f;
        UnicodeCalcInfoWrap(bark->wide_.empty() ? u" " : bark->wide_.c_str(), owner ? 200 : 320, &w, &h, &b);
    }
    w = std::max(w, 0) + 2;
    h = std::max(h, 0) + 2;
    if (!bark->Place(owner, holder, w, h, std::max(1, h / kLineHeight), label ? -48 : 48)) {
        delete bark;
        return nullptr;
    }
    bark->SetFrame(0, PixelBlock(w, h));
    bark->DrawText(hue, Rect{0, 0, w, h});
    const char* code = language && language[0] ? language : "enu";
    std::strncpy(bark->language_, code, 3);
    bark->language_[3] = 0;
    return bark;
}

void CUnicodeBarkGump::DrawText(int hue, const Rect& area) {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    block->Clear();
    SpeechFont f;
    // Colour 30 of the entry before the hue's own; the clamped look-up turns hue 0 into entry 0.
    UnicodeDrawStringWrap(MakeBlitTarget(block->pixels.data(), block->width, block->height), width - 2,
                          wide_.c_str(), 1, 1, SpeechColour(hue - 1), area, false);
    OutlineBarkBitmap(block->pixels.data(), block->width, block->height, 1);
}

void OnBarkTranslated(int, uint32_t serial, int, const char16_t* text) {
    if (!GumpWorldAsk::Call(GumpWorld().exists, serial)) return;
    const char* code = LanguageManager::isStarted() ? LanguageManager::getUserLanguageCodeString() : "enu";
    CUnicodeBarkGump::Create(serial, text, 53, S().unicodeFont, code, nullptr, 0);
}

void ShowCentredBark(const char* text, int screenWidth, int screenHeight) {
    CBarkGump* bark = CBarkGump::Create(0, text, 0, 3, nullptr, 0);
    if (!bark) return;
    bark->x = std::max(0, (screenWidth - bark->width) / 2);
    bark->y = std::max(0, (screenHeight - bark->height) / 2);
}

// ------------------------------------------------------------------ CInputGump

CInputGump::CInputGump(const char* text, int hue, int font, bool unicode) : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Input, GumpTrait::Transparency | GumpTrait::GameAreaRelative);
    debugName = "input gump";
    Place();
    if (unicode) {
        // An 8-bit text widened unit by unit.
        std::u16string wide;
        for (const char* p = text; p && *p; ++p)
            wide.push_back(static_cast<unsigned char>(*p));
        RedrawUnicode(wide.c_str(), hue);
    } else {
        Redraw(text, hue, font);
    }
}

CInputGump::CInputGump(const char16_t* text, int hue) : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Input, GumpTrait::Transparency | GumpTrait::GameAreaRelative);
    debugName = "input gump";
    Place();
    RedrawUnicode(text, hue);
}

void CInputGump::Place() {
    x = 0;
    y = ScreenH();
    if (ScreenH() + 20 >= BackBuffer::Height()) y = BackBuffer::Height() - 45;
    Attach(nullptr);
}

void CInputGump::Redraw(const char* text, int hue, int font) {
    BringToFront(true);
    std::string shown = text ? text : "";
    if (FrameCounter) {
        const uint32_t now = GetGameTicks();
        const uint32_t since = now - lastRedraw_;
        lastRedraw_ = now;
        char buf[300];
        std::snprintf(buf, sizeof buf, "%3d fps %s", since ? static_cast<int>(1000 / since) : 0,
                      shown.c_str());
        shown = buf;
    }
    int w = 2, h = 1, b = 0;
    if (FontManager::IsFontLoaded(font)) {
        FontManager::CalcInfo(font, shown.c_str(), &w, &h, &b);
        w = std::max(w, 2);
        h = std::max(h, 1);
    }
    x = 0;
    y = ScreenH() - h;
    width = w;
    height = h;
    PixelBlock& block = SetFrame(0, PixelBlock(w, h));
    FontManager::DrawString(0, b, font, hue, shown.c_str(),
                            MakeBlitTarget(block.pixels.data(), block.width, block.height), kNoClip);
}

void CInputGump::RedrawUnicode(const char16_t* text, int hue) {
    BringToFront(true);
    const char16_t* t = text ? text : u"";
    int w = 0, h = 0, b = 0;
    {
        SpeechFont f;
        UnicodeCalcInfo(t, &w, &h, &b);
    }
    w = std::max(w, 0) + 2;
    h = std::max(h, 0) + 2;
    x = 0;
    y = ScreenH() >= BackBuffer::Height() ? BackBuffer::Height() - h - 25 : ScreenH() - h;
    width = w;
    height = h;
    PixelBlock& block = SetFrame(0, PixelBlock(w, h));
    SpeechFont f;
    // Colour 30 of entry hue (the entry after the one the hue number names): the clamped look-up
    // keeps a hue at the end of the table inside it.
    UnicodeDrawString(MakeBlitTarget(block.pixels.data(), block.width, block.height), t, 1, b + 1,
                      SpeechColour(hue), kNoClip);
    OutlineBarkBitmap(block.pixels.data(), block.width, block.height, 1);
}
