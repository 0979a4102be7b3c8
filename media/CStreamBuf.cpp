#include "media/CStreamBuf.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "core/TimerLock.h"
#include "media/SoundManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The sample bytes of a sound item after its header, whole samples only; null when there are none.
const uint8_t* FetchSample(int id, uint32_t& length) {
    int itemLength = 0, extra = 0;
    const uint8_t* item =
        CDHDCache::GetCacheItem(CDHDCache::kSoundIdx, CDHDCache::kSound, id, itemLength, extra);
    if (!item || itemLength <= CStreamBuf::kHeaderBytes) {
        length = 0;
        return nullptr;
    }
    // An item of odd data length would end in half a sample.
    length = static_cast<uint32_t>(itemLength - CStreamBuf::kHeaderBytes) & ~1u;
    return item + CStreamBuf::kHeaderBytes;
}

} // namespace

CStreamBuf::CStreamBuf(platform::AudioDevice& device) {
    QVReport::message("CStreamBuf::CStreamBuf(): begin.\n");
    platform::AudioResult r = platform::kAudioOk;
    buffer_ = device.CreateSoundBuffer(kBufferBytes, platform::PcmFormat{kRate, 1, 16}, &r);
    if (!buffer_) {
        SoundManager::ReportError("Failed to create sound buffer", r, "");
        return;
    }
    // A new buffer holds silence already; it loops from now on.
    buffer_->Play(true);
}

CStreamBuf::~CStreamBuf() = default;

int CStreamBuf::VolumeFor(int level, float gain) {
    double v = -2500.0 * (1.0 - (1.0 + level / 2500.0) * static_cast<double>(gain));
    v = std::round(v * 1e6) / 1e6; // -2480 must not come out as -2479.9999 and truncate to -2479
    return std::clamp(static_cast<int>(std::trunc(v)), platform::kMinLevel, 0);
}

void CStreamBuf::SetLevel(int level) {
    level_ = level;
    if (buffer_) buffer_->SetVolume(VolumeFor(level_, gain_));
}

void CStreamBuf::SetGain(float gain) {
    gain_ = gain;
    SetLevel(level_); // always from the requested level, so changes never compound
}

void CStreamBuf::Fill(uint8_t* dst, uint32_t n, const uint8_t* data, uint32_t available, uint64_t at) {
    const uint32_t end = std::min(loop_ ? loopEnd_ : dataLength_, available);
    uint32_t done = 0;
    while (done < n) {
        if (readPos_ >= end) {
            if (loop_ && end > loopStart_) {
                readPos_ = loopStart_;
                continue;
            }
            if (endAbs_ < 0) endAbs_ = static_cast<int64_t>(at + done);
            std::memset(dst + done, 0, n - done);
            return;
        }
        const uint32_t take = std::min(n - done, end - readPos_);
        std::memcpy(dst + done, data + readPos_, take);
        readPos_ += take;
        done += take;
        if (loop_ && take == end - loopStart_ && readPos_ == end && end > loopStart_) {
            // A whole loop now lies in dst, and the rest repeats it: copy from what is written, in
            // runs that double, rather than one loop at a time (a tiny loop took a pass per sample).
            const uint32_t period = take, repeatFrom = done;
            for (uint32_t have = period; done < n; have *= 2) {
                const uint32_t run = std::min(have, n - done);
                std::memcpy(dst + done, dst + done - have, run);
                done += run;
            }
            const uint32_t into = (done - repeatFrom) % period;
            readPos_ = into == 0 ? end : loopStart_ + into;
            return;
        }
    }
}

void CStreamBuf::Write(uint64_t at, uint32_t n) {
    uint32_t available = 0;
    const uint8_t* data = FetchSample(id_, available);
    if (!data) available = 0; // the item went away: what is left plays as silence
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer_->Lock(static_cast<uint32_t>(at % kBufferBytes), n, &p1, &n1, &p2, &n2) != platform::kAudioOk)
        return;
    Fill(p1, n1, data, available, at);
    if (p2 && n2) Fill(p2, n2, data, available, at + n1);
    buffer_->Unlock();
}

bool CStreamBuf::Play(int id, int pan, int level, bool loop, int frequency) {
    if (!buffer_ || id == kFree || id < 0) return false;
    uint32_t length = 0;
    if (!FetchSample(id, length)) return false;
    TimerLockGuard lock;
    id_ = id;
    readPos_ = 0;
    dataLength_ = loopEnd_ = length;
    loopStart_ = 0;
    loop_ = loop;
    endAbs_ = -1;
    level_ = level;
    if (platform::AudioResult r = buffer_->SetPan(pan)) {
        SoundManager::ReportError("DirectSound SetPan failed.", r, "");
        return false;
    }
    if (platform::AudioResult r = buffer_->SetVolume(VolumeFor(level_, gain_))) {
        SoundManager::ReportError("DirectSound SetVolume failed.", r, "");
        return false;
    }
    if (platform::AudioResult r = buffer_->SetFrequency(frequency)) {
        SoundManager::ReportError("DirectSound SetFrequency failed.", r, "");
        return false;
    }
    // Everything from the write cursor round to the play cursor is written now; the bytes between
    // the play and write cursors are already on their way out.
    uint32_t play = 0, write = 0;
    buffer_->GetCurrentPosition(&play, &write);
    const uint32_t lead = (write + kBufferBytes - play) % kBufferBytes;
    playAbs_ = play;
    writeAbs_ = play + kBufferBytes;
    Write(play + lead, kBufferBytes - lead);
    if (!buffer_->IsPlaying()) buffer_->Play(true);
    return true;
}

void CStreamBuf::Update() {
    if (!buffer_ || id_ == kFree) return;
    TimerLockGuard lock;
    if (!buffer_->IsPlaying()) buffer_->Play(true);
    uint32_t play = 0;
    buffer_->GetCurrentPosition(&play, nullptr);
    playAbs_ += (play + kBufferBytes - static_cast<uint32_t>(playAbs_ % kBufferBytes)) % kBufferBytes;
    // A voice is free once its last sample and half a buffer of silence have played.
    if (endAbs_ >= 0 && playAbs_ >= static_cast<uint64_t>(endAbs_) + kHalfBytes) {
        Free();
        return;
    }
    // The next half goes where the last write ended, once that much has played.
    if (playAbs_ + kBufferBytes >= writeAbs_ + kHalfBytes) {
        Write(writeAbs_, kHalfBytes);
        writeAbs_ += kHalfBytes;
    }
}

void CStreamBuf::Release() {
    if (!buffer_ || id_ == kFree) return;
    TimerLockGuard lock;
    Free();
}

void CStreamBuf::Free() {
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer_->Lock(0, kBufferBytes, &p1, &n1, &p2, &n2) == platform::kAudioOk) {
        std::memset(p1, 0, n1);
        buffer_->Unlock();
    }
    id_ = kFree;
    loop_ = false;
    readPos_ = dataLength_ = loopEnd_ = 0;
    endAbs_ = -1;
    buffer_->SetFrequency(0);
}
