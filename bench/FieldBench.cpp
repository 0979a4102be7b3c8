// Typing into a focused text field (each key inserts, scrolls to the caret and repaints the field)
// and making a stack of barks, with the sample installation's fonts.
#include "gumps/Barks.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/InputControls.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/TextFiles.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <benchmark/benchmark.h>

namespace {

void LoadSampleText() {
    static const std::vector<uint8_t> fonts = mkinstall::MakeFontsFile();
    FontManager::LoadFontsFromBytes(fonts.data(), fonts.size());
    static const std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    HueManager::LoadFromBytes(hues.data(), hues.size());
    for (int font = 0; font < 3; ++font)
        UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
}

template <class Field> void TypeLine(benchmark::State& state) {
    LoadSampleText();
    CGumpManager::ResetForTests();
    auto* field = new Field(0, 0, nullptr, 200, 22, FieldMode::Text, 1000, 1, 902, true, false, false);
    field->Attach(nullptr);
    CGumpManager::SetFocus(field);
    int64_t keys = 0;
    for (auto _ : state) {
        field->SetText(nullptr);
        field->caret = field->firstShown = 0;
        for (int i = 0; i < 180; ++i)
            field->HandleKey('a' + i % 26);
        keys += 180;
        benchmark::DoNotOptimize(field->Frame(0));
    }
    state.SetItemsProcessed(keys);
    CGumpManager::ResetForTests();
}

void BM_TypeNarrowField(benchmark::State& state) {
    TypeLine<CInputControlGump>(state);
}
BENCHMARK(BM_TypeNarrowField);

void BM_TypeWideField(benchmark::State& state) {
    TypeLine<CUnicodeInputControlGump>(state);
}
BENCHMARK(BM_TypeWideField);

// Ten barks of one speaker made and freed: measuring, drawing, stacking.
void BM_BarkStack(benchmark::State& state) {
    LoadSampleText();
    BackBuffer::Resize(800, 600);
    GraphicManager::SetScreenSize(800, 600);
    CGumpManager::ResetForTests();
    GumpWorld().screenRect = [](uint32_t, Rect* r) {
        *r = Rect{400, 300, 420, 360};
        return true;
    };
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i)
            CBarkGump::Create(0x55, "A line of speech that wraps over the speaker's head.", 38, 3, nullptr,
                              0);
        CGumpManager::CloseAllGumps();
        CGumpManager::FreeClosedGumps();
    }
    state.SetItemsProcessed(state.iterations() * 10);
    ResetGumpWorld();
    CGumpManager::ResetForTests();
    BackBuffer::Release();
}
BENCHMARK(BM_BarkStack);

} // namespace
