#include "media/MovieSound.h"
#include "mkmovie/MovieWriter.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using movie::AudioFormat;

TEST(MovieSound, ImaCodesMoveThePredictorAndStepIndex) {
    struct Case {
        int code, index, sample, nextIndex;
    } cases[] = {{7, 0, 11, 8},   {0, 0, 0, 0},       {8, 0, 0, 0},
                 {15, 0, -11, 8}, {4, 88, 32767, 88}, {3, 1, 7, 0}};
    for (const Case& c : cases) {
        int32_t predictor = 0, index = c.index;
        if (c.index == 88) predictor = 30000; // clamped, never wrapped
        EXPECT_EQ(movie::DecodeImaCode(c.code, predictor, index), c.sample) << c.code << " at " << c.index;
        EXPECT_EQ(index, c.nextIndex) << c.code;
    }
}

TEST(MovieSound, BlockNibblesFollowTheFilterPairs) {
    struct Case {
        int code, filter, shift;
        int32_t newest, previous;
        int sample;
    } cases[] = {
        {1, 0, 20, 0, 0, 1},        // filter 0: the shifted code alone: (256 + 128) >> 8
        {8, 0, 20, 500, 900, -8},   // codes 8..15 are negative: (-2048 + 128) >> 8
        {7, 0, 8, 0, 0, 28672},     // (7 << 20 + 128) >> 8
        {0, 1, 20, 256, 0, 240},    // 240 x 256 / 256
        {0, 2, 20, 256, 256, 252},  // (460 - 208) x 256 / 256
        {0, 3, 20, 256, 256, 172},  // (392 - 220)
        {7, 1, 8, 32767, 0, 32767}, // clamped
        {0, 9, 20, 1000, 1000, 0},  // filters 4..15 use pair 0
    };
    for (const Case& c : cases) {
        int32_t n = c.newest, p = c.previous;
        EXPECT_EQ(movie::DecodeBlockNibble(c.code, c.filter, c.shift, n, p), c.sample)
            << c.code << "/" << c.filter;
        EXPECT_EQ(p, c.newest);
        EXPECT_EQ(n, c.sample);
    }
}

TEST(MovieSound, ChunkSizesForEachCoding) {
    std::vector<uint8_t> pcm = {3, 0, 0, 0, 1, 0, 2, 0, 0xFF, 0xFF};
    std::vector<uint8_t> block(12 + 60, 0);
    std::vector<uint8_t> ima(10, 0x77);
    std::vector<int16_t> out;
    movie::SoundState state;
    movie::DecodeAudioChunk(AudioFormat{1, 22050, 16, 0}, state, pcm.data(), pcm.size(), out);
    EXPECT_EQ(out, (std::vector<int16_t>{1, 1, 2, 2, -1, -1}));
    // A count larger than the payload holds plays what is there.
    pcm[0] = 200;
    movie::DecodeAudioChunk(AudioFormat{1, 22050, 16, 0}, state, pcm.data(), pcm.size(), out);
    EXPECT_EQ(out.size(), 6u);
    movie::DecodeAudioChunk(AudioFormat{2, 22050, 16, 0}, state, pcm.data(), pcm.size(), out);
    EXPECT_EQ(out, (std::vector<int16_t>{1, 2}));
    movie::DecodeAudioChunk(AudioFormat{1, 22050, 16, 7}, state, block.data(), block.size(), out);
    EXPECT_EQ(out.size(), 2u * 112);
    movie::DecodeAudioChunk(AudioFormat{2, 22050, 16, 7}, state, block.data(), block.size(), out);
    EXPECT_EQ(out.size(), 2u * 56);
    movie::DecodeAudioChunk(AudioFormat{1, 22050, 16, 10}, state, ima.data(), ima.size(), out);
    EXPECT_EQ(out.size(), 2u * 10);
    EXPECT_EQ(out[0], 11);
    EXPECT_EQ(state.stepIndex[1], 80); // ten codes of 7 on each channel; the state carries on
    movie::DecodeAudioChunk(AudioFormat{1, 22050, 16, 3}, state, ima.data(), ima.size(), out);
    ASSERT_EQ(out.size(), 2u * 10);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0), 20); // an unknown coding plays silence
}

