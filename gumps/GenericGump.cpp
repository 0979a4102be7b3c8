// The server-described window: layout parsing, drawing into one bitmap, input and the reply.
#include "gumps/GenericGump.h"
#include "core/DefManager.h"
#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/HTMLBox.h"
#include "gumps/MouseManager.h"
#include "gumps/ToolTipGump.h"
#include "platform/platform.h"
#include "render/Art.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "text/CWideString.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"
#include "world/objects.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <set>

namespace {

using Item = GenericGumpItem;

// ------------------------------------------------ the virtue table
struct VirtueRow {
    int art, hue1, hue2, hue3;
};
constexpr VirtueRow kVirtues[8] = {{108, 2404, 2406, 1108}, {110, 2216, 48, 43}, {105, 2413, 2213, 54},
                                   {111, 2404, 2406, 0},    {112, 34, 1643, 32}, {107, 11, 18, 22},
                                   {109, 61, 2209, 63},     {106, 2122, 5, 3}};

// ------------------------------------------------ parsing
std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

int ToInt(std::string_view w) {
    long long v = 0;
    const char* first = w.data();
    const char* last = w.data() + w.size();
    if (first != last && *first == '+') ++first;
    std::from_chars(first, last, v);
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

// Argument i of a command (after its name); a missing number is 0.
int Arg(const std::vector<std::string_view>& w, size_t i) {
    return i + 1 < w.size() ? ToInt(w[i + 1]) : 0;
}

std::u16string Line(const std::vector<std::u16string>& lines, int index) {
    if (index < 0 || static_cast<size_t>(index) >= lines.size()) return {};
    return lines[static_cast<size_t>(index)];
}

constexpr int kFarPlace = 1 << 20;

int ClampSide(int v) {
    return std::clamp(v, 0, GenericGump::maxSide);
}

void TextSize(const std::u16string& text, int* w, int* h) {
    int width = 0, height = 0, third = 0;
    UnicodeCalcInfo(text.c_str(), &width, &height, &third);
    *w = width;
    *h = height;
}

void ArtSize(int art, int* w, int* h) {
    *w = *h = 0;
    if (art < 0 || art > kMaxGumpArtId) return;
    GetGumpArtSize(art, w, h);
}

// The art.def alternative of an item art index, and its extra value.
int ItemAlternative(int index, int* extra) {
    *extra = 0;
    DefTable* table = DefManager::GetTable(DefManager::Art);
    if (!table) return index;
    const DefTable::Entry* e = table->Find(index);
    if (!e) return index;
    *extra = e->extra;
    return table->PickAlternative(index, 0);
}

void ItemArtSize(int id, int* w, int* h) {
    *w = *h = 0;
    const int index = id + kFirstItemArtId;
    if (index < kFirstItemArtId || index > kMaxArtId) return;
    if (const ArtItem* art = GetArt(index)) {
        *w = art->width;
        *h = art->height;
    }
}

std::u16string Localized(int number, size_t cut) {
    CWideString s;
    LanguageManager::getLocalizedString(s, number);
    std::u16string out = s.GetText() ? std::u16string(s.GetText()) : std::u16string();
    if (out.size() > cut) out.resize(cut);
    return out;
}

class Parser {
  public:
    Parser(const std::vector<std::u16string>& lines) : lines_(lines) {}

    void Command(std::string_view body, GumpLayout& out) {
        std::vector<std::string_view> w = Words(body);
        if (w.empty()) return;
        std::string name(w[0]);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto item = std::make_unique<Item>();
        Item& it = *item;
        it.x = Arg(w, 0);
        it.y = Arg(w, 1);
        if (name == "page") {
            page_ = Arg(w, 0);
            return;
        } else if (name == "nodispose") {
            out.disposable = false;
            return;
        } else if (name == "nomove") {
            out.movable = false;
            return;
        } else if (name == "noclose") {
            out.closable = false;
            return;
        } else if (name == "group") {
            it.kind = Item::Group;
            it.x = it.y = 0;
            const int n = Arg(w, 0);
            it.group = n;
            Item* placed = Place(std::move(item), out);
            group_ = n;
            if (placed) groups_[n] = placed;
            return;
        } else if (name == "gumppic") {
            if (w.size() < 4) return;
            it.kind = Item::GumpPic;
            it.art = Arg(w, 2);
            for (size_t i = 4; i < w.size(); ++i) {
                const size_t eq = w[i].find('=');
                if (eq == std::string_view::npos) continue;
                std::string_view key = w[i].substr(0, eq), value = w[i].substr(eq + 1);
                if (key == "hue")
                    it.hue = ToInt(value);
                else if (key == "class" && value.size() == 14) {
                    std::string v(value);
                    for (char& c : v)
                        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    if (v == "virtuegumpitem") it.virtue = true;
                }
            }
            ArtSize(it.art, &it.width, &it.height);
        } else if (name == "tilepic" || name == "tilepichue") {
            it.kind = Item::TilePic;
            if (w.size() > 3) {
                std::string_view third = w[3];
                const size_t comma = third.find(',');
                it.art = ToInt(third.substr(0, comma));
                if (comma != std::string_view::npos) it.hue = ToInt(third.substr(comma + 1));
            }
            if (name == "tilepichue") it.hue = Arg(w, 3);
            // Ids outside the art table name nothing; kept where their index still fits.
            it.art = std::clamp(it.art, -1, kMaxArtId - kFirstItemArtId + 1);
            int extra = 0;
            const int index = it.art + kFirstItemArtId;
            const int alt = ItemAlternative(index, &extra);
            if (alt != index) it.art = alt - kFirstItemArtId;
            ItemArtSize(it.art, &it.width, &it.height);
        } else if (name == "text") {
            it.kind = Item::Text;
            it.hue = Arg(w, 2);
            it.text = Line(lines_, Arg(w, 3));
            TextSize(it.text, &it.width, &it.height);
            it.width = std::min(it.width, INT32_MAX - 2) + 2;
            it.height = std::min(it.height, INT32_MAX - 2) + 2;
        } else if (name == "croppedtext" || name == "textentry") {
            const bool entry = name == "textentry";
            it.kind = entry ? Item::TextEntry : Item::CroppedText;
            it.width = static_cast<int>(std::min<int64_t>(int64_t{Arg(w, 2)} + 2, INT32_MAX));
            it.height = static_cast<int>(std::min<int64_t>(int64_t{Arg(w, 3)} + 2, INT32_MAX));
            it.hue = Arg(w, 4);
            if (entry) {
                it.id = Arg(w, 5);
                it.text = Line(lines_, Arg(w, 6));
                if (it.text.size() > GenericGump::kMaxEntryText) it.text.resize(GenericGump::kMaxEntryText);
            } else {
                it.text = Line(lines_, Arg(w, 5));
            }
        } else if (name == "radio" || name == "checkbox") {
            it.kind = name == "radio" ? Item::Radio : Item::CheckBox;
            it.art = Arg(w, 2);
            it.art2 = Arg(w, 3);
            it.parameter = it.state = Arg(w, 4) != 0 ? 1 : 0;
            it.id = Arg(w, 5);
            ArtSize(it.art, &it.width, &it.height);
        } else if (name == "button") {
            it.kind = Item::Button;
            it.art = Arg(w, 2);
            it.art2 = Arg(w, 3);
            const int type = Arg(w, 4), pageTo = Arg(w, 5);
            it.buttonFlags = (type != 0 ? Item::kReplyFlag : 0) | (pageTo != 0 ? Item::kPageFlag : 0);
            it.parameter = pageTo;
            it.id = Arg(w, 6);
            ArtSize(it.art, &it.width, &it.height);
        } else if (name == "resizepic") {
            it.kind = Item::ResizePic;
            it.art = Arg(w, 2);
            it.width = Arg(w, 3);
            it.height = Arg(w, 4);
        } else if (name == "htmlgump" || name == "xmfhtmlgump" || name == "xmfhtmlgumpcolor") {
            it.kind = Item::Html;
            it.width = Arg(w, 2);
            it.height = Arg(w, 3);
            it.text = name == "htmlgump" ? Line(lines_, Arg(w, 4)) : Localized(Arg(w, 4), 1023);
            const int background = Arg(w, 5), scrollbar = Arg(w, 6);
            it.htmlFlags = (background != 0 ? 0x2002u : 0x2082u) | (scrollbar == 0 ? 4u : 0u);
            int colour = name == "xmfhtmlgumpcolor" ? Arg(w, 7) : 0;
            if (colour == 0) colour = (scrollbar == 0 || background != 0) ? 1 : 31710;
            it.htmlColour = colour;
        } else if (name == "checkertrans") {
            it.kind = Item::CheckerTrans;
            it.width = Arg(w, 2);
            it.height = Arg(w, 3);
        } else if (name == "gumppictiled") {
            it.kind = Item::GumpPicTiled;
            it.width = Arg(w, 2);
            it.height = Arg(w, 3);
            it.art = Arg(w, 4);
        } else {
            return;
        }
        it.width = ClampSide(it.width);
        it.height = ClampSide(it.height);
        // Places far outside any bitmap draw nothing; kept within a range whose sums fit.
        it.x = std::clamp(it.x, -kFarPlace, kFarPlace);
        it.y = std::clamp(it.y, -kFarPlace, kFarPlace);
        Place(std::move(item), out);
    }

  private:
    Item* Place(std::unique_ptr<Item> item, GumpLayout& out) {
        item->page = page_;
        if (item->kind != Item::Group) item->group = group_;
        Item* raw = item.get();
        if (group_ == 0) {
            out.items.push_back(std::move(item));
            return raw;
        }
        auto found = groups_.find(group_);
        if (found == groups_.end()) return nullptr;
        raw->parent = found->second;
        found->second->children.push_back(std::move(item));
        return raw;
    }

    const std::vector<std::u16string>& lines_;
    int page_ = 0;
    int group_ = 0;
    std::map<int, Item*> groups_;
};

// ------------------------------------------------ drawing helpers
// Grows the bitmap to hold (right, bottom), keeping its pixels, at most maxSide each way.
void Grow(PixelBlock& bitmap, int64_t right, int64_t bottom) {
    const int w = static_cast<int>(std::clamp<int64_t>(right, bitmap.width, GenericGump::maxSide));
    const int h = static_cast<int>(std::clamp<int64_t>(bottom, bitmap.height, GenericGump::maxSide));
    if (w == bitmap.width && h == bitmap.height) return;
    PixelBlock grown(w, h);
    for (int y = 0; y < bitmap.height && y < h; ++y)
        std::copy_n(&bitmap.pixels[static_cast<size_t>(y) * bitmap.width], std::min(bitmap.width, w),
                    &grown.pixels[static_cast<size_t>(y) * w]);
    bitmap = std::move(grown);
}

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
}

// The non-zero pixels of a work buffer at (x, y); with halve, the bitmap's other pixels under it
// are halved.
void CopyKeyed(const PixelBlock& work, PixelBlock& bitmap, int x, int y, bool halve) {
    const int firstRow = std::max(0, -y), lastRow = std::min(work.height, bitmap.height - y);
    const int firstCol = std::max(0, -x), lastCol = std::min(work.width, bitmap.width - x);
    const int count = lastCol - firstCol;
    if (count <= 0) return;
    for (int row = firstRow; row < lastRow; ++row) {
        const uint16_t* from = work.pixels.data() + static_cast<size_t>(row) * work.width + firstCol;
        uint16_t* to = &bitmap.At(x + firstCol, y + row);
        if (!halve) {
            CopySpanKeyed(to, from, count);
            continue;
        }
        for (int i = 0; i < count; ++i)
            to[i] = from[i] != 0 ? from[i] : static_cast<uint16_t>((to[i] >> 1) & 0x7DEF);
    }
}

struct HueScope {
    int saved = GetCurrentHueIndex();
    explicit HueScope(int hue) { SetCurrentHueIndex(hue - 1); }
    ~HueScope() { SetCurrentHueIndex(saved); }
};

} // namespace

