// Sound buffers, the device's common part and the portable mixer.
#include "platform/Audio.h"

#include "platform/AudioMixer.h"
#include "platform/backend.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace platform {

double LevelToGain(int level) {
    if (level <= kMinLevel) return 0.0;
    return std::pow(10.0, level / 2000.0);
}

namespace {

// Clamped to the sample range and rounded to the nearest value (halves to even).
int16_t ToSample(float v) {
    return static_cast<int16_t>(std::lrint(std::clamp(v, -32768.0f, 32767.0f)));
}

// Both channels into interleaved samples. The compiler does not vectorise the clamp and the
// interleaving, which otherwise cost as much as mixing eight voices.
void ToSamples(const float* left, const float* right, int16_t* out, size_t n) {
    size_t i = 0;
#ifdef __SSE2__
    const __m128 lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
    for (; i + 4 <= n; i += 4) {
        const __m128i l = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(left + i), lo), hi));
        const __m128i r = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(right + i), lo), hi));
        const __m128i packed = _mm_packs_epi32(_mm_unpacklo_epi32(l, r), _mm_unpackhi_epi32(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), packed);
    }
#endif
    for (; i < n; ++i) {
        out[2 * i] = ToSample(left[i]);
        out[2 * i + 1] = ToSample(right[i]);
    }
}

} // namespace

// ---------------------------------------------------------------- SoundBuffer

SoundBuffer::SoundBuffer(AudioMixer& mixer, size_t bytes, const PcmFormat& format)
    : mixer_(mixer), format_(format), bytes_(bytes, 0) {
    frames_ = static_cast<uint32_t>(bytes / static_cast<size_t>(format.BlockAlign()));
    mixer_.AddBuffer(this);
}

SoundBuffer::~SoundBuffer() {
    mixer_.RemoveBuffer(this); // waits for a mixing pass that holds the list
}

