#pragma once
// The movie's sound: audio header records and the three sample codings of its audio chunks, all
// decoded to 16-bit stereo frames at the header's rate.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace movie {

struct AudioFormat {
    int channels = 1;
    int rate = 22050;
    int bits = 16;
    int compression = 0; // 0 PCM, 7 block ADPCM, 10 IMA ADPCM; anything else plays silence
};

// The fixed header of "SEAD" movies.
constexpr AudioFormat kFixedAudioFormat{2, 22050, 16, 10};

// Reads the records of an audio header payload. Starts from the defaults; a header without the
// 0xFD marker or the closing 0x8A keeps them whole. Reads stay inside the payload.
AudioFormat ReadAudioHeader(const uint8_t* data, size_t size);

// Decoder state that carries from chunk to chunk.
struct SoundState {
    int16_t history[4] = {}; // first channel newest, previous; second channel newest, previous
    int32_t predictor[2] = {};
    int32_t stepIndex[2] = {};
};

// Bytes of decoded output (4 per frame) of a data payload of the given size.
size_t DecodedAudioBytes(const AudioFormat& format, const uint8_t* data, size_t size);

// Decodes one data payload into interleaved stereo samples (out is replaced).
void DecodeAudioChunk(const AudioFormat& format, SoundState& state, const uint8_t* data, size_t size,
                      std::vector<int16_t>& out);

// One IMA code: updates the channel's predictor and step index, returns the sample.
int16_t DecodeImaCode(int code, int32_t& predictor, int32_t& stepIndex);
// One block ADPCM nibble with the filter and shift of its block.
int16_t DecodeBlockNibble(int code, int filter, int shift, int32_t& newest, int32_t& previous);

// Block ADPCM blocks: 15 bytes (mono) or 30 bytes (stereo), 28 frames each.
void MovieDecodeBlockAdpcmMono(int blocks, int32_t& newest, int32_t& previous, const uint8_t* data,
                               int16_t*& out);
void MovieDecodeBlockAdpcmStereo(int blocks, int32_t& leftNewest, int32_t& leftPrevious, int32_t& rightNewest,
                                 int32_t& rightPrevious, const uint8_t* data, int16_t*& out);
// IMA: one byte per stereo frame, high nibble left.
void MovieDecodeStreamAdpcmStereo(const uint8_t* data, int16_t*& out, size_t bytes, int32_t predictors[2],
                                  int32_t stepIndexes[2]);

// The block ADPCM filter pairs, scaled by 256; filters 4 to 15 use pair 0.
extern const int kBlockFilters[4][2];
extern const int16_t kImaSteps[89];
extern const int8_t kImaIndexTable[8];

} // namespace movie
