#include "core/CharData.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/StoreErrors.h"
#include "core/config.h"
#include "platform/platform.h"

namespace CharData {
namespace {

struct State {
    uint16_t speech[kSlots];
    uint16_t emote[kSlots];
    uint16_t currentSpeech = kDefaultSpeechHue;
    uint16_t currentEmote = kDefaultEmoteHue;
    // The file that was there but could not be read at the last load: the hues in memory are not
    // its hues, so it is not overwritten with them.
    std::string unreadable;
    State() { SetDefaults(); }
    void SetDefaults() {
        for (int i = 0; i < kSlots; ++i) {
            speech[i] = kDefaultSpeechHue;
            emote[i] = kDefaultEmoteHue;
        }
    }
};

State& S() {
    static State state;
    return state;
}

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kSlots;
}

int DefaultSlot() {
    return ValidSlot(DefaultChar) ? DefaultChar : 0;
}

} // namespace

uint16_t GetSpeechHue(int slot) {
    return ValidSlot(slot) ? S().speech[slot] : kDefaultSpeechHue;
}

uint16_t GetEmoteHue(int slot) {
    return ValidSlot(slot) ? S().emote[slot] : kDefaultEmoteHue;
}

void SetSpeechHue(int slot, uint16_t hue) {
    if (ValidSlot(slot)) S().speech[slot] = hue;
}

void SetEmoteHue(int slot, uint16_t hue) {
    if (ValidSlot(slot)) S().emote[slot] = hue;
}

void LoadFromBytes(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < 2 * kSlots && 2 * i + 1 < size; ++i) {
        uint16_t hue = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (i < kSlots)
            S().speech[i] = hue;
        else
            S().emote[i - kSlots] = hue;
    }
}

std::vector<uint8_t> ToBytes() {
    std::vector<uint8_t> out;
    for (int pass = 0; pass < 2; ++pass)
        for (uint16_t hue : pass == 0 ? S().speech : S().emote) {
            out.push_back(static_cast<uint8_t>(hue));
            out.push_back(static_cast<uint8_t>(hue >> 8));
        }
    return out;
}

std::string FilePlace() {
    std::optional<std::string> name = ConfigFiles::PerCharacterName(kFileName);
    return ConfigFiles::WorkingPath(name ? *name : kFileName);
}

void ResetForTests() {
    S() = State{};
}

} // namespace CharData

namespace CApp {

void LoadCharData() {
    QVReport::message("CApp::LoadCharData: begin.\n");
    CharData::State& s = CharData::S();
    s.SetDefaults();
    s.unreadable.clear();
    std::string place = CharData::FilePlace();
    platform::FileContents contents = platform::ReadFileContents(place);
    if (contents.status == platform::ReadStatus::Missing) {
        place = ConfigFiles::WorkingPath(CharData::kFileName);
        contents = platform::ReadFileContents(place);
    }
    if (contents.status == platform::ReadStatus::Failed) {
        s.unreadable = place;
        StoreErrors::ReadFailed("CApp::LoadCharData", place, contents.error, false);
        return;
    }
    if (contents.status == platform::ReadStatus::Missing) {
        QVReport::message("CApp::LoadCharData: cannot open file '%s'.\n", place.c_str());
        return;
    }
    const std::vector<uint8_t>& bytes = contents.bytes;
    if (bytes.size() < CharData::kFileBytes)
        QVReport::warning("CApp::LoadCharData: file '%s' holds %zu of %zu bytes.\n", place.c_str(),
                          bytes.size(), CharData::kFileBytes);
    CharData::LoadFromBytes(bytes.data(), bytes.size());
    s.currentSpeech = s.speech[CharData::DefaultSlot()];
    s.currentEmote = s.emote[CharData::DefaultSlot()];
}

void SaveCharData() {
    const CharData::State& s = CharData::S();
    std::vector<uint8_t> bytes = CharData::ToBytes();
    std::string place = CharData::FilePlace();
    std::string fallback = ConfigFiles::WorkingPath(CharData::kFileName);
    if (place == s.unreadable) {
        QVReport::error("CApp::SaveCharData: '%s' could not be read; it is not overwritten.\n",
                        place.c_str());
        StoreErrors::TellPlayer(place);
        return;
    }
    if (platform::AtomicReplaceFile(place, bytes.data(), bytes.size())) return;
    if (fallback != s.unreadable && platform::AtomicReplaceFile(fallback, bytes.data(), bytes.size())) return;
    QVReport::warning("CApp::SaveCharData: cannot open file '%s' with mode '%s'.\n", fallback.c_str(), "wb");
    StoreErrors::TellPlayer(place);
}

uint16_t GetSpeechHue() {
    return CharData::S().currentSpeech;
}

uint16_t GetEmoteHue() {
    return CharData::S().currentEmote;
}

void SetSpeechHue(uint16_t hue) {
    CharData::S().currentSpeech = hue;
    CharData::SetSpeechHue(CharData::DefaultSlot(), hue);
}

void SetEmoteHue(uint16_t hue) {
    CharData::S().currentEmote = hue;
    CharData::SetEmoteHue(CharData::DefaultSlot(), hue);
}

} // namespace CApp
