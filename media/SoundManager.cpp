#include "media/SoundManager.h"

#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "media/CStreamBuf.h"
#include "net/NetServices.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

namespace SoundManager {
namespace {

constexpr int kAmbientStart = -2500;
constexpr int kAmbientTop = -2200;
constexpr int kFadeStep = 20;
constexpr int kCleared = -10000;

struct State {
    std::unique_ptr<platform::AudioDevice> device;
    bool primary = false;
    int masterVolume = 255;
    bool enabled = true;
    std::array<std::unique_ptr<CStreamBuf>, kVoiceCount> voices;
    platform::PcmFormat primaryFormat{CStreamBuf::kRate, 2, 16};
    Ambient current{0, -1, kCleared};
    Ambient fading{0, -1, kCleared};
    SoundListener listener;
};

State& M() {
    static State s;
    return s;
}

bool Ready() {
    return M().device && M().primary;
}

CStreamBuf* LiveVoice(int index) {
    if (index < 0 || index >= kVoiceCount || !M().voices[index]) return nullptr;
    CStreamBuf* v = M().voices[index].get();
    return v->HasBuffer() ? v : nullptr;
}

float MasterGain() {
    return static_cast<float>(M().masterVolume) / 255.0f;
}

void ApplyGainToVoices() {
    for (int i = 0; i < kVoiceCount; ++i)
        if (CStreamBuf* v = LiveVoice(i)) v->SetGain(MasterGain());
}

void StartPrimary() {
    if (platform::AudioResult r = M().device->PlayPrimary())
        ReportError("Failed to start playing primary buffer", r, "");
}

int Substitute(int id) {
    const SoundListener& l = M().listener;
    const bool bodyConv = l.bodyConvLoaded ? l.bodyConvLoaded() : DefManager::IsBodyConvLoaded();
    const uint32_t flags = l.featureFlags ? l.featureFlags() : DefManager::GetFeatureFlags();
    if (bodyConv && (flags & 2) != 0) return id;
    const DefTable* table = DefManager::GetTable(DefManager::Sound);
    if (table && table->Contains(id)) return table->PickAlternative(id, 0);
    return id;
}

// The voice to play on: the lowest free one, else the quietest but the current ambient (the
// higher index among equals).
int ChooseVoice() {
    for (int i = 0; i < kVoiceCount; ++i)
        if (CStreamBuf* v = LiveVoice(i); v && v->IsFree()) return i;
    int chosen = -1;
    int quietest = 1;
    for (int i = 0; i < kVoiceCount; ++i) {
        CStreamBuf* v = LiveVoice(i);
        if (!v || i == M().current.voice) continue;
        const int volume = v->Buffer()->GetVolume();
        if (chosen < 0 || volume <= quietest) {
            chosen = i;
            quietest = volume;
        }
    }
    return chosen;
}

bool ItemPlayable(int id) {
    const uint8_t* record = CDHDCache::GetRecord(CDHDCache::kSoundIdx, id);
    if (!record) return false;
    CDHDCache::IndexRecord r{};
    if (!CDHDCache::ReadIndexRecord(record, CDHDCache::kIndexRecordSize, 0, r)) return false;
    return r.offset != -1 && r.length > CStreamBuf::kHeaderBytes;
}

// A voice left behind by an ambient sound is silenced and freed, so it does not loop unheard on.
void DropAmbientVoice(const Ambient& a) {
    if (CStreamBuf* v = LiveVoice(a.voice); v && v->Id() == a.id) v->Release();
}

struct ErrorName {
    platform::AudioResult code;
    const char* name;
};
constexpr ErrorName kErrorNames[] = {
    {platform::dserr::ALLOCATED, "(DSERR_ALLOCATED)"},
    {platform::dserr::CONTROLUNAVAIL, "(DSERR_CONTROLUNAVAIL)"},
    {platform::dserr::INVALIDPARAM, "(DSERR_INVALIDPARAM)"},
    {platform::dserr::INVALIDCALL, "(DSERR_INVALIDCALL)"},
    {platform::dserr::GENERIC, "(DSERR_GENERIC)"},
    {platform::dserr::PRIOLEVELNEEDED, "(DSERR_PRIOLEVELNEEDED)"},
    {platform::dserr::OUTOFMEMORY, "(DSERR_OUTOFMEMORY)"},
    {platform::dserr::BADFORMAT, "(DSERR_BADFORMAT)"},
    {platform::dserr::UNSUPPORTED, "(DSERR_UNSUPPORTED)"},
    {platform::dserr::NODRIVER, "(DSERR_NODRIVER)"},
    {platform::dserr::ALREADYINITIALIZED, "(DSERR_ALREADYINITIALIZED)"},
    {platform::dserr::NOAGGREGATION, "(DSERR_NOAGGREGATION)"},
    {platform::dserr::BUFFERLOST, "(DSERR_BUFFERLOST)"},
    {platform::dserr::OTHERAPPHASPRIO, "(DSERR_OTHERAPPHASPRIO)"},
};

} // namespace

void SetSoundListener(SoundListener listener) {
    M().listener = std::move(listener);
}

void CSoundManager() {
    QVReport::message("SoundManager::CSoundManager(): begin.\n");
    M().enabled = ::Sound;
    M().masterVolume = std::clamp(::SoundVol, 0, 255);
    M().current = Ambient{0, -1, kCleared};
    M().fading = Ambient{0, -1, kCleared};
    for (auto& v : M().voices)
        v.reset();
    M().device.reset();
    M().primary = false;
    M().primaryFormat = platform::PcmFormat{CStreamBuf::kRate, 2, 16};
}

void InitDirectSound(uintptr_t window) {
    State& m = M();
    platform::AudioResult r = platform::kAudioOk;
    m.device = platform::AudioDevice::Open(&r);
    if (!m.device) return; // no sound card: the game runs silently
    if ((r = m.device->SetCooperativeLevel(window)) != platform::kAudioOk) {
        char extra[64] = "";
        if (r == platform::dserr::INVALIDPARAM)
            std::snprintf(extra, sizeof extra, "Window Handle == %d", static_cast<int>(window));
        ReportError("Failed to set cooperative level", r, extra);
        return;
    }
    if ((r = m.device->CreatePrimaryBuffer()) != platform::kAudioOk) {
        ReportError("Failed to create primary sound buffer", r, "");
        return;
    }
    m.primary = true;
    (void)m.device->SetPrimaryFormat(m.primaryFormat);
    for (auto& v : m.voices)
        v = std::make_unique<CStreamBuf>(*m.device);
    if (m.enabled) {
        ApplyGainToVoices();
        StartPrimary();
    }
}

void shutdown() {
    QVReport::message("SoundManager::shutdown: begin.\n");
    State& m = M();
    if (!m.primary) {
        m.device.reset();
        return;
    }
    for (auto& v : m.voices)
        v.reset();
    m.primary = false;
    m.device.reset();
}

int PlaySound(int id, int pan, int volume, bool loop, int pitchVariance, bool allowSecondCopy) {
    State& m = M();
    id = Substitute(id);
    if (!m.enabled || id < 0 || id >= kSoundCount || !Ready()) return -1;
    if (!allowSecondCopy)
        for (int i = 0; i < kVoiceCount; ++i)
            if (CStreamBuf* v = LiveVoice(i); v && v->Id() == id) return i;
    const int index = ChooseVoice();
    if (index < 0 || !ItemPlayable(id)) return -1;
    int frequency = 0;
    if (pitchVariance > 0) {
        const int r = RandomBelow(pitchVariance);
        const int delta = static_cast<int>(r * 0.01 * CStreamBuf::kRate);
        frequency = RandomBelow(2) == 1 ? CStreamBuf::kRate + delta : CStreamBuf::kRate - delta;
    }
    if (index == m.fading.voice) m.fading.voice = -1;
    if (index == m.current.voice) m.current.voice = -1;
    if (!m.voices[index]->Play(id, pan, volume, loop, frequency)) return -1;
    return index;
}

int PlaySoundAt(int id, int x, int y, float scale, bool loop, int pitchVariance, bool allowSecondCopy) {
    const SoundListener& l = M().listener;
    int px = 0, py = 0;
    const bool player = l.playerCell && l.playerCell(px, py);
    int d = 9999;
    if (player) d = l.distance ? l.distance(x, y, px, py) : std::max(std::abs(x - px), std::abs(y - py));
    const int volume = static_cast<int>(std::min(d / 18.0, 1.0) * scale * -2500.0);
    const double c = std::clamp(((x - y) - (px - py)) * 0.5 / 18.0, -1.0, 1.0);
    int pan = static_cast<int>(c * 2500.0);
    if (::ReverseSpeakers) pan = -pan;
    return PlaySound(id, pan, volume, loop, pitchVariance, allowSecondCopy);
}

int PlaySoundIfEnabled(int id, int pan, int volume) {
    if (!M().enabled) return -1;
    return PlaySound(id, pan, volume, false, 0, false);
}

void PlayAmbientSound(int id) {
    State& m = M();
    if (id == m.current.id) return;
    if (id == m.fading.id && id != 0 && id != kNoSound && m.fading.voice != -1) {
        std::swap(m.current, m.fading); // the old sound fades back in from where it stood
        return;
    }
    if (m.fading.voice != -1 && m.fading.voice != m.current.voice) DropAmbientVoice(m.fading);
    m.fading = m.current;
    m.current = Ambient{id, -1, kAmbientStart};
    if (id != 0 && id != kNoSound) m.current.voice = PlaySound(id, 0, kAmbientStart, true, 0, false);
    if (m.current.voice != -1 && m.current.voice == m.fading.voice) m.fading = Ambient{0, -1, kCleared};
}

void Update() {
    State& m = M();
    if (!m.enabled || !Ready()) return;
    for (int i = 0; i < kVoiceCount; ++i)
        if (CStreamBuf* v = LiveVoice(i)) v->Update();
    if (m.fading.voice != -1) {
        m.fading.level -= kFadeStep;
        CStreamBuf* v = LiveVoice(m.fading.voice);
        if (m.fading.level <= kAmbientStart) {
            // Freed, not only stopped: a stopped voice that keeps its sound would be started
            // again by its next refill.
            DropAmbientVoice(m.fading);
            m.fading = Ambient{0, -1, kCleared};
        } else if (v) {
            v->SetLevel(m.fading.level);
        }
    }
    if (m.current.voice != -1) {
        m.current.level = std::min(m.current.level + kFadeStep, kAmbientTop);
        if (CStreamBuf* v = LiveVoice(m.current.voice)) v->SetLevel(m.current.level);
    }
}

void SetVolume(int volume) {
    M().masterVolume = std::clamp(volume, 0, 255);
    if (M().primary) ApplyGainToVoices();
}

void EnableSound(bool on) {
    State& m = M();
    m.enabled = on;
    if (on) {
        if (m.primary) {
            ApplyGainToVoices();
            StartPrimary();
        }
        if (m.current.id != 0 && m.current.id != kNoSound && m.current.voice == -1)
            m.current.voice = PlaySound(m.current.id, 0, m.current.level, true, 0, false);
        return;
    }
    if (m.primary) DropAmbientVoice(m.fading);
    m.fading = Ambient{0, -1, kCleared};
    m.current.level = kAmbientStart;
    if (!m.primary) return;
    for (int i = 0; i < kVoiceCount; ++i)
        if (CStreamBuf* v = LiveVoice(i)) v->Buffer()->Stop();
    if (platform::AudioResult r = m.device->StopPrimary())
        ReportError("Failed to stop playing primary buffer", r, "");
}

bool IsEnabled() {
    return M().enabled;
}

std::string ErrorText(const char* message, platform::AudioResult code, const char* extra) {
    const char* name = "";
    for (const ErrorName& e : kErrorNames)
        if (e.code == code) name = e.name;
    char text[2048];
    std::snprintf(text, sizeof text, "%s %s %s", message ? message : "", name, extra ? extra : "");
    return text;
}

void ReportError(const char* message, platform::AudioResult code, const char* extra) {
    const std::string text = ErrorText(message, code, extra);
    QVReport::warning("SoundManager: %s\n", text.c_str());
    platform::ShowMessageBox(text, "DirectSound Error");
}

void BindServices() {
    NetServices& n = GetNetServices();
    n.playAmbientSound = PlayAmbientSound;
    n.playSoundAt = [](int id, int x, int y) { PlaySoundAt(id, x, y, 1.0f, false, 0, false); };
}

Ambient CurrentAmbient() {
    return M().current;
}

Ambient FadingAmbient() {
    return M().fading;
}

CStreamBuf* Voice(int index) {
    if (index < 0 || index >= kVoiceCount) return nullptr;
    return M().voices[index].get();
}

platform::AudioDevice* Device() {
    return M().device.get();
}

void ResetForTests() {
    for (auto& v : M().voices)
        v.reset();
    M().device.reset();
    M().primary = false;
    M().masterVolume = 255;
    M().enabled = true;
    M().current = Ambient{0, -1, kCleared};
    M().fading = Ambient{0, -1, kCleared};
    M().listener = SoundListener{};
}

} // namespace SoundManager
