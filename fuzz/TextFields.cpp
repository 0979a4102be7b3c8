// Text fields fed any keys, maximums, sizes and texts: the input gives a mode and flags, a maximum,
// a size, a text written in directly and then key codes. Both field types must keep their text
// inside the buffer and the caret and view inside the text. (The lists that fill a field have
// their own target, ListBoxes.)
#include "gumps/CGumpManager.h"
#include "gumps/InputControls.h"
#include "support/TextInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using qvfuzz::InputReader;

template <class Field> void Check(const Field& f) {
    const int len = f.Length();
    if (len < 0 || len > Field::kMaxLength) std::abort();
    if (f.firstShown < 0 || f.caret < 0) std::abort();
    if (f.mode != FieldMode::Number && (f.caret > len || f.firstShown > len)) std::abort();
}

template <class Field> void Drive(InputReader& in, CGump* window) {
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
    static const bool ready = qvfuzz::SetUpTextTarget();
    (void)ready;
    InputReader in{data, size};
    auto* window = new CGump(0, 0, 0, 1, 400, 300);
    window->Attach(nullptr);
    if (in.Byte() & 1)
        Drive<CInputControlGump>(in, window);
    else
        Drive<CUnicodeInputControlGump>(in, window);
    window->Close();
    CGumpManager::FreeClosedGumps();
    return 0;
}
