// Headers, frame lengths and the delivery of PCM of the MPEG-audio decoder.
#include "media/MpegReference.h"
#include "media/mpeg/MpegAudioDecoder.h"
#include "mpegwriter/MpegWriter.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Bytes in a heap block of exactly their size, so that reading past them is caught.
struct ExactBytes {
    explicit ExactBytes(const std::vector<uint8_t>& v) : size(v.size()), data(new uint8_t[v.size()]) {
        std::copy(v.begin(), v.end(), data.get());
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

std::vector<uint8_t> Bytes(uint32_t header, size_t total) {
    std::vector<uint8_t> v(total, 0);
    for (int i = 0; i < 4 && i < static_cast<int>(total); ++i)
        v[i] = static_cast<uint8_t>(header >> (24 - 8 * i));
    return v;
}

// MPEG header: layer 1..3, MPEG-1 unless lower, no CRC unless crc.
uint32_t Header(int layer, bool lower, int bitrateIndex, int samplingCode, int padding = 0, int mode = 1,
                bool crc = false) {
    return 0xFFF00000u | uint32_t(lower ? 0 : 1) << 19 | uint32_t(4 - layer) << 17 |
           uint32_t(crc ? 0 : 1) << 16 | uint32_t(bitrateIndex) << 12 | uint32_t(samplingCode) << 10 |
           uint32_t(padding) << 9 | uint32_t(mode) << 6;
}

std::vector<uint8_t> ReadAll(CMpegAudioDecoder& d, int chunk) {
    std::vector<uint8_t> out, buffer(static_cast<size_t>(chunk));
    for (int n; (n = d.Read(buffer.data(), chunk)) > 0;)
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    return out;
}

std::vector<uint8_t> RandomStream(int sampleRate, int mode, int frames, uint32_t seed, int bitrate = 384) {
    mpegwriter::LayerOneFormat f;
    f.sampleRate = sampleRate;
    f.bitrate = bitrate;
    f.mode = mode;
    f.modeExtension = 1;
    return mpegwriter::RandomLayerOne(f, frames, seed);
}

TEST(MpegHeader, SpecimenHeadersOpenWithTheirRateAndLength) {
    struct Case {
        std::vector<uint8_t> bytes;
        int rate, length;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 44100, 413},
        {{0xFF, 0xFB, 0x92, 0x64}, 44100, 414},
        {{0xFF, 0xFA, 0x90, 0x64}, 44100, 413},
    };
    for (const Case& c : cases) {
        ExactBytes b(c.bytes);
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(b.data.get(), b.size), 0);
        EXPECT_EQ(d.sampleRate(), c.rate);
        EXPECT_EQ(d.frameDataLength(), c.length);
        EXPECT_EQ(d.layer(), 3);
        EXPECT_EQ(d.bitrate(), 128);
    }
}

TEST(MpegHeader, ProtectedFramesSkipTheCrcWord) {
    for (uint8_t second : {0xFB, 0xFA}) {
        std::vector<uint8_t> v = Bytes(0xFF009064u | uint32_t(second) << 16, 2 * 417);
        v[417] = 0xFF, v[418] = second, v[419] = 0x90, v[420] = 0x64;
        // main_data_begin is the first 9 bits after the CRC word: 0x157 without it, 0x100 with it.
        v[4] = 0xAB, v[5] = 0xCD, v[6] = 0x80;
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(v.data(), v.size()), 0);
        int16_t pcm[CMpegAudioDecoder::kFrameSamples];
        ASSERT_EQ(d.DecodeFrame(pcm), 0);
        EXPECT_EQ(d.mainDataBegin(), second == 0xFA ? 0x100 : 0x157);
        EXPECT_EQ(d.bitCursor(), 417 * 8); // side information and main data taken whole
        ASSERT_EQ(d.DecodeFrame(pcm), 0);
        EXPECT_EQ(d.bitCursor(), 2 * 417 * 8);
        EXPECT_EQ(d.DecodeFrame(pcm), -1);
    }
}

