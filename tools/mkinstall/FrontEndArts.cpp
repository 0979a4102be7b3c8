#include "mkinstall/FrontEndArts.h"

#include "mkinstall/Glyphs.h"

#include "platform/platform.h"

#include <algorithm>

namespace mkinstall {
namespace {

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

const uint16_t kGold = Rgb(30, 24, 6);
const uint16_t kDarkGold = Rgb(16, 12, 3);
const uint16_t kNight = Rgb(3, 4, 9);
const uint16_t kShadow = Rgb(1, 1, 2);

Picture Blank(int w, int h, uint16_t colour = 0) {
    return Picture{w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, colour)};
}

void Put(Picture& p, int x, int y, uint16_t colour) {
    if (x >= 0 && y >= 0 && x < p.width && y < p.height)
        p.pixels[static_cast<size_t>(y) * p.width + x] = colour;
}

void Fill(Picture& p, int x0, int y0, int w, int h, uint16_t colour) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            Put(p, x, y, colour);
}

void Border(Picture& p, int x0, int y0, int w, int h, uint16_t colour) {
    for (int x = x0; x < x0 + w; ++x) {
        Put(p, x, y0, colour);
        Put(p, x, y0 + h - 1, colour);
    }
    for (int y = y0; y < y0 + h; ++y) {
        Put(p, x0, y, colour);
        Put(p, x0 + w - 1, y, colour);
    }
}

constexpr int kAdvance = kGlyphColumns + 1;

int TextWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * kAdvance - 1) * scale;
}

// The built-in 5 x 7 glyphs, each ink pixel a scale x scale block.
void Text(Picture& p, int x0, int y0, const std::string& text, int scale, uint16_t colour) {
    int x = x0;
    for (char c : text) {
        for (int row = 0; row < kGlyphRows; ++row)
            for (int col = 0; col < kGlyphColumns; ++col)
                if (BuiltinInk(static_cast<unsigned char>(c), col, row))
                    Fill(p, x + col * scale, y0 + row * scale, scale, scale, colour);
        x += kAdvance * scale;
    }
}

// Text with a one-pixel dark shadow, centred in the picture's width at y.
void CentredText(Picture& p, int y, const std::string& text, int scale, uint16_t colour, int dx = 0) {
    const int x = (p.width - TextWidth(text, scale)) / 2 + dx;
    Text(p, x + 1, y + 1, text, scale, kShadow);
    Text(p, x, y, text, scale, colour);
}

enum class Face { Normal, Hover, Pressed };

// A button: a panel with a rim and its caption; hover is brighter with a gold rim, pressed darker
// with the caption one pixel down and right.
Picture Button(int w, int h, const std::string& caption, Face face, int scale = 1) {
    // Red 0 under red 31 text: a hue (which recolours by the red channel) keeps them apart.
    uint16_t body = Rgb(0, 10, 18), rim = Rgb(16, 18, 24), ink = Rgb(29, 29, 29);
    if (face == Face::Hover) body = Rgb(11, 16, 28), rim = kGold, ink = Rgb(31, 31, 14);
    if (face == Face::Pressed) body = Rgb(3, 4, 8), rim = Rgb(9, 9, 12), ink = Rgb(21, 21, 21);
    Picture p = Blank(w, h, body);
    Border(p, 0, 0, w, h, rim);
    Border(p, 1, 1, w - 2, h - 2, face == Face::Pressed ? kShadow : Rgb(12, 14, 20));
    const int shift = face == Face::Pressed ? 1 : 0;
    CentredText(p, (h - kGlyphRows * scale) / 2 + shift, caption, scale, ink, shift);
    return p;
}

// The arrow buttons: a triangle pointing left or right above a short caption.
Picture ArrowButton(int w, int h, const std::string& caption, bool right, Face face) {
    Picture p = Button(w, h, "", face);
    const uint16_t ink = face == Face::Hover     ? Rgb(31, 31, 14)
                         : face == Face::Pressed ? Rgb(21, 21, 21)
                                                 : kGold;
    const int shift = face == Face::Pressed ? 1 : 0;
    const int cy = 10 + shift, half = 6;
    for (int i = 0; i <= 8; ++i) {
        const int x = right ? w / 2 - 4 + i : w / 2 + 4 - i;
        const int reach = half - i * half / 8;
        for (int y = cy - reach; y <= cy + reach; ++y)
            Put(p, x + shift, y, ink);
    }
    const int tx = (w - TextWidth(caption, 1)) / 2 + shift;
    Text(p, tx, h - kGlyphRows - 4 + shift, caption, 1,
         face == Face::Pressed ? Rgb(21, 21, 21) : Rgb(29, 29, 29));
    return p;
}

