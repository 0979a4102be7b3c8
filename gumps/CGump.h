#pragma once
// The window base class: a rectangle with its own pixel block (or a gump art), a place in a tree
// of parents and children, and the virtual operations through which mouse, keys, drawing and
// updates reach it. Kinds replace run-time type information: each class declares a GumpKind and a
// set of trait bits, and the kind predicates read them.
//
// Lifetime: Close() is how a gump goes away. It hides the subtree from hits, drawing and walks at
// once and clears every slot that names it; the manager frees closed gumps only at safe points
// (after an input dispatch, Update and DrawAllGumps), so a handler may close its own gump, a
// sibling or its parent and keep running. Pointers kept beyond one call are GumpRefs.
#include "core/MemoryManager.h"
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// The pixels of a block, zeroed: a small one by calloc, so that a new block costs no fill loop.
// Large ones (full-screen windows) are handed back to a few kept spares when freed and taken from
// them again zeroed, so that opening and closing such windows does not map and unmap their pages
// each time (which costs more than the clearing).
class PixelBuffer {
  public:
    static constexpr size_t kSpareFrom = 64 * 1024; // pixels; smaller buffers are freed
    static constexpr int kSpares = 4;

    PixelBuffer() = default;
    explicit PixelBuffer(size_t count) : size_(count) {
        if (count) data_ = Take(count, capacity_);
    }
    ~PixelBuffer() { Give(data_, capacity_); }
    PixelBuffer(const PixelBuffer& other) : PixelBuffer(other.size_) {
        if (size_) std::memcpy(data(), other.data(), size_ * sizeof(uint16_t));
    }
    PixelBuffer(PixelBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    PixelBuffer& operator=(const PixelBuffer& other) {
        if (this != &other) *this = PixelBuffer(other);
        return *this;
    }
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        if (this != &other) {
            Give(data_, capacity_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    // As a vector's resize: the first pixels kept, new ones zero, storage grown geometrically.
    void resize(size_t count) {
        if (count > capacity_) {
            PixelBuffer grown(std::max(count, 2 * capacity_));
            if (size_) std::memcpy(grown.data(), data(), size_ * sizeof(uint16_t));
            grown.size_ = count;
            *this = std::move(grown);
            return;
        }
        if (count > size_) std::memset(data() + size_, 0, (count - size_) * sizeof(uint16_t));
        size_ = count;
    }

    uint16_t* data() { return data_; }
    const uint16_t* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    uint16_t* begin() { return data(); }
    uint16_t* end() { return data() + size_; }
    const uint16_t* begin() const { return data(); }
    const uint16_t* end() const { return data() + size_; }
    uint16_t& operator[](size_t i) { return data_[i]; }
    const uint16_t& operator[](size_t i) const { return data_[i]; }
    friend bool operator==(const PixelBuffer& a, const PixelBuffer& b) {
        return a.size_ == b.size_ &&
               (a.size_ == 0 || std::memcmp(a.data(), b.data(), a.size_ * sizeof(uint16_t)) == 0);
    }

    // The spares kept now, and dropping them (tests; the memory they hold).
    static int SpareCount();
    static void DropSpares();

  private:
    // count zeroed pixels; capacity receives what the storage holds (at least count).
    static uint16_t* Take(size_t count, size_t& capacity);
    static void Give(uint16_t* data, size_t capacity);

    uint16_t* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

// A bitmap a gump owns: width x height pixels in rows of the width (5-5-5, 0 transparent).
struct PixelBlock {
    int width = 0;
    int height = 0;
    PixelBuffer pixels;

    PixelBlock() = default;
    PixelBlock(int w, int h)
        : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(static_cast<size_t>(width) * height) {}
    bool Empty() const { return width <= 0 || height <= 0; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint16_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    // A new size on the same storage, which grows geometrically: a bitmap redrawn at a growing
    // size is not allocated each time. The pixels are stale; the caller clears or overwrites them.
    void Resize(int w, int h) {
        width = w > 0 ? w : 0;
        height = h > 0 ? h : 0;
        pixels.resize(static_cast<size_t>(width) * height);
    }
    // Every pixel to 0, as one memset (a fill loop stays a loop where each compare is traced).
    void Clear() {
        if (!pixels.empty()) std::memset(pixels.data(), 0, pixels.size() * sizeof(uint16_t));
    }
};

// One value per class whose kind predicate is its own.
enum class GumpKind : uint8_t {
    Normal,
    Generic,
    Map,
    GameAreaEdge,
    Input,
    Paperdoll,
    Party,
    ContextHelp,
    Drag,
    Chat,
    GMChat,
    Container,
    Text,
    Thumb,
    Stack,
    Shop,
    Bill,
    Button,
    TextButton,
    Status,
    Target,
    Skill,
    Course,
    CharCreation,
    Options,
    ToggleControl,
    InputControl,
    UnicodeInputControl,
    Book,
    Spellbook,
    MacroCmd,
    BB,
    BBLine,
    BBMsg,
    Fighting,
    Missile,
    Sign,
    Hue,
    EditList,
    UnicodeEditList,
    SpellIcon,
    Waiting,
    Radar,
    Trade,
    ToolTip,
    Profile,
    Escalate,
    Pointer,
    SkillStateButton,
    ItemProp,
    AcctLogin,
    Bark,
    UnicodeBark,
    Dumb,
    Resize,
    MenuBar,
    Other, // a class that answers no single-class predicate
};

// Answers shared by several classes, or decided per instance.
namespace GumpTrait {
enum : uint32_t {
    DropTarget = 1u << 0,
    GameAreaRelative = 1u << 1,
    Transparency = 1u << 2,
    Disposable = 1u << 3,
    Bark = 1u << 4,
    ChatControl = 1u << 5,
    GMChatPart = 1u << 6,
    Messenger = 1u << 7,
    MessengerListBox = 1u << 8,
    ButtonLike = 1u << 9,        // IsButtonGump
    InputControlLike = 1u << 10, // IsInputControlGump
    BookLike = 1u << 11,         // IsBookGump
    HueLike = 1u << 12,          // IsHueGump
    KeepsZOrder = 1u << 13,
    ShowsItemArt = 1u << 14,
};
constexpr uint32_t kBase = Transparency | Disposable;
} // namespace GumpTrait

class CGump;

// The liveness cell every GumpRef shares with its gump: cleared when the gump closes.
struct GumpAnchor {
    CGump* gump = nullptr;
};

// A reference to a gump that resolves to null once the gump is closed (or freed).
template <typename T> class GumpRef {
  public:
    GumpRef() = default;
    GumpRef(std::nullptr_t) {}
    GumpRef(T* gump); // defined below CGump
    T* get() const { return anchor_ && anchor_->gump ? static_cast<T*>(anchor_->gump) : nullptr; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    bool operator==(const T* other) const { return get() == other; }
    void reset() { anchor_.reset(); }

  private:
    std::shared_ptr<const GumpAnchor> anchor_;
};

// The shared double-click timer of windows that tell single clicks, double clicks, long presses and
// drags apart (times from platform::GetDoubleClickTime).
class ClickTracker {
  public:
    enum class Event { None, Single, LongPress };
    static constexpr int kDragDistance = 4;

    // A press; true when it completes a double click (within the time and the drag distance).
    bool Press(int x, int y, uint32_t now);
    void Release() { held_ = false; }
    // The pointer moved with the button held: true once, when it passes the drag distance.
    bool Move(int x, int y);
    // Once the double-click time has passed after a first press: Single when the button was let
    // go, LongPress (dragging starts) when it is still held.
    Event Tick(uint32_t now);
    bool Dragging() const { return dragging_; }
    bool Held() const { return held_; }
    void Reset() { *this = ClickTracker{}; }

  private:
    bool pending_ = false;
    bool held_ = false;
    bool dragging_ = false;
    int x_ = 0, y_ = 0;
    uint32_t time_ = 0;
};

class CGump : public CTrackedObject {
  public:
    static constexpr GumpKind kKind = GumpKind::Normal;
    static constexpr int kNoTooltip = -123;

    CGump();
    CGump(int x, int y, uint32_t ownerSerial, int frameCount, int width, int height);
    ~CGump() override;
    CGump(const CGump&) = delete;
    CGump& operator=(const CGump&) = delete;

    // ------------------------------------------------ virtual operations
    // Deepest gump at (x, y) in this gump's coordinates, or null.
    virtual CGump* GetGumpAt(int x, int y, const CGump* exclude);
    // Saves the back-buffer pixels under the gump and its children (target in window coordinates).
    virtual void PreDraw(const BlitTarget& target, const Rect& clip);
    // The current frame (or the gump art), then the children from the back-most.
    virtual void Draw(const BlitTarget& target, const Rect& clip);
    virtual bool IsPointInside(int x, int y);
    virtual void HandleLButtonDown(int, int) {}
    // Base: releases the mouse capture when this gump holds it.
    virtual void HandleLButtonUp(int x, int y);
    virtual void HandleRButtonDown(int, int) {}
    virtual void HandleRButtonUp(int x, int y);
    virtual void HandleMouseMove(int x, int y); // base: the normal pointer
    virtual void HandleMouseMoveAway();         // base: the automatic cursor
    virtual void HandleCaptureMove(int, int) {}
    virtual void HandleMouseTick() {}
    virtual void HandleThumbMove(int, int, CGump*) {}
    virtual void HandleThumbRelease(int, int, CGump*) {}
    virtual void Resize(int, int, int) {}
    virtual void GetObjAt(int, int) {}
    virtual void HandleKey(int) {}
    virtual void HandleChildChange(CGump*) {}
    virtual void HandleTabKey() {}
    virtual void HandleEnterKey() {}
    virtual void HandleEscapeKey() {}
    virtual void HandleChildMouseDown(CGump*) {}
    virtual void HandleChildDoubleClick(CGump*) {}
    virtual void Update() {}
    virtual void HandleChildDropDown(CGump*) {}
    virtual int GetTooltipId(int x, int y);
    virtual void HandleButtonPress(int) {}
    // The focus went elsewhere while this gump is alive (never during a close).
    virtual void OnFocusLost() {}
    // Overhead texts: the gump they follow, and whether their time is up.
    virtual CGump* BarkHolderGump() const { return nullptr; }
    virtual bool IsExpired(uint32_t) const { return false; }
    // Overhead texts follow their owner's place after the view scrolled.
    virtual void UpdateBarkPosition() {}

    // ------------------------------------------------ kind and traits
    GumpKind kind() const { return kind_; }
    uint32_t traits() const { return traits_; }
    bool Has(uint32_t trait) const { return (traits_ & trait) != 0; }
    void SetTrait(uint32_t trait, bool on) { traits_ = on ? traits_ | trait : traits_ & ~trait; }

    bool IsDropTarget() const { return Has(GumpTrait::DropTarget); }
    bool IsGameAreaRelative() const { return Has(GumpTrait::GameAreaRelative); }
    bool IsGenericGump() const { return kind_ == GumpKind::Generic; }
    bool IsMapGump() const { return kind_ == GumpKind::Map; }
    bool IsGameAreaEdgeGump() const { return kind_ == GumpKind::GameAreaEdge; }
    bool IsInputGump() const { return kind_ == GumpKind::Input; }
    bool IsPaperdollGump() const { return kind_ == GumpKind::Paperdoll; }
    bool IsPartyGump() const { return kind_ == GumpKind::Party; }
    bool IsContextHelp() const { return kind_ == GumpKind::ContextHelp; }
    bool UsesTransparency() const { return Has(GumpTrait::Transparency); }
    bool IsDisposable() const { return Has(GumpTrait::Disposable); }
    bool IsBarkGump() const { return Has(GumpTrait::Bark); }
    bool ShowsItemArt() const { return Has(GumpTrait::ShowsItemArt); }
    bool IsDragGump() const { return kind_ == GumpKind::Drag; }
    bool IsChatGump() const { return kind_ == GumpKind::Chat; }
    bool IsGMChatGump() const { return kind_ == GumpKind::GMChat; }
    bool IsGMChatPart() const { return Has(GumpTrait::GMChatPart); }
    bool IsMessengerGump() const { return Has(GumpTrait::Messenger); }
    bool IsSpareKind48() const { return false; }
    bool IsMessengerListBox() const { return Has(GumpTrait::MessengerListBox); }
    bool IsSpareKind50() const { return false; }
    bool IsChatControl() const { return Has(GumpTrait::ChatControl); }
    bool IsContainerGump() const { return kind_ == GumpKind::Container; }
    bool IsTextGump() const { return kind_ == GumpKind::Text; }
    bool IsThumbGump() const { return kind_ == GumpKind::Thumb; }
    bool IsStackGump() const { return kind_ == GumpKind::Stack; }
    bool IsShopGump() const { return kind_ == GumpKind::Shop; }
    bool IsBillGump() const { return kind_ == GumpKind::Bill; }
    bool IsButtonGump() const { return Has(GumpTrait::ButtonLike); }
    bool IsStatusGump() const { return kind_ == GumpKind::Status; }
    bool IsTargetGump() const { return kind_ == GumpKind::Target; }
    bool IsSkillGump() const { return kind_ == GumpKind::Skill; }
    bool IsCourseGump() const { return kind_ == GumpKind::Course; }
    bool IsCharCreationGump() const { return kind_ == GumpKind::CharCreation; }
    bool IsSpareKind64() const { return false; }
    bool IsSpareOptionsGump() const { return false; }
    bool IsOptionsGump() const { return kind_ == GumpKind::Options; }
    bool IsToggleControlGump() const { return kind_ == GumpKind::ToggleControl; }
    bool IsInputControlGump() const { return Has(GumpTrait::InputControlLike); }
    bool IsUnicodeInputControlGump() const { return kind_ == GumpKind::UnicodeInputControl; }
    bool IsBookGump() const { return Has(GumpTrait::BookLike); }
    bool IsSpellbookGump() const { return kind_ == GumpKind::Spellbook; }
    bool IsSpareKind72() const { return false; }
    bool IsMacroCmdGump() const { return kind_ == GumpKind::MacroCmd; }
    bool IsBBGump() const { return kind_ == GumpKind::BB; }
    bool IsBBLineGump() const { return kind_ == GumpKind::BBLine; }
    bool IsBBMsgGump() const { return kind_ == GumpKind::BBMsg; }
    bool IsFightingGump() const { return kind_ == GumpKind::Fighting; }
    bool IsSpareKind78() const { return false; }
    bool IsMissileGump() const { return kind_ == GumpKind::Missile; }
    bool KeepsZOrder() const { return Has(GumpTrait::KeepsZOrder); }
    bool IsSignGump() const { return kind_ == GumpKind::Sign; }
    bool IsHueGump() const { return Has(GumpTrait::HueLike); }
    bool IsEditListGump() const { return kind_ == GumpKind::EditList; }
    bool IsUnicodeEditListGump() const { return kind_ == GumpKind::UnicodeEditList; }
    bool IsSpellIconGump() const { return kind_ == GumpKind::SpellIcon; }
    bool IsWaitingGump() const { return kind_ == GumpKind::Waiting; }
    bool IsRadarGump() const { return kind_ == GumpKind::Radar; }
    bool IsTradeGump() const { return kind_ == GumpKind::Trade; }
    bool IsToolTipGump() const { return kind_ == GumpKind::ToolTip; }
    bool IsProfileGump() const { return kind_ == GumpKind::Profile; }
    bool IsEscalateGump() const { return kind_ == GumpKind::Escalate; }
    bool IsPointerGump() const { return kind_ == GumpKind::Pointer; }
    bool IsSkillStateButton() const { return kind_ == GumpKind::SkillStateButton; }
    bool IsItemPropGump() const { return kind_ == GumpKind::ItemProp; }
    bool IsAcctLoginGump() const { return kind_ == GumpKind::AcctLogin; }

    // ------------------------------------------------ tree, z-order, lifetime
    // Links the gump as the front-most child of parent, or as the front-most top-level gump.
    void Attach(CGump* parent);
    void BringToFront(bool keepFocus);
    // Hides the subtree at once and clears every slot naming it; the manager frees it later.
    void Close();
    bool IsClosed() const { return closed_; }
    // Alive, visible, and so are its ancestors.
    bool IsShown() const;

    CGump* parent() const { return parent_; }
    CGump* next() const { return next_; }
    CGump* previous() const { return previous_; }
    CGump* firstChild() const { return firstChild_; }
    CGump* lastChild() const { return lastChild_; }
    bool IsAncestorOf(const CGump* other) const; // other is this gump or below it
    // Runs Update of every live child: the manager updates only top-level gumps, so a window whose
    // controls blink calls this from its own Update.
    void UpdateChildren();

    // ------------------------------------------------ geometry
    // Moves by (dx, dy); dirty receives the screen area to redraw (cut to the back buffer).
    void MoveBy(int dx, int dy, bool top, Rect* dirty, bool clamp);
    // Keeps a top-level gump inside the back buffer, with an assumed size for some kinds.
    void ClampToScreen();
    // A new window goes just right of or below the game area, whichever is nearer, then on screen.
    void PlaceBesideGameArea();
    Rect ScreenRect() const; // window coordinates, current size
    static void GumpToScreenCoords(const CGump* gump, int* x, int* y);
    static void ScreenToGumpCoords(const CGump* gump, int* x, int* y);

    // The frame bitmaps: block i, or null when that frame has none.
    void SetFrameCount(int count);
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    PixelBlock* Frame(int i);
    const PixelBlock* CurrentFrame() const;
    PixelBlock& SetFrame(int i, PixelBlock block);

    // ------------------------------------------------ fields
    const char* debugName = "normal gump";
    int pressedButtonId = 0;
    int pressPending = 0;
    int frameIndex = 0;
    int width = 0, height = 0;
    int minimisedWidth = 0, minimisedHeight = 0;
    int x = 0, y = 0;
    uint32_t ownerSerial = 0;
    int gumpArt = -1;
    uint8_t group = 0;
    bool drawn = false;
    bool minimised = false;
    bool visible = true;
    int pressX = 0, pressY = 0;
    int normalX = 0, normalY = 0;
    int minimisedX = 0, minimisedY = 0;
    int cellX = 0, cellY = 0;
    bool cellHeld = false; // the cell is in the grid's used list for this gump
    int tooltipId = kNoTooltip;
    // Buttons: the minimised state in which they are hit.
    bool minimisedStateButton = false;

    std::shared_ptr<const GumpAnchor> anchor() const { return anchor_; }

  protected:
    void SetKind(GumpKind kind, uint32_t traits) {
        kind_ = kind;
        traits_ = traits;
    }

  private:
    void MarkClosed();
    void Unlink();
    void FreeChildren();

    GumpKind kind_ = GumpKind::Normal;
    uint32_t traits_ = GumpTrait::kBase;
    bool closed_ = false;
    std::shared_ptr<GumpAnchor> anchor_;
    std::vector<std::unique_ptr<PixelBlock>> frames_;
    CGump* next_ = nullptr;
    CGump* previous_ = nullptr;
    CGump* firstChild_ = nullptr;
    CGump* parent_ = nullptr;
    CGump* lastChild_ = nullptr;
};

template <typename T> GumpRef<T>::GumpRef(T* gump) {
    if (gump && !gump->IsClosed()) anchor_ = gump->anchor();
}

// The gump as T when its kind is T's, else null.
template <typename T> T* gump_cast(CGump* gump) {
    return gump && gump->kind() == T::kKind ? static_cast<T*>(gump) : nullptr;
}

// ------------------------------------------------ rectangle helpers
bool RectsOverlap(const Rect& a, const Rect& b);
// a grown to hold b; an all-zero a becomes b.
void UniteRects(Rect* acc, const Rect& b);

// ------------------------------------------------ shared slot fillers
void DeleteSelfHandler(CGump* gump, int x, int y);        // right release closes the gump
void ParentRButtonUpHandler(CGump* gump, int x, int y);   // right release goes to the parent
void DeleteGumpCallback(CGump* gump);                     // button callback: close the window
void ForwardButtonPress(CGump* gump);                     // HandleButtonPress(pressedButtonId)
void BringToFrontHandler(CGump* gump);                    // raise without keeping a focus outside
void ReleaseCaptureHandler(CGump* gump);                  // let go of the mouse capture
bool IsPointInsideFrame(const CGump* gump, int x, int y); // inside the first pixel block
void DialogDraw(CGump* gump, const BlitTarget& target, const Rect& clip);
// Dragging a window by its body: press, capture moves, release.
struct DialogDragState {
    bool dragging = false;
    Rect dirty{}; // the screen area the last move uncovered and covered
};
void DialogBeginDrag(CGump* gump, DialogDragState& state, int x, int y);
void DialogDrag(CGump* gump, DialogDragState& state, int x, int y);
void DialogEndDrag(CGump* gump, DialogDragState& state);

// ------------------------------------------------ the minimise grid
bool FindMinimizeCell(int* cellX, int* cellY);
void FreeMinimizeCell(int cellX, int cellY);
void MinimizeGump(CGump* gump);
void RestoreGump(CGump* gump);
void ResetMinimizeGridForTests();
