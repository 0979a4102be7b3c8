#include "media/mpeg/MpegAudioDecoder.h"

#include "media/mpeg/MpegTables.h"

#include <algorithm>
#include <cstring>

namespace {

// Samples per channel held back at the start: the delay of the filter banks.
constexpr int kDelaySamples[4] = {0, 545, 481, 1105};

} // namespace

CMpegAudioDecoder::CMpegAudioDecoder()
    : layer3_(&mpeg::GetLayer3Tables()), synthesis_(&mpeg::GetSynthesisTables()) {
    mpeg::GetLayer12Tables(); // built here, not in the middle of the first frame
}

CMpegAudioDecoder::~CMpegAudioDecoder() {
    if (open_) Close();
}

int CMpegAudioDecoder::Open(const uint8_t* data, size_t length) {
    if (open_) Close();
    open_ = true;
    data_ = data;
    length_ = data ? static_cast<int64_t>(length) : 0;
    streamSampleRate_ = 0;
    if (ParseFirstHeader() != 0) return -1;
    ResetSynthesis();
    SetupStream();
    ResetPosition();
    return 0;
}

int CMpegAudioDecoder::Close() {
    open_ = false;
    return 0;
}

void CMpegAudioDecoder::SetupStream() {
    streamSampleRate_ = sampleRate_;
    fullBytes_ = channels_ * (layer_ == 1 ? 768 : 2304);
    ringOffset_ = 1;
    deliveredBytes_ = layer_ == 3 && lowerRate_ ? fullBytes_ / 2 : fullBytes_;
    framesDecoded_ = 0;
    // The Layer III state is set up for every stream, so that a Layer III frame inside a Layer I or
    // II stream finds it defined; the granule count follows the first header.
    reservoirBytes_ = 0;
    reservoir_.Reset();
    granules_ = id_ ? 2 : 1;
    nonzero_[0] = nonzero_[1] = 576;
    lastSkip_ = 0;
    mainDataBegin_ = privateBits_ = 0;
    std::memset(scfsi_, 0, sizeof scfsi_);
    std::memset(granule_, 0, sizeof granule_);
    std::memset(scaleFactors_, 0, sizeof scaleFactors_);
    std::memset(overlap_, 0, sizeof overlap_);
    std::memset(hybrid_, 0, sizeof hybrid_);
    std::memset(pcm_, 0, sizeof pcm_);
}

void CMpegAudioDecoder::ResetPosition() {
    readPosition_ = deliveredBytes_;
    bitCursor_ = 0;
    nextFrame_ = 0;
}

int CMpegAudioDecoder::ParseFirstHeader() {
    if (!data_ || length_ < 4) return -1;
    uint32_t h = uint32_t{data_[0]} << 24 | uint32_t{data_[1]} << 16 | uint32_t{data_[2]} << 8 | data_[3];
    return ParseHeader(h);
}

int CMpegAudioDecoder::ParseHeader(uint32_t h) {
    if ((h & 0xFFF00000u) != 0xFFF00000u) return -1;
    int layerCode = (h >> 17) & 3;
    int bitrateIndex = (h >> 12) & 15;
    int samplingCode = (h >> 10) & 3;
    if (layerCode == 0 || bitrateIndex == 0 || bitrateIndex == 15 || samplingCode == 3) return -1;
    layer_ = static_cast<uint8_t>(4 - layerCode);
    protection_ = (h >> 16) & 1;
    id_ = (h >> 19) & 1;
    lowerRate_ = id_ == 0;
    bitrateIndex_ = static_cast<uint8_t>(bitrateIndex);
    padding_ = (h >> 9) & 1;
    mode_ = (h >> 6) & 3;
    modeExtension_ = (h >> 4) & 3;
    sampleRateIndex_ = static_cast<uint8_t>(samplingCode + (lowerRate_ ? 3 : 0));
    sampleRate_ = mpeg::kSampleRates[sampleRateIndex_];
    sfbRow_ = static_cast<uint8_t>(samplingCode + (lowerRate_ ? 0 : 3));
    channels_ = mode_ == 3 ? 1 : 2;
    slotSamples_ = 32 * channels_;
    bitrate_ = mpeg::kBitrates[lowerRate_][layer_][bitrateIndex];
    switch (layer_) {
    case 1:
        frameDataLength_ = (12000 * bitrate_ / sampleRate_ + padding_) * 4 - 4;
        break;
    case 2:
        frameDataLength_ = 144000 * bitrate_ / sampleRate_ + padding_ - 4;
        break;
    default:
        frameDataLength_ = 144000 * bitrate_ / sampleRate_ / (lowerRate_ ? 2 : 1) + padding_ - 4;
        break;
    }
    return 0;
}

int CMpegAudioDecoder::NextFrameHeader() {
    int64_t p = nextFrame_;
    int64_t byte = p / 8;
    // A header that is not wholly inside the data is never read; the position stays at the end.
    if (!data_ || byte + 4 > length_) return -1;
    const uint8_t* b = data_ + byte;
    uint32_t h = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    int result = ParseHeader(h);
    bitCursor_ = p + 32;
    nextFrame_ = p + 32 + 8 * int64_t{frameDataLength_};
    return result;
}

uint32_t CMpegAudioDecoder::GetBits(int n) {
    int64_t byte = bitCursor_ >> 3;
    int shift = 32 - static_cast<int>(bitCursor_ & 7) - n;
    bitCursor_ += n;
    uint32_t w;
    if (byte >= 0 && byte + 4 <= length_) {
        const uint8_t* b = data_ + byte;
        w = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    } else {
        w = 0;
        for (int k = 0; k < 4; ++k)
            if (byte + k >= 0 && byte + k < length_) w |= uint32_t{data_[byte + k]} << (24 - 8 * k);
    }
    return (w >> shift) & ((1u << n) - 1);
}

int CMpegAudioDecoder::DecodeFrame(int16_t* pcm) {
    if (NextFrameHeader() != 0) return -1;
    if (bitCursor_ / 8 + frameDataLength_ > length_) return -1;
    if (protection_ == 0) GetBits(16);
    ++framesDecoded_;
    switch (layer_) {
    case 1:
        return DecodeLayer1(pcm);
    case 2:
        return DecodeLayer2(pcm);
    default:
        return DecodeLayer3(pcm);
    }
}

int CMpegAudioDecoder::Read(void* buffer, int count) {
    if (!open_ || !data_ || !buffer || count <= 0 || deliveredBytes_ <= 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    const auto* frame = reinterpret_cast<const uint8_t*>(pcm_);
    int produced = 0;
    while (produced < count) {
        if (readPosition_ >= deliveredBytes_) {
            if (DecodeFrame(pcm_) != 0) break;
            if (started_) {
                readPosition_ = 0;
            } else {
                started_ = true;
                readPosition_ = 2 * kDelaySamples[layer_] * channels_;
                bool failed = false;
                while (readPosition_ > deliveredBytes_) {
                    if (DecodeFrame(pcm_) != 0) {
                        failed = true;
                        break;
                    }
                    readPosition_ -= deliveredBytes_;
                }
                if (failed) break;
            }
        }
        int n = std::min(deliveredBytes_ - readPosition_, count - produced);
        std::memcpy(out + produced, frame + readPosition_, static_cast<size_t>(n));
        produced += n;
        readPosition_ += n;
    }
    return produced;
}