GumpLayout ParseGumpLayout(std::string_view layout, const std::vector<std::u16string>& lines) {
    GumpLayout out;
    Parser parser(lines);
    size_t i = 0;
    while (i < layout.size()) {
        const size_t open = layout.find('{', i);
        if (open == std::string_view::npos) break;
        size_t close = layout.find('}', open + 1);
        if (close == std::string_view::npos) close = layout.size();
        parser.Command(layout.substr(open + 1, close - open - 1), out);
        i = close + 1;
    }
    return out;
}

// ------------------------------------------------ the gump

GenericGump::GenericGump(int x_, int y_, std::string_view layout, const std::vector<std::u16string>& lines,
                         uint32_t serial_, uint32_t typeId_)
    : CGump(x_, y_, 0, 1, 1, 1), serial(serial_), typeId(typeId_) {
    debugName = "generic gump";
    GumpLayout parsed = ParseGumpLayout(layout, lines);
    movable = parsed.movable;
    closable = parsed.closable;
    SetKind(GumpKind::Generic, GumpTrait::kBase);
    SetTrait(GumpTrait::Disposable, parsed.disposable);
    items_ = std::move(parsed.items);
    SetFrame(0, PixelBlock(1, 1));
    Attach(nullptr);
    MakeBoxes(items_);
    Render();
}

