#pragma once
// Renders one art item through the client's own decoders and span operations into a picture,
// and writes pictures as binary PPM.
#include "render/SpanOps.h"

#include <cstdint>
#include <string>
#include <vector>

namespace artview {

enum class Kind { Land, Item, Gump };

struct Request {
    Kind kind = Kind::Item;
    int id = 0;           // land id, item graphic or gump id
    int hue = 0;          // hue number; 0 draws the art's own colours
    bool partial = false; // hue only the grey pixels
};

// 5-5-5 pixels; 0 (transparent) is written black.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};

// The art id of a request (item art id = graphic + 0x4000); -1 when out of range.
int ArtIdOf(const Request& request);
// The span operation a request draws with.
SpanOp SpanOpOf(const Request& request);

// The item alone on a transparent canvas of its own size (land: the full 44 x 44 diamond).
bool Render(const Request& request, Image& out, std::string* error);
// Draws the item into an existing picture at (x, y) with a given span operation.
bool DrawInto(Image& image, Kind kind, int id, SpanOp op, int x, int y, std::string* error);

// P6, each 5-bit channel widened as (c << 3) | (c >> 2).
std::vector<uint8_t> ToPpm(const Image& image);

} // namespace artview