TEST(MovieSound, HeadersReadTheirRecordsInsideThePayload) {
    using moviewriter::AudioHeaderPayload;
    struct Case {
        std::vector<uint8_t> payload;
        AudioFormat expected;
    } cases[] = {
        {AudioHeaderPayload(2, 7, 44100), {2, 44100, 16, 7}},
        {AudioHeaderPayload(1, 10, 11025), {1, 11025, 16, 10}},
        // Records before the marker are skipped; a one-byte value is sign-extended.
        {{0, 0, 0, 0, 0x82, 1, 2, 0xFD, 0x84, 1, 0xFF, 0x8A}, {1, -1, 16, 0}},
        {{0, 0, 0, 0, 0x82, 1, 2}, {}},              // no marker: the defaults
        {{0, 0, 0, 0, 0xFD, 0x82, 1, 2}, {}},        // no end record: the defaults
        {{0, 0, 0, 0, 0xFD, 0x82, 40, 2, 0x8A}, {}}, // a record past the payload
        {{0, 0, 0, 0, 0xFD, 0x83, 2, 0, 7, 0x8A}, {1, 22050, 16, 7}},
    };
    for (const Case& c : cases) {
        AudioFormat f = movie::ReadAudioHeader(c.payload.data(), c.payload.size());
        EXPECT_EQ(f.channels, c.expected.channels);
        EXPECT_EQ(f.rate, c.expected.rate);
        EXPECT_EQ(f.compression, c.expected.compression);
    }
}

// The writer's encoders against the decoders: the tone comes back close.
TEST(MovieSound, EncodedToneDecodesClose) {
    struct Case {
        moviewriter::Audio audio;
        int channels;
        double minSnrDb;
    } cases[] = {{moviewriter::Audio::Block, 1, 30},
                 {moviewriter::Audio::Block, 2, 30},
                 {moviewriter::Audio::Ima, 2, 25},
                 {moviewriter::Audio::Pcm, 2, 200}};
    for (const Case& c : cases) {
        movie::SoundState state;
        moviewriter::BlockState block;
        moviewriter::ImaState ima;
        AudioFormat format{c.channels, 22050, 16,
                           c.audio == moviewriter::Audio::Pcm     ? 0
                           : c.audio == moviewriter::Audio::Block ? 7
                                                                  : 10};
        double signal = 0, noise = 0;
        for (int chunk = 0; chunk < 4; ++chunk) { // history carries from chunk to chunk
            std::vector<int16_t> tone = moviewriter::Tone(22050, c.channels, chunk * 1400, 1400);
            auto payload = c.audio == moviewriter::Audio::Pcm ? moviewriter::PcmPayload(tone, c.channels)
                           : c.audio == moviewriter::Audio::Block
                               ? moviewriter::BlockAdpcmPayload(tone, c.channels, block)
                               : moviewriter::ImaPayload(tone, c.channels, ima);
            std::vector<int16_t> out;
            movie::DecodeAudioChunk(format, state, payload.data(), payload.size(), out);
            ASSERT_EQ(out.size(), 2u * 1400) << chunk;
            for (size_t i = 0; i < 1400; ++i) {
                for (int ch = 0; ch < 2; ++ch) {
                    double want = tone[i * c.channels + (c.channels == 2 ? ch : 0)];
                    double got = out[2 * i + ch];
                    signal += want * want;
                    noise += (want - got) * (want - got);
                }
            }
        }
        EXPECT_GT(10 * std::log10(signal / std::max(noise, 1e-9)), c.minSnrDb) << static_cast<int>(c.audio);
    }
}

} // namespace