struct ButtonSpec {
    int base; // normal; the two that follow are given in order below
    int hover, pressed;
    int w, h;
    const char* caption;
    int scale;
};

// Front-end buttons: normal, hover and pressed ids as the screens name them.
const ButtonSpec kButtons[] = {
    {5507, 5508, 5509, 112, 20, "CREDITS", 1},
    {5510, 5511, 5512, 112, 20, "INTRO MOVIE", 1},
    {5513, 5514, 5515, 80, 26, "QUIT", 2},
    {5516, 5517, 5518, 112, 20, "MY ACCOUNT", 1},
    {5519, 5520, 5521, 112, 20, "WEB SITE", 1},
    {5522, 5523, 5524, 112, 20, "REGISTER", 1},
    {5525, 5526, 5527, 112, 20, "SUPPORT", 1},
    {5530, 5531, 5532, 110, 24, "DELETE", 1},
    {5533, 5534, 5535, 110, 24, "NEW CHARACTER", 1},
    {5608, 5609, 5610, 72, 20, "SELECT", 1},
    {1147, 1149, 1148, 64, 22, "OK", 1},
    {1144, 1146, 1145, 64, 22, "CANCEL", 1},
};

const ButtonSpec* FindButton(int id, Face* face) {
    for (const ButtonSpec& b : kButtons) {
        if (id == b.base || id == b.hover || id == b.pressed) {
            *face = id == b.base ? Face::Normal : id == b.hover ? Face::Hover : Face::Pressed;
            return &b;
        }
    }
    return nullptr;
}

Picture Tile() {
    Picture p = Blank(32, 32, kNight);
    for (int i = 0; i < 32; ++i) {
        Put(p, i, i, Rgb(5, 6, 12));
        Put(p, 31 - i, i, Rgb(4, 5, 11));
    }
    return p;
}

// The menu picture: a gold rule under the banner and the panel the left buttons stand on; the rest
// lets the tile show.
Picture MenuPicture() {
    Picture p = Blank(640, 480);
    Fill(p, 0, 40, 640, 2, kDarkGold);
    Fill(p, 6, 136, 128, 326, Rgb(5, 5, 9));
    Border(p, 6, 136, 128, 326, kDarkGold);
    Text(p, 20, 366, "MORE", 1, Rgb(18, 18, 20));
    return p;
}

Picture Banner() {
    Picture p = Blank(420, 32);
    Text(p, 12 + 2, 6 + 2, "VARNIS ONLINE", 3, kShadow);
    Text(p, 12, 6, "VARNIS ONLINE", 3, kGold);
    return p;
}

// A shield with the two initials.
Picture Crest() {
    const int w = 68 * 2, h = 220;
    Picture p = Blank(w, h);
    for (int y = 0; y < h; ++y) {
        const int inset = y < h * 2 / 3 ? 0 : (y - h * 2 / 3) * (w / 2) / (h / 3);
        for (int x = inset; x < w - inset; ++x) {
            const bool rim = x - inset < 4 || w - inset - 1 - x < 4 || y < 4;
            Put(p, x, y, rim ? kGold : Rgb(6, 8, 18));
        }
    }
    CentredText(p, 50, "VO", 7, kGold);
    CentredText(p, 120, "ACCOUNT", 1, Rgb(26, 26, 26));
    CentredText(p, 132, "LOGIN", 1, Rgb(26, 26, 26));
    return p;
}

// The account dialog's frame: gold edges round a dark blue centre.
Picture FramePiece(int piece) {
    const int c = 12, e = 16;
    const int w = piece % 3 == 1 ? e : c;
    const int h = piece / 3 == 1 ? e : c;
    Picture p = Blank(piece == 4 ? e : w, piece == 4 ? e : h, Rgb(4, 6, 12));
    if (piece == 4) return p;
    const bool top = piece / 3 == 0, bottom = piece / 3 == 2, left = piece % 3 == 0, right = piece % 3 == 2;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int dist = std::min(
                {top ? y : 99, bottom ? p.height - 1 - y : 99, left ? x : 99, right ? p.width - 1 - x : 99});
            if (dist < 3)
                Put(p, x, y, kGold);
            else if (dist < 5)
                Put(p, x, y, kDarkGold);
        }
    return p;
}

