// The player's stores from any bytes: the obscene-word list ("qvbscene.lst"), the ignore list
// ("ignore.lst"), the keyword table ("speech.mul") and the character data ("chardata.mul"); the
// words read are then masked in a text made of the same bytes, and the lists written back must
// read back the same.
#include "app/SpeechQueue.h"
#include "core/CharData.h"
#include "text/FilterLists.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
unsigned g_sink;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FilterLists::LoadObsceneWords(data, size);
    std::vector<std::u16string> words = FilterLists::ObsceneWords();
    std::vector<uint8_t> stored = FilterLists::ObsceneWordsBytes();
    FilterLists::LoadObsceneWords(stored.data(), stored.size());
    if (FilterLists::ObsceneWords() != words) std::abort();

    std::u16string wide;
    std::string narrow;
    for (size_t i = 0; i + 1 < size && i < 512; i += 2) {
        wide.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
        narrow.push_back(static_cast<char>(data[i] ? data[i] : ' '));
    }
    for (char16_t& unit : wide)
        if (unit == 0) unit = u' ';
    MaskObsceneWordsWide(wide.data());
    MaskObsceneWords(narrow.data());

    FilterLists::LoadIgnoreList(data, size);
    unsigned sum = 0;
    for (const FilterLists::IgnoreEntry& e : FilterLists::IgnoreList())
        sum += e.serial + static_cast<unsigned>(std::string(e.name).size());
    std::vector<uint8_t> ignore = FilterLists::IgnoreListBytes();
    FilterLists::LoadIgnoreList(ignore.data(), ignore.size());

    SpeechKeywords::LoadFromBytes(data, size);
    for (const SpeechKeyword& k : SpeechKeywords::Get())
        sum += k.id + static_cast<unsigned>(k.text.size());

    CharData::LoadFromBytes(data, size);
    sum += CharData::GetSpeechHue(4) + CharData::GetEmoteHue(0);
    g_sink += sum + wide.size() + narrow.size();
    return 0;
}
