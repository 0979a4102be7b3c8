#include "artview/ArtRender.h"

#include "render/Art.h"
#include "render/BlitTarget.h"
#include "render/GumpArt.h"
#include "render/Ppm.h"

#include <cstdio>
#include <string>

namespace artview {

int ArtIdOf(const Request& request) {
    switch (request.kind) {
    case Kind::Land:
        return request.id >= 0 && request.id <= kMaxLandArtId ? request.id : -1;
    case Kind::Item:
        return request.id >= 0 && request.id <= kMaxArtId - kFirstItemArtId ? request.id + kFirstItemArtId
                                                                            : -1;
    case Kind::Gump:
        return request.id >= 0 && request.id <= kMaxGumpArtId ? request.id : -1;
    }
    return -1;
}

SpanOp SpanOpOf(const Request& request) {
    if (request.hue == 0) return CopySpanKeyed;
    return request.partial ? PartialHueSpanKeyed : HueSpanKeyed;
}

namespace {

bool SizeOf(Kind kind, int artId, int& width, int& height, std::string* error) {
    if (kind == Kind::Gump) {
        GetGumpArtSize(artId, &width, &height);
    } else {
        const ArtItem* art = GetArt(artId);
        width = art ? art->width : 0;
        height = art ? art->height : 0;
    }
    if (width > 0 && height > 0) return true;
    char id[16];
    std::snprintf(id, sizeof id, "0x%04X", artId);
    if (error) *error = std::string("no such item (") + (kind == Kind::Gump ? "gump " : "art ") + id + ")";
    return false;
}

} // namespace

bool DrawInto(Image& image, Kind kind, int id, SpanOp op, int x, int y, std::string* error) {
    Request request{kind, id, 0, false};
    int artId = ArtIdOf(request);
    int width = 0, height = 0;
    if (artId < 0 || !SizeOf(kind, artId, width, height, error)) {
        if (error && artId < 0) *error = "id out of range";
        return false;
    }
    BlitTarget target = MakeBlitTarget(image.pixels.data(), image.width, image.height);
    if (kind == Kind::Gump)
        DrawGumpArtTo(target, op, GetGumpArt(artId), kNoClip, x, y);
    else
        DrawArtTo(target, op, GetArt(artId), kNoClip, x, y);
    return true;
}

bool Render(const Request& request, Image& out, std::string* error) {
    int artId = ArtIdOf(request);
    if (artId < 0) {
        if (error) *error = "id out of range";
        return false;
    }
    int width = 0, height = 0;
    if (!SizeOf(request.kind, artId, width, height, error)) return false;
    out = Image{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height, 0)};
    if (request.hue != 0) SetCurrentHueIndex(request.hue - 1);
    return DrawInto(out, request.kind, request.id, SpanOpOf(request), 0, 0, error);
}

std::vector<uint8_t> ToPpm(const Image& image) {
    return EncodePpm(image.pixels.data(), image.width, image.height);
}

} // namespace artview