AudioResult SoundBuffer::SetFrequency(int hz) {
    if (hz != 0 && (hz < kMinFrequency || hz > kMaxFrequency)) return dserr::INVALIDPARAM;
    frequency_.store(hz, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::SetPan(int pan) {
    if (pan < -kMaxPan || pan > kMaxPan) return dserr::INVALIDPARAM;
    pan_.store(pan, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::SetVolume(int level) {
    if (level < kMinLevel || level > 0) return dserr::INVALIDPARAM;
    volume_.store(level, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::Play(bool looping) {
    looping_.store(looping, std::memory_order_relaxed);
    playing_.store(true, std::memory_order_release);
    return kAudioOk;
}

AudioResult SoundBuffer::Stop() {
    playing_.store(false, std::memory_order_release);
    return kAudioOk;
}

void SoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
    const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    const uint32_t frame = frames_ ? static_cast<uint32_t>((position_.load() >> 32) % frames_) : 0;
    if (play) *play = frame * align;
    if (write) {
        // One device period plus 10 ms ahead, in this buffer's frames at its present frequency.
        const uint64_t freq = static_cast<uint64_t>(GetFrequency() ? GetFrequency() : format_.rate);
        const uint64_t period = static_cast<uint64_t>(mixer_.PeriodFrames());
        const uint64_t rate = static_cast<uint64_t>(std::max(1, mixer_.Rate()));
        const uint64_t lead = (period * freq + rate - 1) / rate + (freq * 10 + 999) / 1000;
        *write = frames_ ? static_cast<uint32_t>((frame + lead) % frames_) * align : 0;
    }
}

AudioResult SoundBuffer::SetCurrentPosition(uint32_t play) {
    if (play >= bytes_.size()) return dserr::INVALIDPARAM;
    while (!TryHold())
        std::this_thread::yield();
    position_.store(static_cast<uint64_t>(play / static_cast<uint32_t>(format_.BlockAlign())) << 32);
    Release();
    return kAudioOk;
}

bool SoundBuffer::TryHold() {
    bool expected = false;
    return held_.compare_exchange_strong(expected, true, std::memory_order_acquire);
}

AudioResult SoundBuffer::Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2,
                              uint32_t* n2) {
    const size_t size = bytes_.size();
    if (!p1 || !n1 || offset >= size || bytes == 0 || bytes > size) return dserr::INVALIDPARAM;
    // The audio thread holds a buffer only for one pass and never waits, so this wait is short.
    while (!TryHold())
        std::this_thread::yield();
    const uint32_t first = static_cast<uint32_t>(std::min<size_t>(bytes, size - offset));
    *p1 = bytes_.data() + offset;
    *n1 = first;
    if (p2) *p2 = first < bytes ? bytes_.data() : nullptr;
    if (n2) *n2 = bytes - first;
    return kAudioOk;
}

AudioResult SoundBuffer::Unlock() {
    if (!held_.load()) return dserr::INVALIDCALL;
    Release();
    return kAudioOk;
}

int16_t SoundBuffer::SampleAt(uint32_t frame, int channel) const {
    int16_t v;
    std::memcpy(&v, bytes_.data() + static_cast<size_t>(frame) * format_.BlockAlign() + channel * 2, 2);
    return v;
}

namespace {

// The mixing loops have fixed counts and no branch on the samples: coverage tracing there tells a
// fuzzer nothing and would cost most of its time.
#if defined(__clang__)
#define QV_AUDIO_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define QV_AUDIO_NO_COVERAGE
#endif

// Same rate, on a sample: a straight scaled copy (vectorised by the compiler).
template <int Stride>
QV_AUDIO_NO_COVERAGE void CopyRunOf(const int16_t* __restrict s, float* __restrict l, float* __restrict r,
                                    int n, float gl, float gr) {
    for (int k = 0; k < n; ++k) {
        l[k] += static_cast<float>(s[k * Stride]) * gl;
        r[k] += static_cast<float>(s[k * Stride + Stride - 1]) * gr;
    }
}

// Resampling while the next sample lies inside the buffer: linear interpolation, the position in
// 32.32 fixed point. Returns the position after n frames.
template <int Stride>
QV_AUDIO_NO_COVERAGE uint64_t InterpolateRunOf(const int16_t* __restrict s, float* __restrict l,
                                               float* __restrict r, int n, uint64_t pos, uint64_t step,
                                               float gl, float gr) {
    for (int k = 0; k < n; ++k) {
        const size_t at = static_cast<size_t>(pos >> 32) * Stride;
        const int32_t f = static_cast<int32_t>(static_cast<uint32_t>(pos) >> 17); // 15 bits
        const int32_t l0 = s[at], l1 = s[at + Stride];
        const int32_t r0 = s[at + Stride - 1], r1 = s[at + 2 * Stride - 1];
        l[k] += static_cast<float>(l0 + (((l1 - l0) * f) >> 15)) * gl;
        r[k] += static_cast<float>(r0 + (((r1 - r0) * f) >> 15)) * gr;
        pos += step;
    }
    return pos;
}

// The mono case in two passes: the interpolated samples (loads the compiler cannot vectorise), then
// both channels' gains over them (which it can).
QV_AUDIO_NO_COVERAGE uint64_t InterpolateMono(const int16_t* __restrict s, float* __restrict l,
                                              float* __restrict r, int n, uint64_t pos, uint64_t step,
                                              float gl, float gr) {
    constexpr int kChunk = 256;
    float v[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int m = std::min(kChunk, n - done);
        for (int k = 0; k < m; ++k) {
            const size_t at = static_cast<size_t>(pos >> 32);
            const int32_t f = static_cast<int32_t>(static_cast<uint32_t>(pos) >> 17);
            const int32_t s0 = s[at];
            v[k] = static_cast<float>(s0 + (((s[at + 1] - s0) * f) >> 15));
            pos += step;
        }
        for (int k = 0; k < m; ++k) {
            l[done + k] += v[k] * gl;
            r[done + k] += v[k] * gr;
        }
    }
    return pos;
}

} // namespace

bool SoundBuffer::MixInto(float* left, float* right, int frames, int deviceRate, float primaryGain) {
    if (!TryHold()) return false;
    if (frames_ == 0 || deviceRate <= 0) {
        Release();
        return true;
    }
    const int freq = GetFrequency() ? GetFrequency() : format_.rate;
    const uint64_t step = (static_cast<uint64_t>(freq) << 32) / static_cast<uint64_t>(deviceRate);
    const int pan = GetPan();
    const int volume = GetVolume();
    if (volume != gainVolume_ || pan != gainPan_ || primaryGain != gainPrimary_) {
        // Worked out again only when a control changed (the audio thread owns these fields).
        const double level = LevelToGain(volume) * primaryGain;
        gainLeft_ = static_cast<float>(level * (pan > 0 ? LevelToGain(-pan) : 1.0));
        gainRight_ = static_cast<float>(level * (pan < 0 ? LevelToGain(pan) : 1.0));
        gainVolume_ = volume;
        gainPan_ = pan;
        gainPrimary_ = primaryGain;
    }
    const float gl = gainLeft_, gr = gainRight_;
    const bool looping = IsLooping();
    const bool stereo = format_.channels == 2;
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    const uint64_t lastInside = static_cast<uint64_t>(frames_ - 1) << 32; // positions with a next sample
    uint64_t pos = position_.load(std::memory_order_relaxed);
    const auto* samples = reinterpret_cast<const int16_t*>(bytes_.data());

    int i = 0;
    while (i < frames) {
        if (pos >= end) {
            if (!looping) {
                playing_.store(false, std::memory_order_release);
                pos = 0;
                break;
            }
            pos %= end;
        }
        const uint32_t at = static_cast<uint32_t>(pos >> 32);
        if (step == (uint64_t{1} << 32) && static_cast<uint32_t>(pos) == 0) {
            const int run = static_cast<int>(std::min<uint64_t>(frames - i, frames_ - at));
            if (stereo)
                CopyRunOf<2>(samples + 2 * static_cast<size_t>(at), left + i, right + i, run, gl, gr);
            else
                CopyRunOf<1>(samples + at, left + i, right + i, run, gl, gr);
            i += run;
            pos += static_cast<uint64_t>(run) << 32;
            continue;
        }
        if (pos < lastInside) {
            const uint64_t room = (lastInside - pos + step - 1) / step;
            const int run = static_cast<int>(std::min<uint64_t>(frames - i, room));
            pos = stereo ? InterpolateRunOf<2>(samples, left + i, right + i, run, pos, step, gl, gr)
                         : InterpolateMono(samples, left + i, right + i, run, pos, step, gl, gr);
            i += run;
            continue;
        }
        // The last sample: the next one is the first again (looping) or the same (one-shot).
        const uint32_t next = looping ? 0 : at;
        const int32_t f = static_cast<int32_t>(static_cast<uint32_t>(pos) >> 17);
        for (int c = 0; c < 2; ++c) {
            const int ch = stereo ? c : 0;
            const int32_t s0 = SampleAt(at, ch), s1 = SampleAt(next, ch);
            (c == 0 ? left : right)[i] +=
                static_cast<float>(s0 + (((s1 - s0) * f) >> 15)) * (c == 0 ? gl : gr);
        }
        pos += step;
        ++i;
    }
    position_.store(pos, std::memory_order_relaxed);
    Release();
    return true;
}

// ---------------------------------------------------------------- AudioMixer

void AudioMixer::Mix(int16_t* out, int frames, int rate) {
    std::unique_lock<std::mutex> lock(listMutex_, std::try_to_lock);
    if (!lock || frames <= 0) {
        std::fill(out, out + 2 * std::max(frames, 0), int16_t{0});
        return;
    }
    const size_t n = static_cast<size_t>(frames);
    if (left_.size() < n) {
        left_.resize(n);
        right_.resize(n);
    }
    std::fill(left_.begin(), left_.begin() + frames, 0.0f);
    std::fill(right_.begin(), right_.begin() + frames, 0.0f);
    const float primary = primaryGain_.load(std::memory_order_relaxed);
    for (SoundBuffer* b : buffers_) {
        if (!b->IsPlaying()) continue;
        if (!b->MixInto(left_.data(), right_.data(), frames, rate, primary)) skipped_.fetch_add(1);
    }
    if (!sources_.empty()) {
        if (sourceAcc_.size() < 2 * n) sourceAcc_.resize(2 * n);
        std::fill(sourceAcc_.begin(), sourceAcc_.begin() + 2 * frames, 0);
        for (AudioSource* s : sources_)
            s->MixInto(sourceAcc_.data(), frames, rate);
        for (size_t i = 0; i < n; ++i) {
            left_[i] += static_cast<float>(sourceAcc_[2 * i]);
            right_[i] += static_cast<float>(sourceAcc_[2 * i + 1]);
        }
    }
    ToSamples(left_.data(), right_.data(), out, n);
}

void AudioMixer::AddBuffer(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> lock(listMutex_);
    buffers_.push_back(buffer);
}

void AudioMixer::RemoveBuffer(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> lock(listMutex_);
    buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}

void AudioMixer::AddSource(AudioSource* source) {
    std::lock_guard<std::mutex> lock(listMutex_);
    sources_.push_back(source);
}

void AudioMixer::RemoveSource(AudioSource* source) {
    std::lock_guard<std::mutex> lock(listMutex_);
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void AudioMixer::SetPrimaryLevel(int level) {
    primaryGain_.store(static_cast<float>(LevelToGain(level)), std::memory_order_relaxed);
}

void AudioMixer::SetPeriod(int frames, int rate) {
    periodFrames_.store(std::max(1, frames), std::memory_order_relaxed);
    rate_.store(std::max(1, rate), std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(listMutex_);
    left_.assign(static_cast<size_t>(std::max(1, frames)), 0.0f);
    right_.assign(static_cast<size_t>(std::max(1, frames)), 0.0f);
    sourceAcc_.assign(static_cast<size_t>(2 * std::max(1, frames)), 0);
}

// ---------------------------------------------------------------- AudioDevice

AudioDevice::AudioDevice(int rate, int periodFrames)
    : rate_(rate), periodFrames_(periodFrames), mixer_(std::make_unique<AudioMixer>()) {
    mixer_->SetPeriod(periodFrames, rate);
}

AudioDevice::~AudioDevice() = default;

std::unique_ptr<AudioDevice> AudioDevice::Open(AudioResult* result) {
    AudioResult r = kAudioOk;
    std::unique_ptr<AudioDevice> device =
        ActiveBackend() == BackendKind::Headless ? detail::OpenHeadlessAudio(&r) : detail::OpenSdlAudio(&r);
    if (result) *result = device ? kAudioOk : r;
    return device;
}

AudioResult AudioDevice::SetCooperativeLevel(uintptr_t) {
    return Fails(AudioStage::CooperativeLevel);
}

AudioResult AudioDevice::CreatePrimaryBuffer() {
    if (AudioResult r = Fails(AudioStage::PrimaryBuffer)) return r;
    hasPrimary_ = true;
    return kAudioOk;
}

AudioResult AudioDevice::SetPrimaryFormat(const PcmFormat& format) {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (format.bits != 16 || format.channels < 1 || format.channels > 2) return dserr::BADFORMAT;
    primaryFormat_ = format; // the mix itself stays at the device's rate
    return kAudioOk;
}

AudioResult AudioDevice::SetPrimaryVolume(int level) {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (level < kMinLevel || level > 0) return dserr::INVALIDPARAM;
    mixer_->SetPrimaryLevel(level);
    return kAudioOk;
}

AudioResult AudioDevice::PlayPrimary() {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (AudioResult r = Fails(AudioStage::PrimaryPlay)) return r;
    mixer_->SetPrimaryPlaying(true);
    return kAudioOk;
}

AudioResult AudioDevice::StopPrimary() {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    mixer_->SetPrimaryPlaying(false);
    return kAudioOk;
}

bool AudioDevice::IsPrimaryPlaying() const {
    return mixer_->PrimaryPlaying();
}

std::unique_ptr<SoundBuffer> AudioDevice::CreateSoundBuffer(size_t bytes, const PcmFormat& format,
                                                            AudioResult* result) {
    AudioResult r = Fails(AudioStage::SoundBuffer);
    if (r == kAudioOk && (format.bits != 16 || format.channels < 1 || format.channels > 2 ||
                          format.rate < kMinFrequency || format.rate > kMaxFrequency))
        r = dserr::BADFORMAT;
    if (r == kAudioOk && (bytes < static_cast<size_t>(format.BlockAlign()) || bytes > (size_t{1} << 28)))
        r = dserr::INVALIDPARAM;
    if (result) *result = r;
    if (r != kAudioOk) return nullptr;
    return std::make_unique<SoundBuffer>(*mixer_, bytes, format);
}

void AudioDevice::Pull(int16_t* out, int frames) {
    mixer_->Mix(out, frames, rate_);
}

} // namespace platform
