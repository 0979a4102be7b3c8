#pragma once
// Writes small movies in the client's chunked movie format from synthetic pictures (a moving
// gradient and a numbered square) and a tone, so that the player can be tested without the
// original intro. Written apart from the player's decoders: packers and encoders only.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace moviewriter {

enum class Audio { None, Pcm, Block, Ima };

struct Options {
    int width = 320;
    int height = 240;
    int frames = 30;
    std::vector<int> types{2}; // frame types in use: the first frame is a key frame, then these in turn
    int quality = 90;
    bool exact = false;
    Audio audio = Audio::Ima;
    bool mono = false;
    int fps = 15;
    int rate = 22050;
};

using Bytes = std::vector<uint8_t>;
using Palette = std::array<std::array<uint8_t, 3>, 256>;

// A chunk: tag (file byte order), size including the 8-byte header, payload.
Bytes Chunk(const char tag[4], const Bytes& payload);

// The synthetic source: palette indexes of frame t, and the palette.
Bytes SourcePicture(int width, int height, int t);
const Palette& SourcePalette();

// Which command forms the packer used, for tests.
struct LzStats {
    int shortCopies = 0, mediumCopies = 0, longCopies = 0, literalRuns = 0, endLiterals = 0;
};
Bytes PackLz(const uint8_t* data, size_t size, LzStats* stats = nullptr);

Bytes KeyFramePayload(int width, int height, const Palette& palette, const Bytes& picture,
                      LzStats* stats = nullptr);

// A delta frame from the picture before: blocks copied with the motion vectors given (pairs dx,
// dy), else four-colour blocks, else raw blocks.
struct DeltaStats {
    int copied = 0, fourColour = 0, raw = 0;
};
Bytes DeltaFramePayload(int width, int height, const Bytes& previous, const Bytes& picture,
                        const std::vector<std::pair<int, int>>& vectors, DeltaStats* stats = nullptr);

// The synthetic source as RGB, 3 bytes per pixel.
Bytes SourceRgb(int width, int height, int t);

// A DCT frame of an RGB picture (width and height multiples of 16): type 3 (fast colour level) or
// type 4 (fast, or with exact the exact level and flags bit 1). Type 4 with the picture before
// copies the macroblocks found unchanged or moved 2 pixels left with motion vectors; without any,
// it sets flags bit 0.
struct DctStats {
    int coded = 0, flat = 0, copied = 0, escapes = 0, shortened = 0;
};
Bytes DctFramePayload(int type, int width, int height, int quality, bool exact, const Bytes& rgb,
                      const Bytes* previousRgb, DctStats* stats = nullptr);

// Audio header records: channels, compression, rate; then the end record.
Bytes AudioHeaderPayload(int channels, int compression, int rate);
// One audio data payload from samples (interleaved when stereo).
Bytes PcmPayload(const std::vector<int16_t>& samples, int channels);
struct BlockState {
    int32_t newest[2] = {}, previous[2] = {};
};
// Whole blocks of 28 frames only (the rest is dropped).
Bytes BlockAdpcmPayload(const std::vector<int16_t>& samples, int channels, BlockState& state);
struct ImaState {
    int32_t predictor[2] = {}, index[2] = {};
};
// One byte per frame: mono input is coded into both nibbles.
Bytes ImaPayload(const std::vector<int16_t>& samples, int channels, ImaState& state);

// The tone of frames [from, from + count): 440 Hz, interleaved when stereo.
std::vector<int16_t> Tone(int rate, int channels, size_t from, size_t count);

// The whole movie; false with the reason in *error for options it cannot write.
bool WriteMovie(const Options& options, Bytes* out, std::string* error);
bool WriteMovieFile(const std::string& path, const Options& options, std::string* error);

} // namespace moviewriter
