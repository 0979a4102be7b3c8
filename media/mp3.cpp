#include "media/mp3.h"

#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "platform/platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr size_t kMaxLine = 511;
constexpr int kServiceMs = 15;

std::unique_ptr<CDigitalMusicPlayer> g_player;

// Resolves a name under the installation folder, ignoring letter case like the system's own.
std::string InstallationPath(const std::string& name) {
    const std::string path = FileManager::get_HDpath(name);
    if (auto found = platform::FindPathIgnoringCase(path)) return *found;
    return path;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A decimal id with an optional sign; -1 for anything that is not an id of 0..48 (digits beyond
// what fits are not wrapped into range).
int ParseSongId(const std::string& word) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    int64_t value = 0;
    bool digits = false;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        digits = true;
        value = std::min<int64_t>(value * 10 + (word[i] - '0'), 1000000);
    }
    if (!digits) return 0; // as atoi: no digits read as 0
    if (negative) value = -value;
    return value >= 0 && value < kDigitalSongCount ? static_cast<int>(value) : -1;
}

void ParseLine(std::string line, DigitalMusicTable& table) {
    while (!line.empty() && static_cast<signed char>(line.back()) <= 32)
        line.pop_back();
    if (line.empty() || line[0] == '#') return;
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t next = line.find(' ', at);
        const size_t end = next == std::string::npos ? line.size() : next;
        if (end > at) words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    if (words.size() < 2) return;
    const int id = ParseSongId(words[0]);
    if (id < 0) return;
    auto& entries = table[id];
    entries.insert(entries.end(), words.begin() + 1, words.end());
}

} // namespace

void ParseDigitalMusicConfig(const char* text, size_t size, DigitalMusicTable& table) {
    // A longer line is read in pieces of 511 characters, each taken as a line of its own.
    std::string line;
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '\n') {
            ParseLine(std::move(line), table);
            line.clear();
            continue;
        }
        if (line.size() == kMaxLine) {
            ParseLine(std::move(line), table);
            line.clear();
        }
        line.push_back(text[i]);
    }
    if (!line.empty()) ParseLine(std::move(line), table);
}

// ---------------------------------------------------------------- sources

void CAudioSource::SetProperty(int property, int value) {
    if (property == 0) loop_ = static_cast<uint8_t>(value);
}

CMp3FileSource::CMp3FileSource() = default;

CMp3FileSource::~CMp3FileSource() {
    if (decoder_.isOpen()) decoder_.Close();
    if (file_) file_->Close();
}

bool CMp3FileSource::Open(const std::string& path) {
    file_ = std::make_unique<CMMF>(path.c_str());
    const uint8_t* view = file_->Open(false);
    if (!view || file_->GetSize() <= 0) return false;
    return OpenBytes(view, static_cast<size_t>(file_->GetSize()));
}

bool CMp3FileSource::OpenBytes(const uint8_t* data, size_t size) {
    if (!data || size == 0) return false;
    // Leading tags and junk are skipped; a file without a 0xFF byte is not MPEG audio.
    const void* first = std::memchr(data, 0xFF, size);
    if (!first) return false;
    const uint8_t* start = static_cast<const uint8_t*>(first);
    size_ = size - static_cast<size_t>(start - data);
    if (decoder_.Open(start, size_) != 0) return false;
    sampleRate_ = decoder_.sampleRate();
    channels_ = decoder_.channels() == 1 ? 1 : 2;
    return true;
}

int CMp3FileSource::Read(void* buffer, int bytes) {
    if (!decoder_.isOpen() || bytes <= 0) return 0;
    if (static_cast<uint64_t>(decoder_.bitCursor() / 8) > size_) return 0;
    if (channels_ == 2) return decoder_.Read(buffer, bytes);
    const int want = bytes / 4 * 2;
    if (want <= 0) return 0;
    mono_.resize(static_cast<size_t>(want));
    const int got = decoder_.Read(mono_.data(), want);
    if (got <= 0) return got;
    const int samples = got / 2;
    int16_t* out = static_cast<int16_t*>(buffer);
    for (int i = 0; i < samples; ++i) {
        int16_t s;
        std::memcpy(&s, mono_.data() + 2 * i, 2);
        out[2 * i] = s;
        out[2 * i + 1] = s;
    }
    return samples * 4;
}

// ---------------------------------------------------------------- streams

CDigitalMusicStream::CDigitalMusicStream(platform::AudioDevice& device, bool* ok) {
    platform::AudioResult result = platform::kAudioOk;
    buffer_ = device.CreateSoundBuffer(kBufferBytes, platform::PcmFormat{44100, 2, 16}, &result);
    *ok = buffer_ != nullptr;
    if (!buffer_) return;
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer_->Lock(0, kBufferBytes, &p1, &n1, &p2, &n2) == platform::kAudioOk) {
        std::memset(p1, 0, n1);
        if (p2) std::memset(p2, 0, n2);
        buffer_->Unlock();
    }
    buffer_->Play(true);
}

CDigitalMusicStream::~CDigitalMusicStream() {
    if (buffer_) buffer_->Stop();
}

bool CDigitalMusicStream::Open(const std::string& entry) {
    const size_t comma = entry.find(',');
    std::string name = entry.substr(0, comma);
    const std::string option = comma == std::string::npos ? std::string() : entry.substr(comma + 1);
    std::string path = "MUSIC\\DIGITAL\\" + name;
    if (name.find('.') == std::string::npos) path += ".mp3";
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || !EqualsIgnoringCase(path.substr(dot + 1), "mp3")) return false;
    auto source = std::make_unique<CMp3FileSource>();
    if (!source->Open(InstallationPath(path))) return false;
    buffer_->SetFrequency(source->SampleRate());
    buffer_->SetVolume(0);
    if (option == "loop") source->SetProperty(0, 1);
    source_ = std::move(source);
    return true;
}