GenericGump::~GenericGump() = default;

void GenericGump::MakeBoxes(std::vector<std::unique_ptr<GenericGumpItem>>& list) {
    for (auto& item : list) {
        if (item->kind == Item::Html) {
            item->box = new HTMLBox(this, 0, item->htmlFlags, false, true);
            item->box->SetRect(Rect{item->x, item->y, item->width, item->height});
            item->box->SetText(item->text.c_str(), item->htmlColour);
        }
        MakeBoxes(item->children);
    }
}

std::function<uint32_t()>& GenericGump::PlayerSerial() {
    static std::function<uint32_t()> source = [] { return pPlayerObject ? pPlayerObject->serial : 0u; };
    return source;
}

GenericGump* GenericGump::Open(const GenericGumpPacket& packet) {
    return new GenericGump(packet.x, packet.y, packet.layout, packet.lines, packet.serial, packet.typeId);
}

void GenericGump::BindSlot() {
    GetServerWindowSlots().genericGump = [](const GenericGumpPacket& p) { Open(p); };
}

// ------------------------------------------------ drawing

void GenericGump::HideBoxes(GenericGumpItem& item) {
    if (item.box) item.box->visible = false;
    for (auto& c : item.children)
        HideBoxes(*c);
}

namespace {
// The extent of the items drawn on this page, so that the bitmap is made once at its final size.
void Extent(const GenericGumpItem& it, int64_t* right, int64_t* bottom) {
    if (it.kind != Item::Group && it.width > 0 && it.height > 0) {
        *right = std::max(*right, int64_t{it.x} + it.width);
        *bottom = std::max(*bottom, int64_t{it.y} + it.height);
    }
    for (const auto& c : it.children)
        if (c->page == 0 || c->page == it.subPage) Extent(*c, right, bottom);
}
} // namespace