TEST(MpegHeader, RefusedHeadersFailOpen) {
    const std::vector<uint8_t> refused[] = {
        {0xFF, 0xFB, 0x00, 0x64}, // free format
        {0xFF, 0xE3, 0x90, 0x64}, // MPEG-2.5
        {0xFF, 0xFB, 0xF0, 0x64}, // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x64}, // sampling code 3
        {0xFF, 0xF9, 0x90, 0x64}, // layer code 0
        {0xFE, 0xFB, 0x90, 0x64}, // no sync
        {0xFF, 0xFB, 0x90},       // under 4 bytes
        {},
    };
    for (const auto& bytes : refused) {
        ExactBytes b(bytes);
        CMpegAudioDecoder d;
        EXPECT_EQ(d.Open(b.size ? b.data.get() : nullptr, b.size), -1) << bytes.size() << " bytes";
        EXPECT_TRUE(d.isOpen());
        uint8_t out[64];
        EXPECT_EQ(d.Read(out, sizeof out), 0);
    }
}

TEST(MpegHeader, FrameLengthsPerLayerAndRate) {
    struct Case {
        int layer;
        bool lower;
        int bitrateIndex, samplingCode, padding;
        int rate, kbits, length;
    } cases[] = {
        {1, false, 14, 0, 0, 44100, 448, 480},  {1, false, 1, 2, 0, 32000, 32, 44},
        {1, false, 12, 1, 1, 48000, 384, 384},  {1, true, 14, 0, 0, 22050, 256, 552},
        {2, false, 10, 0, 0, 44100, 192, 622},  {2, false, 10, 0, 1, 44100, 192, 623},
        {2, false, 14, 1, 0, 48000, 384, 1148}, {2, true, 1, 1, 0, 24000, 8, 44},
        {2, true, 14, 2, 0, 16000, 160, 1436},  {3, false, 9, 0, 0, 44100, 128, 413},
        {3, true, 8, 0, 0, 22050, 64, 204},     {3, true, 1, 2, 1, 16000, 8, 33},
        {3, false, 14, 2, 0, 32000, 320, 1436},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> v =
            Bytes(Header(c.layer, c.lower, c.bitrateIndex, c.samplingCode, c.padding), 4);
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(v.data(), v.size()), 0);
        EXPECT_EQ(d.sampleRate(), c.rate);
        EXPECT_EQ(d.bitrate(), c.kbits);
        EXPECT_EQ(d.frameDataLength(), c.length) << "layer " << c.layer << " at " << c.rate << " Hz";
        EXPECT_EQ(d.granules(), c.lower ? 1 : 2);
    }
}

TEST(MpegHeader, HeaderCutOffAtTheEndEndsDecodingWithoutReadingPastIt) {
    std::vector<uint8_t> v = RandomStream(44100, 3, 3, 7);
    for (size_t extra = 1; extra <= 3; ++extra) {
        std::vector<uint8_t> cut = v;
        cut.insert(cut.end(), v.begin(), v.begin() + static_cast<long>(extra));
        ExactBytes b(cut);
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(b.data.get(), b.size), 0);
        EXPECT_EQ(ReadAll(d, 4096).size(), size_t(3 * 384 - 545) * 2);
        EXPECT_EQ(d.framesDecoded(), 3);
    }
}

TEST(MpegDelivery, ReadOfNothingDecodesNothing) {
    std::vector<uint8_t> v = RandomStream(44100, 0, 4, 1);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(v.data(), v.size()), 0);
    uint8_t out[16];
    EXPECT_EQ(d.Read(out, 0), 0);
    EXPECT_EQ(d.Read(out, -5), 0);
    EXPECT_EQ(d.framesDecoded(), 0);
}

TEST(MpegDelivery, ReadSizesSplitTheSameBytes) {
    std::vector<uint8_t> v = RandomStream(48000, 1, 24, 2);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(v.data(), v.size()), 0);
    std::vector<uint8_t> whole = ReadAll(d, 131072);
    EXPECT_EQ(whole.size(), size_t(24 * 384 - 545) * 4);
    for (int chunk : {1000, 997, 1, 4608}) {
        ASSERT_EQ(d.Open(v.data(), v.size()), 0);
        EXPECT_EQ(ReadAll(d, chunk), whole) << "reads of " << chunk;
    }
}

