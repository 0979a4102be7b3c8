// Text fields and lists fed any keys, maximums, sizes and texts: the input gives a mode and flags,
// a maximum, a size, a text written in directly and then key codes. Both field types must keep
// their text inside the buffer and the caret and view inside the text; list boxes and choice rows
// take any texts and counts.
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChoiceLists.h"
#include "gumps/InputControls.h"
#include "gumps/ListBoxes.h"
#include "render/RenderData.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const uint8_t* NoArt(int, int, int, int& length, int& extra) {
    length = 0;
    extra = 0;
    return nullptr;
}

// Two bitmap fonts whose glyphs are 2 to 6 pixels wide and 6 high.
void LoadSmallFonts() {
    std::vector<uint8_t> file;
    for (int slot = 0; slot < 2; ++slot) {
        file.push_back(1);
        for (int i = 0; i < kFontGlyphs; ++i) {
            const int w = 2 + i % 5, h = 6;
            file.insert(file.end(), {static_cast<uint8_t>(w), static_cast<uint8_t>(h), 1});
            for (int p = 0; p < w * h; ++p)
                file.insert(file.end(), {0x1F, 0x7C});
        }
    }
    FontManager::LoadFontsFromBytes(file.data(), file.size());
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    int Byte() { return at < size ? data[at++] : 0; }
    int Int() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | static_cast<uint32_t>(Byte());
        return static_cast<int>(v);
    }
};

template <class Field> void Check(const Field& f) {
    const int len = f.Length();
    if (len < 0 || len > Field::kMaxLength) std::abort();
    if (f.firstShown < 0 || f.caret < 0) std::abort();
    if (f.mode != FieldMode::Number && (f.caret > len || f.firstShown > len)) std::abort();
}

template <class Field> void Drive(Reader& in, CGump* window) {
    const int flags = in.Byte();
    const auto mode = static_cast<FieldMode>(flags % 3);
    const int maximum = in.Int();
    // Every key redraws the field, so its size and the number of keys are kept small: a field of
    // 256 x 256 with hundreds of keys drew for milliseconds and found nothing a small one does not.
    const int w = 1 + in.Byte() % 96, h = 1 + in.Byte() % 32;
    auto* field = new Field(0, 0, window, w, h, mode, maximum, 1, 902, true, (flags & 8) != 0, false);
    field->Attach(window);
    field->password = (flags & 16) != 0;
    field->multiLine = (flags & 32) != 0;
    field->fixedWidth = (flags & 64) != 0;
    field->alphanumericFilter = (flags & 128) != 0;
    CGumpManager::SetFocus(field);
    const int textLength = in.Byte() * 3;
    std::basic_string<typename Field::Char> text;
    for (int i = 0; i < textLength && in.More(); ++i)
        text.push_back(static_cast<typename Field::Char>(in.Byte() | 1));
    field->SetText(text.c_str());
    field->caret = in.Int() % 400;
    field->firstShown = in.Int() % 400;
    for (int n = 0; n < 24 && in.More(); ++n) {
        const int hi = in.Byte(), lo = in.Byte();
        int key = hi == 0xE0 ? 0xE000 + lo : (hi << 8 | lo);
        if (hi < 0x80 && hi != 0) key = lo; // mostly plain characters
        field->HandleKey(key);
        Check(*field);
        if ((n & 7) == 0) field->HandleLButtonDown(lo, hi);
        Check(*field);
    }
    field->Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        QVReport::startWithoutFile(); // no log file in the folder the fuzzer runs in
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        RenderData::SetItemSource(NoArt);
        LoadSmallFonts();
        for (int font = 0; font < kUnicodeFontCount; ++font)
            UnicodeUseFontBytes(font, {}); // no unicode glyphs: nothing is looked for on disk
        return true;
    }();
    (void)ready;
    Reader in{data, size};
    auto* window = new CGump(0, 0, 0, 1, 400, 300);
    window->Attach(nullptr);
    if (in.Byte() & 1)
        Drive<CInputControlGump>(in, window);
    else
        Drive<CUnicodeInputControlGump>(in, window);

    CListBoxControlGump list(in.Int() % 1000, in.Int() % 1000, 0, 0, 0, 1, 902, in.Byte() % 20);
    ChoiceRows rows;
    int added = 0;
    while (in.More()) {
        const int n = in.Byte();
        std::string text;
        for (int i = 0; i < n && in.More(); ++i)
            text.push_back(static_cast<char>(in.Byte() | 1));
        list.AddItem(n, text.c_str());
        rows.Add(n, text.c_str(), n, text.c_str(), nullptr);
        // Each move redraws the whole list, which grows a row with each item: moves over the first
        // rows only, then one redraw of the whole list below.
        if (added < 8) list.HandleCaptureMove(n, n * 3);
        ++added;
    }
    // A hundred rows of 40 characters make a bitmap of megabytes (twice: the list and its strip)
    // per input; the drawing code is the same at a third of that, so bigger lists are not drawn.
    if (list.width * list.height <= 1 << 17) list.Redraw(-1);
    if (list.itemCount > CListBoxControlGump::kMaxItems || rows.count > ChoiceRows::kMaxRows) std::abort();
    window->Close();
    CGumpManager::FreeClosedGumps();
    return 0;
}
