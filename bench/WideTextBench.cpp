// The obscene-word filter searches every shown line once per listed word.
#include "text/WideText.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

const std::u16string kLine =
    u"Greetings traveller, the Duskmere road is dangerous after dark; take a LANTERN and "
    u"some bread, and watch for wolves near the old bridge.";
const char16_t* const kWords[] = {u"wolfsbane", u"brigand", u"lantern", u"xyzzy", u"darkness", u"bridges"};

int NaiveFind(const char16_t* pattern, const char16_t* text) {
    for (int s = 0; text[s]; ++s) {
        int k = 0;
        while (pattern[k] && text[s + k] && WideFoldCase(pattern[k]) == WideFoldCase(text[s + k]))
            ++k;
        if (!pattern[k]) return s;
    }
    return pattern[0] ? -1 : 0;
}

void BM_FindNoCase(benchmark::State& state) {
    for (auto _ : state)
        for (const char16_t* word : kWords)
            benchmark::DoNotOptimize(WideFindNoCase(word, kLine.c_str()));
}
BENCHMARK(BM_FindNoCase);

// Baseline: a plain folded scan of the same words.
void BM_FindNaiveBaseline(benchmark::State& state) {
    for (auto _ : state)
        for (const char16_t* word : kWords)
            benchmark::DoNotOptimize(NaiveFind(word, kLine.c_str()));
}
BENCHMARK(BM_FindNaiveBaseline);

} // namespace
