#pragma once
// The digital music player: songs listed in "MUSIC\DIGITAL\CONFIG.TXT" with MPEG-audio files are
// decoded by the client's own decoder on a service thread and streamed into a looping sound buffer
// of the audio device. One player for the run; each playing file is a stream fed by a source.
//
// Threads: the main thread plays, stops, sets the volume and asks whether something plays; the
// service thread refills the streams every 15 ms. The player's lock guards the set of streams and
// each stream's buffer and source while it is in the set.
#include "core/CMMF.h"
#include "media/mpeg/MpegAudioDecoder.h"
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The song table of "CONFIG.TXT": song id -> its file entries in the order read.
using DigitalMusicTable = std::map<int, std::vector<std::string>>;
constexpr int kDigitalSongCount = 49;
// Reads the text of "CONFIG.TXT" into table (adding to what it holds). Lines are cut at 511
// characters; ids are decimal, bounded, and only 0..48 count.
void ParseDigitalMusicConfig(const char* text, size_t size, DigitalMusicTable& table);

class CAudioSource {
  public:
    virtual ~CAudioSource() = default;
    virtual bool Open(const std::string& path) = 0;
    // Bytes of 16-bit stereo PCM produced; 0 or less at the end of the data.
    virtual int Read(void* buffer, int bytes) = 0;
    virtual void Reserved() {}
    // Property 0: the loop property (stored; playback still ends at the end of the file).
    void SetProperty(int property, int value);
    int SampleRate() const { return sampleRate_; }
    bool Loop() const { return loop_ != 0; }

  protected:
    int sampleRate_ = -1;
    uint8_t loop_ = 0;
};

class CMp3FileSource : public CAudioSource {
  public:
    CMp3FileSource();
    ~CMp3FileSource() override;
    // Maps the file read-only and opens the decoder at its first 0xFF byte.
    bool Open(const std::string& path) override;
    // The same over bytes the caller keeps alive (the mapped view; fuzzing).
    bool OpenBytes(const uint8_t* data, size_t size);
    // Always stereo: a one-channel stream has each sample in both channels.
    int Read(void* buffer, int bytes) override;
    int Channels() const { return channels_; }

  private:
    std::unique_ptr<CMMF> file_;
    CMpegAudioDecoder decoder_;
    size_t size_ = 0; // bytes given to the decoder
    int channels_ = 2;
    std::vector<uint8_t> mono_;
};

class CDigitalMusicStream {
  public:
    static constexpr uint32_t kBufferBytes = 131072;

    // Creates the looping buffer, zeroed and playing; *ok false when the device refused it.
    CDigitalMusicStream(platform::AudioDevice& device, bool* ok);
    ~CDigitalMusicStream();
    CDigitalMusicStream(const CDigitalMusicStream&) = delete;
    CDigitalMusicStream& operator=(const CDigitalMusicStream&) = delete;

    // Resolves "MUSIC\DIGITAL\<name>" (".mp3" added without an extension) and opens it.
    bool Open(const std::string& entry);
    // Service thread, under the player's lock: refills what has played. True once the stream has
    // played its last decoded byte and should be removed.
    bool Service();
    platform::SoundBuffer* Buffer() { return buffer_.get(); }
    CAudioSource* Source() { return source_.get(); }

  private:
    int64_t writePosition_ = -1;
    std::unique_ptr<platform::SoundBuffer> buffer_;
    std::unique_ptr<CAudioSource> source_;
    bool ended_ = false;
    uint32_t lastPlay_ = 0;
    uint32_t tailLeft_ = 0; // decoded bytes still to play after the end
};

class CDigitalMusicPlayer {
  public:
    // startThread false: no service thread; the owner calls ServiceStreams (tests on the manual clock).
    CDigitalMusicPlayer(platform::AudioDevice* device, bool startThread);
    ~CDigitalMusicPlayer();
    CDigitalMusicPlayer(const CDigitalMusicPlayer&) = delete;
    CDigitalMusicPlayer& operator=(const CDigitalMusicPlayer&) = delete;

    CDigitalMusicStream* Play(int song);
    CDigitalMusicStream* StartStream(const std::string& entry, bool songZero);
    void Stop();
    bool IsPlaying() const { return count_.load(std::memory_order_acquire) > 0; }
    void SetVolume(int volume); // 0..256
    void LoadConfig();
    // One pass of the service thread.
    void ServiceStreams();
    bool ThreadRunning() const { return thread_.joinable(); }

    const DigitalMusicTable& Table() const { return table_; }
    // The server's feature word (bit 1: every song may play digitally); empty: the .def tables'.
    void SetFeatureFlags(std::function<uint32_t()> flags) { featureFlags_ = std::move(flags); }
    // The buffer volume, in hundredths of a decibel, of player volume v.
    static int BufferLevel(int volume) { return ((volume * 2500) >> 8) - 2500; }

  private:
    void ThreadMain();
    void RemoveAll();

    platform::AudioDevice* device_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    mutable std::mutex lock_;
    int volume_ = 0;
    std::set<CDigitalMusicStream*> streams_;
    std::atomic<int> count_{0};
    DigitalMusicTable table_;
    std::function<uint32_t()> featureFlags_;
};

bool CreateDigitalMusicPlayer(platform::AudioDevice* device, bool startThread = true);
void DestroyDigitalMusicPlayer();
CDigitalMusicPlayer* GetDigitalMusicPlayer();
