#pragma once
// The movie's video frames: key frames (an LZ-packed 8-bit palette picture), delta frames (4 x 4
// blocks copied with motion vectors or taken from a block table) and DCT frames (16 x 16
// macroblocks of 8 x 8 transformed YCbCr 4:2:0 blocks), written into RGB555 frame surfaces, every
// pixel twice when the width is doubled.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace movie {

// Frame types as the container queues them.
enum FrameType { kKeyFrame = 1, kDeltaFrame = 2, kDctFrame = 3, kDctFrame2 = 4 };

// The target pixel format: bits and shift of each component. The surfaces are RGB555.
struct PixelFormat {
    int redBits = 5, greenBits = 5, blueBits = 5;
    int redShift = 10, greenShift = 5, blueShift = 0;
};

// An RGB555 picture: pixel (x, y) is pixels[y * width + x].
struct FrameSurface {
    std::vector<uint16_t> pixels;
    int width = 0;
    int height = 0;
    bool Exists() const { return width > 0 && height > 0; }
    void Create(int w, int h) {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * h, 0);
    }
};

// Unpacks the key frames' LZ stream into dst (capacity bytes). The unpacked size from the header
// when dst is null. Returns the number of bytes written, or -1 when the stream is cut short,
// copies from before the output, or would write past capacity (what fits is kept).
long MovieDecompressLz(const uint8_t* src, size_t srcSize, uint8_t* dst, size_t capacity);

// DCT frames. Blocks are row by row (index row * 8 + column); the scan order is the MPEG-1 zigzag
// with rows and columns exchanged.
const uint8_t* MovieScanOrder();
// The dequantisation table of a frame type (3 or 4) and quality: prescale times step.
void MovieDequantTable(int type, int quality, int32_t table[64]);
// The scaled inverse transform of dequantised coefficients into samples (shifted right by 17).
void MovieInverseDct(const int64_t coefficients[64], int32_t samples[64]);
// The same transform as the decoder takes it, in 16 bits: samples within -16384..16383 as they
// are, others as a value of the same sign beyond -256..256 with the same low 7 bits.
void MovieInverseDctSamples(const int64_t coefficients[64], int16_t samples[64]);

class MovieCodec {
  public:
    // Frames of this size fit these limits; larger ones are refused before any allocation.
    static constexpr int kMaxWidth = 1024;
    static constexpr int kMaxHeight = 768;

    MovieCodec() { MovieBuildColorTables(); }

    void Configure(bool doubleWidth, int brightnessPercent = 100, PixelFormat format = {});

    // The frame's size from its header (key and DCT frames); delta frames keep the last size.
    // False when the header is short or the size is out of limits.
    bool ReadFrameSize(const uint8_t* payload, size_t size, int type, int* width, int* height) const;

    // Decodes one frame into current; previous holds the picture shown before. False (logged) when
    // the frame is skipped.
    bool MovieDecodeFrame(const uint8_t* payload, size_t size, int type, FrameSurface& current,
                          const FrameSurface& previous);

    // A delta frame's motion vector, and its offset in a picture of the frame's width.
    struct DeltaVector {
        int dx, dy;
        ptrdiff_t offset;
    };

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool DoubleWidth() const { return double_; }
    // Surface width for a frame width.
    int SurfaceWidth(int frameWidth) const { return double_ ? 2 * frameWidth : frameWidth; }

  private:
    bool MovieReadKeyFrame(const uint8_t* payload, size_t size);
    // The blocks are copied as pixels from the pixels last shown and the block table's pixels.
    bool MovieDecodeDeltaFrame(const uint8_t* payload, size_t size, FrameSurface& current);
    // The pixels last shown into current after a change of doubling since the key frame: as
    // the table converts the same indexes at the current doubling.
    void ConvertShownAcross(FrameSurface& current) const;
    void MovieBuildPaletteTable();
    void MovieConvertIndexedFrame(FrameSurface& current, uint16_t* copy) const;
    void MovieBuildColorTables();
    void BuildColorTablesNow();
    bool MovieDecodeDctFrame(const uint8_t* payload, size_t size, int type, FrameSurface& current,
                             const FrameSurface& previous);
    bool DecodeType3Macroblocks(const uint8_t* data, size_t size, FrameSurface& current);
    bool DecodeType4Macroblocks(const uint8_t* data, size_t size, bool allCoded, bool exact,
                                FrameSurface& current, const FrameSurface& previous);
    void WriteMacroblock(FrameSurface& current, int mx, int my, bool exact) const;
    template <bool kExact, bool kDouble> void WriteMacroblockAs(FrameSurface& current, int mx, int my) const;
    template <bool kDouble> void WriteMacroblockFast555(FrameSurface& current, int mx, int my) const;
    template <bool kDouble> void WriteMacroblockExact555(FrameSurface& current, int mx, int my) const;
    // Whether the exact tables are what WriteMacroblockExact555 computes (RGB555, full brightness).
    bool ExactTablesComputable() const;

    bool double_ = false;
    int brightness_ = 100;
    PixelFormat format_;
    bool rgb555_ = true; // the surfaces' own format: the fast conversion is computed, not looked up
    int width_ = 0, height_ = 0;
    uint8_t palette_[256][3] = {};
    uint32_t pixelTable_[256] = {};
    // The single-width table's entries as pixels, when every one fits 16 bits.
    alignas(64) uint16_t pixelWords_[256] = {};
    // The palette pictures: the key frame's, and while keepPicture_ the delta frames' too.
    std::vector<uint8_t> picture_, previousPicture_;
    std::vector<uint8_t> blockTable_;
    std::vector<DeltaVector> vectors_;
    bool havePicture_ = false;
    // The last palette picture as converted at the pixel table's doubling (before anything is
    // drawn over it), the buffer the next one is written into, the block table as pixels; the
    // doubling the pixel table was built for.
    std::vector<uint16_t> shown_, shownNext_, tableShown_;
    bool pixelTableDouble_ = false;
    // A single-width table with entries past 16 bits: its conversion mixes neighbouring entries,
    // so the palette picture is kept and, after a change of doubling, converted (shown_ is not
    // valid until the doubling is back).
    bool keepPicture_ = false, shownValid_ = false;

    // DCT frames: the frame's table, one macroblock of samples (four luma blocks, Cb, Cr), the
    // colour tables. Fast: three packed contributions with 10-bit biased fields, then one
    // clamping table per field; exact: three 512-entry tables and the chroma terms.
    int32_t dequant_[64] = {};
    alignas(16) int16_t samples_[6][64] = {};
    uint32_t fastLuma_[128] = {}, fastCb_[128] = {}, fastCr_[128] = {};
    uint32_t fastField_[3][1024] = {};
    // Luma samples are clamped to half the margin; the chroma terms stay within it.
    static constexpr int kExactMargin = 512, kExactTable = 512 + 2 * kExactMargin;
    uint32_t exact_[3][kExactTable] = {};
    int16_t exactRedCr_[256] = {}, exactGreenCr_[256] = {}, exactGreenCb_[256] = {}, exactBlueCb_[256] = {};
    bool exactComputed_ = false; // the exact conversion computed instead of looked up
};

} // namespace movie
