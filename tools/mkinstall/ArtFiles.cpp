#include "mkinstall/ArtFiles.h"
#include "mkinstall/Yard.h"

#include "mkinstall/ChatSamples.h"

#include "mkinstall/ControlArts.h"
#include "mkinstall/CreationFiles.h"
#include "mkinstall/CreditsFiles.h"
#include "mkinstall/CursorArt.h"
#include "mkinstall/EffectArts.h"
#include "mkinstall/FieldArts.h"
#include "mkinstall/FrontEndArts.h"
#include "mkinstall/ServerWindowArts.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mkinstall {
namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void SetU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Rgb(int r, int g, int b) {
    return static_cast<uint16_t>((r & 31) << 10 | (g & 31) << 5 | (b & 31));
}

uint16_t Grey(int level) {
    return Rgb(level, level, level);
}

int LandRowWidth(int row) {
    return row < 22 ? 2 * (row + 1) : 2 * (44 - row);
}

bool Write(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes, std::string* error) {
    std::string path = dir + "/" + name;
    if (platform::AtomicReplaceFile(path, bytes.data(), bytes.size())) return true;
    if (error) *error = "cannot write " + path;
    return false;
}

} // namespace

namespace {
void PutItem(IndexedFile& file, int id, const std::vector<uint8_t>& bytes, int32_t extra, bool replace) {
    size_t at = static_cast<size_t>(id) * 12;
    while (file.index.size() < at + 12) {
        PutU32(file.index, 0xFFFFFFFFu);
        PutU32(file.index, 0);
        PutU32(file.index, 0);
    }
    // Two sample writers claiming one id would silently replace each other's art.
    if (!replace && GetU32(file.index.data() + at) != 0xFFFFFFFFu) {
        std::fprintf(stderr, "mkinstall: item %d is written twice\n", id);
        std::abort();
    }
    SetU32(file.index, at, static_cast<uint32_t>(file.data.size()));
    SetU32(file.index, at + 4, static_cast<uint32_t>(bytes.size()));
    SetU32(file.index, at + 8, static_cast<uint32_t>(extra));
    file.data.insert(file.data.end(), bytes.begin(), bytes.end());
}
} // namespace

void AddItem(IndexedFile& file, int id, const std::vector<uint8_t>& bytes, int32_t extra) {
    PutItem(file, id, bytes, extra, false);
}

void ReplaceItem(IndexedFile& file, int id, const std::vector<uint8_t>& bytes, int32_t extra) {
    PutItem(file, id, bytes, extra, true);
}

const uint8_t* FindItem(const IndexedFile& file, int id, int& length, int& extra) {
    length = 0;
    extra = 0;
    if (id < 0 || static_cast<size_t>(id) * 12 + 12 > file.index.size()) return nullptr;
    const uint8_t* record = file.index.data() + static_cast<size_t>(id) * 12;
    int32_t offset = static_cast<int32_t>(GetU32(record));
    int32_t size = static_cast<int32_t>(GetU32(record + 4));
    if (offset < 0 || size <= 0 || static_cast<size_t>(offset) + static_cast<size_t>(size) > file.data.size())
        return nullptr;
    length = size;
    extra = static_cast<int32_t>(GetU32(record + 8));
    return file.data.data() + offset;
}

std::vector<uint8_t> EncodeLandArt(const std::vector<uint16_t>& diamondPixels) {
    std::vector<uint8_t> out;
    for (uint16_t p : diamondPixels)
        PutU16(out, p);
    return out;
}

std::vector<uint8_t> EncodeItemArt(int width, int height, const std::vector<uint16_t>& pixels) {
    std::vector<uint16_t> runs; // every row's runs, in words
    std::vector<uint16_t> lineStarts;
    for (int y = 0; y < height; ++y) {
        lineStarts.push_back(static_cast<uint16_t>(runs.size()));
        int x = 0, end = 0; // end: column after the previous run
        while (x < width) {
            if (pixels[static_cast<size_t>(y) * width + x] == 0) {
                ++x;
                continue;
            }
            int start = x;
            while (x < width && pixels[static_cast<size_t>(y) * width + x] != 0)
                ++x;
            runs.push_back(static_cast<uint16_t>(start - end));
            runs.push_back(static_cast<uint16_t>(x - start));
            for (int c = start; c < x; ++c)
                runs.push_back(pixels[static_cast<size_t>(y) * width + c]);
            end = x;
        }
        runs.push_back(0);
        runs.push_back(0);
    }
    std::vector<uint8_t> out;
    PutU32(out, static_cast<uint32_t>(runs.size() * 2)); // the run table's size in bytes
    PutU16(out, static_cast<uint32_t>(width));
    PutU16(out, static_cast<uint32_t>(height));
    for (uint16_t s : lineStarts)
        PutU16(out, s);
    for (uint16_t w : runs)
        PutU16(out, w);
    return out;
}

