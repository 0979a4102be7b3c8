#pragma once
// Renders one line of text through the client's own fonts onto a canvas of the line's measured
// width and height.
#include <cstdint>
#include <string>
#include <vector>

namespace textview {

enum class FontKind { Bitmap, Unicode };

struct Request {
    FontKind kind = FontKind::Bitmap;
    int font = 0;
    std::string text; // UTF-8; bitmap fonts take the code points up to 255
    int hue = 0;      // hue number; 0 draws the font's own colours (white for unicode fonts)
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels; // 5-5-5, 0 black
};

// The fonts must be loaded (FontManager) or loadable (the unicode fonts) from the file manager.
bool Render(const Request& request, Image& out, std::string* error);

} // namespace textview