bool CDigitalMusicStream::Service() {
    if (!source_ || !buffer_) return false;
    uint32_t play = 0, write = 0;
    buffer_->GetCurrentPosition(&play, &write);
    if (ended_) {
        // The end was decoded: the stream leaves once the play cursor has passed its last byte.
        const uint32_t moved = (play + kBufferBytes - lastPlay_) % kBufferBytes;
        lastPlay_ = play;
        if (moved >= tailLeft_) return true;
        tailLeft_ -= moved;
    }
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer_->Lock(0, kBufferBytes, &p1, &n1, &p2, &n2) != platform::kAudioOk) return false;
    if (writePosition_ < 0) writePosition_ = write;
    auto fill = [&](uint32_t from, uint32_t to) {
        while (from < to) {
            if (ended_) {
                std::memset(p1 + from, 0, to - from);
                break;
            }
            const int got = source_->Read(p1 + from, static_cast<int>(to - from));
            if (got <= 0) {
                ended_ = true;
                lastPlay_ = play;
                tailLeft_ = (from + kBufferBytes - play) % kBufferBytes;
                continue;
            }
            from += static_cast<uint32_t>(got);
        }
    };
    uint32_t at = static_cast<uint32_t>(writePosition_);
    if (at > play) {
        fill(at, kBufferBytes);
        at = 0;
    }
    if (at < play) fill(at, play);
    writePosition_ = play;
    buffer_->Unlock();
    return ended_ && tailLeft_ == 0;
}

// ---------------------------------------------------------------- player

CDigitalMusicPlayer::CDigitalMusicPlayer(platform::AudioDevice* device, bool startThread) : device_(device) {
    LoadConfig();
    if (startThread) thread_ = std::thread([this] { ThreadMain(); });
}

CDigitalMusicPlayer::~CDigitalMusicPlayer() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
    RemoveAll();
    table_.clear();
}

void CDigitalMusicPlayer::ThreadMain() {
    platform::SetCurrentThreadPriority(platform::ThreadPriority::Highest);
    while (running_.load()) {
        ServiceStreams();
        std::this_thread::sleep_for(std::chrono::milliseconds(kServiceMs));
    }
}

void CDigitalMusicPlayer::ServiceStreams() {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = streams_.begin(); it != streams_.end();) {
        CDigitalMusicStream* s = *it;
        if (s->Service()) {
            it = streams_.erase(it);
            count_.store(static_cast<int>(streams_.size()), std::memory_order_release);
            delete s;
        } else {
            ++it;
        }
    }
}

void CDigitalMusicPlayer::LoadConfig() {
    std::FILE* f = std::fopen(InstallationPath("MUSIC\\DIGITAL\\CONFIG.TXT").c_str(), "rb");
    if (!f) return;
    std::vector<char> text(1 << 20);
    const size_t n = std::fread(text.data(), 1, text.size(), f);
    std::fclose(f);
    ParseDigitalMusicConfig(text.data(), n, table_);
}

CDigitalMusicStream* CDigitalMusicPlayer::Play(int song) {
    auto it = table_.find(song);
    if (it == table_.end() || it->second.empty()) return nullptr;
    const std::string& entry =
        it->second[static_cast<size_t>(RandomBelow(static_cast<int>(it->second.size())))];
    return StartStream(entry, song == 0);
}

CDigitalMusicStream* CDigitalMusicPlayer::StartStream(const std::string& entry, bool songZero) {
    if (!songZero) {
        const uint32_t flags = featureFlags_ ? featureFlags_() : DefManager::GetFeatureFlags();
        if ((flags & 2) == 0) return nullptr;
    }
    if (!device_) return nullptr;
    bool ok = false;
    auto stream = std::make_unique<CDigitalMusicStream>(*device_, &ok);
    if (!ok || !stream->Open(entry)) return nullptr;
    int volume;
    {
        std::lock_guard<std::mutex> guard(lock_);
        volume = volume_;
    }
    stream->Buffer()->SetVolume(BufferLevel(volume));
    std::lock_guard<std::mutex> guard(lock_);
    CDigitalMusicStream* s = stream.release();
    streams_.insert(s);
    count_.store(static_cast<int>(streams_.size()), std::memory_order_release);
    return s;
}

void CDigitalMusicPlayer::RemoveAll() {
    std::lock_guard<std::mutex> guard(lock_);
    for (CDigitalMusicStream* s : streams_)
        delete s;
    streams_.clear();
    count_.store(0, std::memory_order_release);
}

void CDigitalMusicPlayer::Stop() {
    RemoveAll();
}

void CDigitalMusicPlayer::SetVolume(int volume) {
    std::lock_guard<std::mutex> guard(lock_);
    volume_ = std::clamp(volume, 0, 256);
    for (CDigitalMusicStream* s : streams_)
        s->Buffer()->SetVolume(BufferLevel(volume_));
}

bool CreateDigitalMusicPlayer(platform::AudioDevice* device, bool startThread) {
    g_player.reset();
    try {
        g_player = std::make_unique<CDigitalMusicPlayer>(device, startThread);
    } catch (const std::exception& e) {
        QVReport::warning("CreateDigitalMusicPlayer: %s\n", e.what());
        g_player.reset();
        return false;
    }
    return true;
}

void DestroyDigitalMusicPlayer() {
    g_player.reset();
}

CDigitalMusicPlayer* GetDigitalMusicPlayer() {
    return g_player.get();
}