std::vector<uint8_t> EncodeGumpArt(int width, int height, const std::vector<uint16_t>& pixels) {
    std::vector<uint32_t> words(static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        words[y] = static_cast<uint32_t>(words.size());
        for (int x = 0; x < width;) {
            uint16_t colour = pixels[static_cast<size_t>(y) * width + x];
            int start = x;
            while (x < width && pixels[static_cast<size_t>(y) * width + x] == colour && x - start < 0xFFFF)
                ++x;
            words.push_back(static_cast<uint32_t>(x - start) << 16 | colour);
        }
    }
    std::vector<uint8_t> out;
    for (uint32_t w : words)
        PutU32(out, w);
    return out;
}

Picture SampleLand(int id) {
    Picture p{44, 44, std::vector<uint16_t>(44 * 44, 0)};
    for (int row = 0; row < 44; ++row) {
        int w = LandRowWidth(row);
        for (int i = 0; i < w; ++i) {
            uint16_t colour;
            switch (id) {
            case 0:
                colour = Rgb(16, 16, 12);
                break; // plain earth
            case 1:
                colour = Rgb(row * 31 / 43, i * 31 / 43, 16);
                break; // red by row, green by column
            default:
                colour = Rgb(2, 20 + (row + i) % 8, 4);
                break; // grass
            }
            p.pixels[static_cast<size_t>(row) * 44 + (22 - w / 2 + i)] = colour;
        }
    }
    return p;
}

Picture SampleItem(int graphic) {
    switch (graphic) {
    case 0: { // 20 x 30: two bars per row with a gap; colour encodes row and column
        Picture p{20, 30, std::vector<uint16_t>(20 * 30, 0)};
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 20; ++x)
                if ((x >= 2 && x < 8) || (x >= 11 && x < 18 - (y % 4)))
                    p.pixels[static_cast<size_t>(y) * 20 + x] = Rgb(y, x, 10);
        return p;
    }
    case 1: { // 16 x 16 blood red with a grey cross
        Picture p{16, 16, std::vector<uint16_t>(16 * 16, Rgb(31, 0, 0))};
        for (int i = 0; i < 16; ++i) {
            p.pixels[static_cast<size_t>(i) * 16 + i] = Grey(8 + i);
            p.pixels[static_cast<size_t>(i) * 16 + 15 - i] = Grey(8 + i);
        }
        return p;
    }
    case 2: { // 24 x 24 grey diamond, the level growing to the right and down
        Picture p{24, 24, std::vector<uint16_t>(24 * 24, 0)};
        for (int y = 0; y < 24; ++y) {
            int half = y < 12 ? y + 1 : 24 - y;
            for (int x = 12 - half; x < 12 + half; ++x)
                p.pixels[static_cast<size_t>(y) * 24 + x] = Grey(1 + (x + y) % 31);
        }
        return p;
    }
    default: // a single white pixel
        return Picture{1, 1, {0x7FFF}};
    }
}

