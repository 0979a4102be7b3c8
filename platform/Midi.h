#pragma once
// The MIDI sequencer device as the music code expects it (open a song file, play it with a
// notification at its end, stop, close, a playing status and a volume word), rendered by a
// software synthesiser with a General MIDI sound font into the audio mixer as one of its sources.
// The song's clock is the rendered samples, so the virtual device drives it exactly.
//
// The sound font: $QV_SOUNDFONT when set (and then only that), else the system's General MIDI
// fonts "/usr/share/sounds/sf2/default-GM.sf2", then "/usr/share/sounds/sf2/TimGM6mb.sf2".
#include "platform/AudioMixer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

// What MM_MCINOTIFY carries in wParam when a song played to its end.
constexpr uintptr_t kMciNotifySuccessful = 1;

// The sound font path by the rule above; empty when none exists.
std::string FindSoundFont();

class MidiSong : public AudioSource {
  public:
    enum class Error { None, NoFont, NoFile, NotMidi, Synth };

    // Opens the song file on the mixer (not yet playing); null with the reason in *error.
    static std::unique_ptr<MidiSong> Open(AudioMixer& mixer, const std::string& path, Error* error);
    ~MidiSong() override; // leaves the mix: the close
    MidiSong(const MidiSong&) = delete;
    MidiSong& operator=(const MidiSong&) = delete;

    // Plays from the start; once the song has played to its end MM_MCINOTIFY (wParam
    // kMciNotifySuccessful, lParam the song's id) is posted to the main window. A stop or a close
    // posts nothing.
    bool Play();
    void Stop();
    bool IsPlaying() const;
    // The volume word: left level in the low 16 bits, right in the high ones (0..65535 each);
    // each scales its channel's amplitude linearly.
    void SetVolumeWord(uint32_t word);
    uint32_t VolumeWord() const;
    // A number for the song, unique in the process (never 0).
    uint32_t Id() const { return id_; }

    void MixInto(int32_t* acc, int frames, int rate) override;

  private:
    struct Impl;
    MidiSong(AudioMixer& mixer, std::unique_ptr<Impl> impl);

    AudioMixer& mixer_;
    std::unique_ptr<Impl> impl_;
    mutable std::mutex mutex_; // the player and its state, against the audio thread
    uint32_t id_ = 0;
    bool playing_ = false;
    uint32_t volumeWord_ = 0xFFFFFFFFu;
};

// MIDI songs read at most this many bytes.
constexpr size_t kMaxMidiFileBytes = 4u << 20;
// Whether bytes start like a standard MIDI file ("MThd", header length 6 or more, and at least one
// "MTrk" chunk inside the bytes).
bool LooksLikeMidi(const uint8_t* data, size_t size);

} // namespace platform
