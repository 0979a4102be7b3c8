#pragma once
// The picture files of the synthetic installation: art (land tiles and items), gump art, hues
// and walking speeds, with content a reader can recognise: arts of known size and colour, a hue
// table whose entries encode their own index.
#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

// An index file (12-byte records {offset, length, extra}; -1 offset for a missing item) and its
// data file.
struct IndexedFile {
    std::vector<uint8_t> index;
    std::vector<uint8_t> data;
};

// Appends one item to an indexed file at id (records up to id are added as missing); an id written
// twice is a fault of the generator and ends it.
void AddItem(IndexedFile& file, int id, const std::vector<uint8_t>& bytes, int32_t extra);
// Replaces an item on purpose (tests that serve a damaged or changed item).
void ReplaceItem(IndexedFile& file, int id, const std::vector<uint8_t>& bytes, int32_t extra);
// Looks an item up the way the data-file cache does: null with length 0 when missing.
const uint8_t* FindItem(const IndexedFile& file, int id, int& length, int& extra);

// Encoders of the three picture formats from a row-major picture (0 = transparent).
std::vector<uint8_t> EncodeLandArt(const std::vector<uint16_t>& diamondPixels); // 1,012 pixels in row order
std::vector<uint8_t> EncodeItemArt(int width, int height, const std::vector<uint16_t>& pixels);
std::vector<uint8_t> EncodeGumpArt(int width, int height, const std::vector<uint16_t>& pixels);
inline int32_t GumpExtra(int width, int height) {
    return static_cast<int32_t>(static_cast<uint32_t>(width) << 16 | static_cast<uint32_t>(height));
}

// The sample pictures, as full pictures (0 = transparent).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};
constexpr int kSampleLandCount = 3; // land ids 0..2
constexpr int kSampleItemCount = 4; // item graphics 0..3 (art ids 0x4000..0x4003)
constexpr int kSampleGumpCount = 4; // gump ids 0..3
Picture SampleLand(int id);         // 44 x 44 with the diamond's outside transparent
Picture SampleItem(int graphic);
Picture SampleGump(int id);
// Colour c of hue entry index (hue number - 1), as written to "hues.mul".
uint16_t SampleHueColour(int index, int c);
uint8_t SampleWalkFrames(int body);
uint8_t SampleRunFrames(int body);

IndexedFile MakeArtFiles();     // "artidx.mul" and "art.mul"
IndexedFile MakeGumpArtFiles(); // "gumpidx.mul" and "gumpart.mul"
std::vector<uint8_t> MakeHuesFile();
std::vector<uint8_t> MakeAnimInfoFile();

// Writes the files above into dir.
bool WriteArtFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