void GenericGump::Render() {
    int64_t right = 1, bottom = 1;
    for (const auto& item : items_)
        if (OnPage(*item)) Extent(*item, &right, &bottom);
    // Every click and key renders again: the bitmap of the last render is reused.
    PixelBlock* frame = Frame(0);
    PixelBlock& bitmap = frame ? *frame : SetFrame(0, PixelBlock());
    bitmap.Resize(static_cast<int>(std::min<int64_t>(right, maxSide)),
                  static_cast<int>(std::min<int64_t>(bottom, maxSide)));
    bitmap.Clear();
    for (auto& item : items_) {
        if (OnPage(*item))
            DrawItem(*item, bitmap);
        else
            HideBoxes(*item);
    }
    width = bitmap.width;
    height = bitmap.height;
}

void GenericGump::DrawItem(GenericGumpItem& it, PixelBlock& bitmap) {
    const bool area = it.width > 0 && it.height > 0;
    if (it.kind != Item::Group && area) Grow(bitmap, int64_t{it.x} + it.width, int64_t{it.y} + it.height);
    const Rect rect{it.x, it.y, it.x + it.width, it.y + it.height};
    BlitTarget target = TargetOf(bitmap);
    switch (it.kind) {
    case Item::GumpPic:
    case Item::Button:
    case Item::CheckBox:
    case Item::Radio: {
        if (!area) break;
        const int art = it.state ? it.art2 : it.art;
        const GumpArtItem* picture = art >= 0 && art <= kMaxGumpArtId ? GetGumpArt(art) : nullptr;
        if (!picture) break;
        if (it.hue != 0) {
            HueScope hue(it.hue);
            DrawGumpArtTo(target, HueSpanKeyed, picture, kNoClip, it.x, it.y);
        } else {
            DrawGumpArtTo(target, CopySpanKeyed, picture, kNoClip, it.x, it.y);
        }
        break;
    }
    case Item::TilePic: {
        if (!area) break;
        int extra = 0;
        const int index = ItemAlternative(it.art + kFirstItemArtId, &extra);
        const ArtItem* art = index >= kFirstItemArtId && index <= kMaxArtId ? GetArt(index) : nullptr;
        if (!art) break;
        const int hue = extra != 0 ? extra : it.hue;
        if (hue != 0) {
            HueScope scope(hue);
            DrawArtTo(target, HueSpanKeyed, art, rect, it.x, it.y);
        } else {
            DrawArtTo(target, CopySpanKeyed, art, rect, it.x, it.y);
        }
        break;
    }
    case Item::ResizePic: {
        // The frame reads the arts from art to art + 18.
        if (!area || it.art < 0 || it.art > kMaxGumpArtId - 18) break;
        // Drawn in place, cut to its own rectangle as if drawn alone and copied over.
        target.valid = IntersectRect(target.valid, rect);
        if (!target.valid.IsEmpty()) DrawGumpFrameRect(it.x, it.y, it.width, it.height, it.art, target, true);
        break;
    }
    case Item::Text:
    case Item::TextEntry:
    case Item::CroppedText: {
        if (!area) break;
        std::u16string shown = it.text;
        if (it.kind == Item::CroppedText && UnicodeGetStringWidth(shown.c_str()) > it.width) {
            const int dots = UnicodeGetStringWidth(u"...");
            while (!shown.empty() && UnicodeGetStringWidth(shown.c_str()) + dots > it.width)
                shown.pop_back();
            shown += u"...";
        }
        if (it.kind == Item::TextEntry && it.state) shown += u"_";
        if (shown.empty() && !it.bordered) break;
        // Without a border only the text and its outline are copied: the buffer need not pass them.
        int tw = it.width, th = it.height;
        if (!it.bordered) {
            TextSize(shown, &tw, &th);
            tw = std::min(it.width, tw + 3);
            th = std::min(it.height, th + 3);
        }
        PixelBlock work(tw, th);
        if (it.bordered) {
            for (int c = 0; c < work.width; ++c)
                work.At(c, 0) = work.At(c, work.height - 1) = 0x7FC0;
            for (int r = 0; r < work.height; ++r)
                work.At(0, r) = work.At(work.width - 1, r) = 0x7FC0;
        }
        const uint16_t colour = HueManager::ResolveHueColours(it.hue)[30];
        UnicodeDrawString(TargetOf(work), shown.c_str(), 1, 1, colour, kNoClip);
        OutlineBitmap(work.pixels.data(), work.width, work.height, 1);
        CopyKeyed(work, bitmap, it.x, it.y, it.bordered);
        break;
    }
    case Item::Html:
        if (it.box) it.box->visible = true;
        break;
    case Item::CheckerTrans: {
        const int left = std::max(it.x, 0), top = std::max(it.y, 0);
        const int right = static_cast<int>(std::min<int64_t>(int64_t{it.x} + it.width, bitmap.width));
        const int bottom = static_cast<int>(std::min<int64_t>(int64_t{it.y} + it.height, bitmap.height));
        for (int py = top; py < bottom; ++py)
            for (int px = left; px < right; ++px)
                if (((px - it.x) + (py - it.y)) % 2 == 0) bitmap.At(px, py) = 0;
        break;
    }
    case Item::GumpPicTiled:
        if (area && it.art >= 0 && it.art <= kMaxGumpArtId)
            TileGumpArtRect(it.x, it.y, it.width, it.height, it.art, bitmap);
        break;
    default:
        break;
    }
    for (auto& c : it.children) {
        if (c->page == 0 || c->page == it.subPage)
            DrawItem(*c, bitmap);
        else
            HideBoxes(*c);
    }
}

