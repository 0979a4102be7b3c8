// Localized text files: a generic walk of the IFF structure, the section loader with its look-ups,
// and the language list reader, all over the same bytes.
#include "text/LanguageSection.h"
#include "text/Iff.h"
#include "text/LanguageManager.h"

#include <cstdint>
#include <string>

static unsigned g_sink;

static void Quiet(const std::string&, const char*, bool) {}

// Enters every FORM and chunk it meets, reads a little of each chunk, and stops at the first error.
static void Walk(Iff& iff, int depth) {
    for (int n = 0; n < 64 && !iff.failed() && (depth == 0 ? iff.getCurrentTag() != 0 : !iff.atEnd()); ++n) {
        if (iff.isForm(0)) {
            if (!iff.enterForm(0)) return;
            Walk(iff, depth + 1);
            iff.exitForm(0);
        } else {
            IffTag tag = iff.getCurrentTag();
            if (tag == 0 || !iff.enterChunk(tag)) return;
            std::string text;
            if (iff.charsLeft() >= 4) g_sink += static_cast<unsigned>(iff.readInt32(tag & 1));
            if (iff.charsLeft() > 0) iff.readString(text, 64);
            g_sink += static_cast<unsigned>(text.size());
            iff.exitChunk(tag, tag & 2);
        }
        if (depth == 0) return;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Iff::setErrorHandler(Quiet);
    {
        Iff iff(data, size);
        iff.setFileName("fuzz.iff");
        Walk(iff, 0);
    }
    LanguageSection section;
    if (section.parse(data, size, "fuzz")) {
        for (int n : {-1, 0, 1, 2, 7, 1000, 1001, section.getCount() - 1, section.getCount()}) {
            const CWideString* text = section.getStr(n, true);
            if (text) g_sink += static_cast<unsigned>(text->GetLength());
        }
        int index = 0;
        for (int frame : {0, 30, 1000})
            if (section.getTimes().size() && section.getStrForFrame(frame, &index))
                g_sink += static_cast<unsigned>(index);
    }
    LanguageManager::loadLanguageCodesFromBytes(data, size, "langcode.iff");
    g_sink += LanguageManager::findLanguage("enu") != nullptr;
    LanguageManager::ResetForTests();
    return 0;
}