TEST(MpegDelivery, DelayIsDroppedFromTheRightFrame) {
    struct Case {
        std::vector<uint8_t> stream;
        int frameSamples, channels, delay;
    } cases[] = {
        {RandomStream(44100, 3, 5, 3), 384, 1, 545},
        {RandomStream(32000, 0, 5, 4), 384, 2, 545},
    };
    for (const Case& c : cases) {
        CMpegAudioDecoder frames;
        ASSERT_EQ(frames.Open(c.stream.data(), c.stream.size()), 0);
        std::vector<int16_t> raw;
        int16_t pcm[CMpegAudioDecoder::kFrameSamples];
        while (frames.DecodeFrame(pcm) == 0)
            raw.insert(raw.end(), pcm, pcm + c.frameSamples * c.channels);
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(c.stream.data(), c.stream.size()), 0);
        std::vector<uint8_t> bytes = ReadAll(d, 131072);
        ASSERT_EQ(bytes.size(), (raw.size() - size_t(c.delay * c.channels)) * 2);
        EXPECT_EQ(0, std::memcmp(bytes.data(), raw.data() + c.delay * c.channels, bytes.size()));
    }
    // Layer I mono: frame 1 is dropped whole, delivery starts at sample 161 of frame 2.
    std::vector<uint8_t> mono = RandomStream(44100, 3, 5, 3);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(mono.data(), mono.size()), 0);
    int16_t first[4];
    ASSERT_EQ(d.Read(first, sizeof first), static_cast<int>(sizeof first));
    EXPECT_EQ(d.framesDecoded(), 2);
}

TEST(MpegDelivery, TagEndsTheStream) {
    std::vector<uint8_t> v = RandomStream(44100, 0, 6, 5);
    std::vector<uint8_t> tag(128, 'x');
    tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
    v.insert(v.end(), tag.begin(), tag.end());
    ExactBytes b(v);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(b.data.get(), b.size), 0);
    std::vector<uint8_t> out(1 << 17);
    EXPECT_EQ(d.Read(out.data(), static_cast<int>(out.size())), (6 * 384 - 545) * 4);
    EXPECT_EQ(d.Read(out.data(), static_cast<int>(out.size())), 0);
    EXPECT_EQ(d.Read(out.data(), static_cast<int>(out.size())), 0);
}

TEST(MpegDelivery, ReopeningStartsClean) {
    std::vector<uint8_t> a = RandomStream(44100, 0, 8, 6), b = RandomStream(44100, 0, 8, 9);
    CMpegAudioDecoder fresh;
    ASSERT_EQ(fresh.Open(b.data(), b.size()), 0);
    std::vector<uint8_t> expected = ReadAll(fresh, 131072);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(a.data(), a.size()), 0);
    uint8_t part[3000];
    ASSERT_EQ(d.Read(part, sizeof part), static_cast<int>(sizeof part)); // left in the middle
    ASSERT_EQ(d.Open(b.data(), b.size()), 0);
    EXPECT_EQ(ReadAll(d, 131072), expected);
}

TEST(MpegDelivery, MidStreamChangeOfLayerAndModeIsSafe) {
    // Mono Layer I, then stereo Layer I, a Layer III frame, stereo Layer II frames and a 48 kHz
    // frame: every frame decodes, into the bytes per frame set at Open.
    std::vector<uint8_t> v = RandomStream(44100, 3, 3, 10);
    std::vector<uint8_t> stereo = RandomStream(44100, 0, 2, 11);
    v.insert(v.end(), stereo.begin(), stereo.end());
    std::vector<uint8_t> layer3 = Bytes(0xFFFB9064u, 417);
    v.insert(v.end(), layer3.begin(), layer3.end());
    std::vector<uint8_t> layer2 = Bytes(Header(2, false, 14, 0, 0, 0), 1253);
    for (int i = 0; i < 2; ++i)
        v.insert(v.end(), layer2.begin(), layer2.end());
    std::vector<uint8_t> other = RandomStream(48000, 0, 1, 12);
    v.insert(v.end(), other.begin(), other.end());
    ExactBytes b(v);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(b.data.get(), b.size), 0);
    EXPECT_EQ(ReadAll(d, 1000).size(), size_t(9 * 768 - 2 * 545));
    EXPECT_EQ(d.framesDecoded(), 9);
    EXPECT_EQ(d.sampleRate(), 44100); // the stream's rate stays that of the first header
}

TEST(MpegDelivery, LayerThreeStateIsSetUpForEveryStream) {
    // Layer III frames inside a Layer I stream find a granule count that fits the first header.
    std::vector<uint8_t> lower = Bytes(Header(2, true, 8, 0), 4);
    std::vector<uint8_t> full = Bytes(Header(1, false, 8, 0), 4);
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(lower.data(), lower.size()), 0);
    EXPECT_EQ(d.granules(), 1);
    ASSERT_EQ(d.Open(full.data(), full.size()), 0);
    EXPECT_EQ(d.granules(), 2);
}

} // namespace