// ------------------------------------------------ hits and hover

GenericGumpItem* GenericGump::HitTest(GenericGumpItem& it, int px, int py) {
    GenericGumpItem* hit = nullptr;
    for (auto& c : it.children)
        if (c->page == 0 || c->page == it.subPage)
            if (GenericGumpItem* h = HitTest(*c, px, py)) hit = h;
    if (hit) return hit;
    if (it.kind == Item::Group) return nullptr;
    if (it.kind == Item::Html)
        return it.box && it.box->IsPointInside(px - it.box->x, py - it.box->y) ? &it : nullptr;
    const int64_t right = int64_t{it.x} + it.width, bottom = int64_t{it.y} + it.height;
    return px >= it.x && py >= it.y && px < right && py < bottom ? &it : nullptr;
}

bool GenericGump::IsPointInside(int px, int py) {
    for (auto& item : items_)
        if (OnPage(*item) && HitTest(*item, px, py)) return true;
    return false;
}

void GenericGump::Hover(GenericGumpItem& it, int px, int py) {
    const bool wasOut = it.hoverX == -1 && it.hoverY == -1;
    const bool isOut = px == -1 && py == -1;
    if (wasOut && !isOut)
        Enter(it);
    else if (!wasOut && isOut)
        Leave(it);
    it.hoverX = px;
    it.hoverY = py;
}