Picture SampleGump(int id) {
    switch (id) {
    case 0: { // 32 x 24: a grey bar, a transparent hole, then colour by row
        Picture p{32, 24, std::vector<uint16_t>(32 * 24, 0)};
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x)
                p.pixels[static_cast<size_t>(y) * 32 + x] = x < 8    ? Grey(20)
                                                            : x < 12 ? 0
                                                                     : Rgb(y, 31 - y, x - 12);
        return p;
    }
    case 1:
        return Picture{1, 1, {Rgb(31, 31, 0)}};
    case 2: { // 100 x 10: runs of growing length 1, 2, 3 ... in alternating colours
        Picture p{100, 10, std::vector<uint16_t>(100 * 10, 0)};
        for (int y = 0; y < 10; ++y) {
            int x = 0;
            for (int run = 1; x < 100; ++run)
                for (int k = 0; k < run && x < 100; ++k, ++x)
                    p.pixels[static_cast<size_t>(y) * 100 + x] = run % 3 == 0 ? 0 : Rgb(run, y * 3, 31 - run);
        }
        return p;
    }
    default: { // 64 x 64 window frame: a 4-pixel border around a transparent middle
        Picture p{64, 64, std::vector<uint16_t>(64 * 64, 0)};
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (x < 4 || y < 4 || x >= 60 || y >= 60)
                    p.pixels[static_cast<size_t>(y) * 64 + x] = Rgb(12, 8, 4);
        return p;
    }
    }
}

uint16_t SampleHueColour(int index, int c) {
    // Red and green hold the entry's index (modulo 1,024), blue the colour's position: hue n
    // recolours a grey of level c to a colour that tells both.
    return Rgb((index >> 5) & 31, index & 31, c);
}

uint8_t SampleWalkFrames(int body) {
    return static_cast<uint8_t>(4 + body % 4);
}
uint8_t SampleRunFrames(int body) {
    return static_cast<uint8_t>(2 + body % 2);
}

IndexedFile MakeArtFiles() {
    IndexedFile file;
    for (int id = 0; id < kSampleLandCount; ++id) {
        Picture p = SampleLand(id);
        std::vector<uint16_t> diamond;
        for (int row = 0; row < 44; ++row) {
            int w = LandRowWidth(row);
            for (int i = 0; i < w; ++i)
                diamond.push_back(p.pixels[static_cast<size_t>(row) * 44 + 22 - w / 2 + i]);
        }
        AddItem(file, id, EncodeLandArt(diamond), 0);
    }
    for (int g = 0; g < kSampleItemCount; ++g) {
        Picture p = SampleItem(g);
        AddItem(file, 0x4000 + g, EncodeItemArt(p.width, p.height, p.pixels), 0);
    }
    AddCursorArts(file);
    AddEffectItemArts(file);
    AddYardArts(file);
    return file;
}

IndexedFile MakeGumpArtFiles() {
    IndexedFile file;
    for (int id = 0; id < kSampleGumpCount; ++id) {
        Picture p = SampleGump(id);
        AddItem(file, id, EncodeGumpArt(p.width, p.height, p.pixels), GumpExtra(p.width, p.height));
    }
    AddWindowGumpArts(file);
    AddControlArts(file);
    AddChatArts(file);
    AddFieldArts(file);
    AddEffectGumpArts(file);
    AddFrontEndArts(file);
    AddCreationArts(file);
    AddCreditsArts(file);
    AddServerWindowArts(file);
    return file;
}

std::vector<uint8_t> MakeHuesFile() {
    std::vector<uint8_t> out;
    for (int index = 0; index < 3000; ++index) {
        if (index % 8 == 0) PutU32(out, static_cast<uint32_t>(index / 8)); // group header
        for (int c = 0; c < 32; ++c)
            PutU16(out, SampleHueColour(index, c));
        PutU16(out, SampleHueColour(index, 0));  // table start
        PutU16(out, SampleHueColour(index, 31)); // table end
        char name[20] = {};
        std::snprintf(name, sizeof name, "hue %d", index + 1);
        out.insert(out.end(), name, name + sizeof name);
    }
    return out;
}

std::vector<uint8_t> MakeAnimInfoFile() {
    std::vector<uint8_t> out;
    for (int body = 0; body < 1000; ++body) {
        out.push_back(SampleWalkFrames(body));
        out.push_back(SampleRunFrames(body));
    }
    return out;
}

bool WriteArtFiles(const std::string& dir, std::string* error) {
    IndexedFile art = MakeArtFiles();
    IndexedFile gumps = MakeGumpArtFiles();
    return Write(dir, "artidx.mul", art.index, error) && Write(dir, "art.mul", art.data, error) &&
           Write(dir, "gumpidx.mul", gumps.index, error) && Write(dir, "gumpart.mul", gumps.data, error) &&
           Write(dir, "hues.mul", MakeHuesFile(), error) &&
           Write(dir, "animinfo.mul", MakeAnimInfoFile(), error);
}

} // namespace mkinstall