Picture PasswordDialog() {
    Picture p = Blank(400, 330, Rgb(4, 6, 12));
    Border(p, 0, 0, 400, 330, kGold);
    Border(p, 1, 1, 398, 328, kGold);
    Border(p, 4, 4, 392, 322, kDarkGold);
    return p;
}

Picture PasswordField(int state) {
    Picture p = Blank(240, 26, Rgb(2, 2, 4));
    Border(p, 0, 0, 240, 26, state == 0 ? Rgb(16, 18, 24) : kGold);
    return p;
}

} // namespace

std::string FrontEndButtonCaption(int gumpId) {
    Face face{};
    const ButtonSpec* b = FindButton(gumpId, &face);
    if (b) return b->caption;
    if (gumpId >= 5537 && gumpId <= 5539) return "BACK";
    if (gumpId >= 5540 && gumpId <= 5542) return "NEXT";
    return std::string();
}

Picture SampleFrontEndArt(int id) {
    Face face{};
    if (id == 5516) {
        // The account page's button is drawn disabled, in one hue: an open body lets its caption
        // stand on the panel behind it instead of on a body of nearly the caption's colour.
        Picture p = Blank(112, 20);
        Border(p, 0, 0, 112, 20, Rgb(16, 18, 24));
        CentredText(p, 6, "MY ACCOUNT", 1, Rgb(31, 31, 31));
        return p;
    }
    if (const ButtonSpec* b = FindButton(id, &face)) return Button(b->w, b->h, b->caption, face, b->scale);
    if (id >= 5537 && id <= 5539)
        return ArrowButton(23, 30, "BACK", false,
                           static_cast<Face>(id - 5537 == 0   ? 0
                                             : id - 5537 == 1 ? 1
                                                              : 2));
    if (id >= 5540 && id <= 5542)
        return ArrowButton(28, 30, "NEXT", true,
                           static_cast<Face>(id - 5540 == 0   ? 0
                                             : id - 5540 == 1 ? 1
                                                              : 2));
    if (id >= kLoginFrameArt && id <= kLoginFrameArt + 8) return FramePiece(id - kLoginFrameArt);
    switch (id) {
    case kMenuTileArt:
        return Tile();
    case kMenuPictureArt:
        return MenuPicture();
    case kMenuBannerArt:
        return Banner();
    case kLoginCrestArt:
        return Crest();
    case 1417: { // a round plate: the shard list's ornament and the profession buttons' ground
        Picture p = Blank(84, 82, 0);
        for (int y = 0; y < 82; ++y)
            for (int x = 0; x < 84; ++x) {
                const int dx = x - 42, dy = y - 41, d = dx * dx + dy * dy;
                if (d <= 40 * 40) Put(p, x, y, d >= 37 * 37 ? kGold : kNight);
            }
        return p;
    }
    case 1140:
        return PasswordDialog();
    case 1141:
    case 1142:
    case 1143:
        return PasswordField(id - 1141);
    default:
        return Picture{};
    }
}

void AddFrontEndArts(IndexedFile& gumps) {
    auto add = [&](int id) {
        const Picture p = SampleFrontEndArt(id);
        if (p.width > 0)
            AddItem(gumps, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    };
    for (int id :
         {kMenuTileArt, kMenuPictureArt, kMenuBannerArt, kLoginCrestArt, 1417, 1140, 1141, 1142, 1143})
        add(id);
    for (int id = kLoginFrameArt; id <= kLoginFrameArt + 8; ++id)
        add(id);
    for (int id = 5537; id <= 5542; ++id)
        add(id);
    for (const ButtonSpec& b : kButtons)
        for (int id : {b.base, b.hover, b.pressed})
            add(id);
}

std::string SampleVerinfo() {
    // An untagged line first: the reader passes over it.
    return "build 2026-12-10\r\nWin32_QV_Gold " + std::to_string(kSamplePatch) + "\r\n";
}

bool WriteFrontEndFiles(const std::string& dir, std::string* error) {
    const std::string path = dir + "/verinfo";
    const std::string text = SampleVerinfo();
    if (platform::AtomicReplaceFile(path, text.data(), text.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace mkinstall