void GenericGump::Enter(GenericGumpItem& it) {
    if (!it.virtue) return;
    std::u16string text = u"INVALID";
    for (int i = 0; i < 8; ++i) {
        if (kVirtues[i].art != it.art) continue;
        int k = i;
        if (it.hue == kVirtues[i].hue1)
            k += 8;
        else if (it.hue == kVirtues[i].hue2)
            k += 16;
        else if (it.hue == kVirtues[i].hue3)
            k += 24;
        text = u" " + Localized(1051000 + k, 1023);
        break;
    }
    if (!it.label) {
        auto label = std::make_unique<Item>();
        label->kind = Item::Text;
        label->bordered = true;
        it.label = label.get();
        items_.push_back(std::move(label));
    }
    Item& l = *it.label;
    l.text = text;
    l.hue = it.hue;
    int w = 0, h = 0;
    TextSize(text, &w, &h);
    l.width = ClampSide(w + 8);
    l.height = ClampSide(h + 4);
    l.x = 155 - l.width / 2;
    l.y = 165 - l.height / 2;
    Render();
}

void GenericGump::Leave(GenericGumpItem& it) {
    if (!it.virtue || !it.label) return;
    it.label->text.clear();
    it.label->width = it.label->height = 0;
    Render();
}

void GenericGump::HandleMouseMove(int px, int py) {
    static int lastX = -1, lastY = -1;
    if (px == lastX && py == lastY) return;
    lastX = px;
    lastY = py;
    CGump::HandleMouseMove(px, py);
    std::set<GenericGumpItem*> hits;
    if (px != -1 || py != -1)
        for (auto& item : items_)
            if (OnPage(*item))
                if (GenericGumpItem* hit = HitTest(*item, px, py)) hits.insert(hit);
    // Items hit hear the point; every other item that heard one hears that the mouse left.
    std::function<void(GenericGumpItem&)> walk = [&](GenericGumpItem& it) {
        if (hits.count(&it))
            Hover(it, px, py);
        else if (it.hoverX != -1 || it.hoverY != -1)
            Hover(it, -1, -1);
        for (auto& c : it.children)
            walk(*c);
    };
    for (size_t i = 0; i < items_.size(); ++i)
        walk(*items_[i]);
}

// ------------------------------------------------ buttons

bool GenericGump::ButtonDown(GenericGumpItem& it) {
    switch (it.kind) {
    case Item::Button:
        pressedControl = &it;
        it.state = 1;
        Render();
        break;
    case Item::CheckBox:
    case Item::Radio:
        pressedControl = &it;
        break;
    case Item::TextEntry:
        if (focused && CGumpManager::GetFocus() == this) {
            // The focus moves between entries of this gump: one render below shows both changes,
            // where losing the focus would render the whole gump once more first.
            focused->state = 0;
            focused = nullptr;
        }
        CGumpManager::KillFocus();
        CGumpManager::SetFocus(this);
        focused = &it;
        it.state = 1;
        Render();
        break;
    case Item::GumpPic:
        if (it.virtue) {
            const int64_t now = GetGameTicks();
            if (it.lastClick >= 0 && now - it.lastClick <= platform::GetDoubleClickTime()) {
                SendServerWindowPacket(BuildVirtueReply(PlayerSerial() ? PlayerSerial()() : 0, it.art));
                it.lastClick = -1;
            } else {
                it.lastClick = now;
            }
            return false;
        }
        break;
    default:
        break;
    }
    return true;
}

