// The lists that fill a field, fed any items: the input gives the list's place and rows, then
// items as a length and that many text bytes. A list box and the choice rows must keep their
// counts inside their tables whatever the texts; the list is lit over its first rows as the items
// come and drawn whole at the end.
#include "gumps/ListBoxes.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChoiceLists.h"
#include "support/TextInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = qvfuzz::SetUpTextTarget();
    (void)ready;
    qvfuzz::InputReader in{data, size};
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
    CGumpManager::FreeClosedGumps();
    return 0;
}