bool GenericGump::ButtonUp(GenericGumpItem& it, int px, int py) {
    pressedControl = nullptr;
    const bool inside =
        px >= it.x && py >= it.y && px < int64_t{it.x} + it.width && py < int64_t{it.y} + it.height;
    switch (it.kind) {
    case Item::Button:
        if (inside) {
            if (it.buttonFlags & Item::kReplyFlag) {
                SendReply(static_cast<uint32_t>(it.id));
                // Freed at the next safe point: the caller still releases the capture.
                Close();
                return false;
            }
            if (it.buttonFlags & Item::kPageFlag) {
                if (it.parent)
                    it.parent->subPage = it.parameter;
                else
                    currentPage = it.parameter;
            }
        }
        it.state = 0;
        Render();
        break;
    case Item::CheckBox:
        if (inside) {
            it.state = it.state ? 0 : 1;
            Render();
        }
        break;
    case Item::Radio:
        if (inside && !it.state) {
            auto& siblings = it.parent ? it.parent->children : items_;
            for (auto& s : siblings)
                if (s->kind == Item::Radio) s->state = 0;
            it.state = 1;
            Render();
        }
        break;
    case Item::GumpPic:
        if (it.virtue) return false;
        break;
    default:
        break;
    }
    return true;
}

void GenericGump::HandleLButtonDown(int px, int py) {
    BringToFront(false);
    pressed = true;
    pressX = px;
    pressY = py;
    for (size_t i = 0; i < items_.size() && !IsClosed(); ++i) {
        Item& item = *items_[i];
        if (!OnPage(item)) continue;
        if (GenericGumpItem* hit = HitTest(item, px, py))
            if (!ButtonDown(*hit)) break;
    }
}

void GenericGump::HandleLButtonUp(int px, int py) {
    pressed = false;
    for (size_t i = 0; i < items_.size() && !IsClosed(); ++i) {
        Item& item = *items_[i];
        if (!OnPage(item)) continue;
        if (GenericGumpItem* hit = HitTest(item, pressX, pressY))
            if (!ButtonUp(*hit, px, py)) break;
    }
    pressedControl = nullptr;
    CGump::HandleLButtonUp(px, py);
}

void GenericGump::HandleRButtonUp(int px, int py) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    (void)px;
    (void)py;
    if (!closable) return;
    SendReply(0);
    Close();
}

void GenericGump::HandleCaptureMove(int px, int py) {
    if (movable && pressed && !pressedControl) MoveBy(px - pressX, py - pressY, true, nullptr, true);
}

void GenericGump::OnFocusLost() {
    if (focused && focused->kind == Item::TextEntry) {
        focused->state = 0;
        focused = nullptr;
        Render();
    }
    focused = nullptr;
}

void GenericGump::HandleKey(int key) {
    if (!focused || focused->kind != Item::TextEntry) return;
    std::u16string& text = focused->text;
    switch (key) {
    case 8:
    case 0xE02E:
        if (!text.empty()) {
            text.pop_back();
            Render();
        }
        return;
    case 9:
        return;
    case 13:
    case 27:
        CGumpManager::KillFocus();
        return;
    default:
        break;
    }
    if (key >= 0xE023 && key <= 0xE028) return;
    if (key <= 0 || key > 0xFFFF) return;
    const auto unit = static_cast<char16_t>(key);
    if (!UnicodeHasGlyph(unit) || text.size() >= kMaxEntryText) return;
    text.push_back(unit);
    Render();
}

// ------------------------------------------------ the reply

void GenericGump::Collect(const GenericGumpItem& it, std::vector<uint32_t>& switches,
                          std::vector<GumpReplyText>& texts) {
    for (const auto& c : it.children)
        Collect(*c, switches, texts);
    if ((it.kind == Item::CheckBox || it.kind == Item::Radio) && it.state)
        switches.push_back(static_cast<uint32_t>(it.id));
    if (it.kind == Item::TextEntry) texts.push_back(GumpReplyText{static_cast<uint16_t>(it.id), it.text});
}

void GenericGump::SendReply(uint32_t buttonId) {
    if (serial == 0) return;
    std::vector<uint32_t> switches;
    std::vector<GumpReplyText> texts;
    for (const auto& item : items_)
        Collect(*item, switches, texts);
    SendServerWindowPacket(BuildGumpReply(serial, typeId, buttonId, switches, texts));
}

void GenericGump::CloseWithReply(uint32_t type, uint32_t buttonId) {
    if (type != typeId || IsClosed()) return;
    SendReply(buttonId);
    Close();
}
