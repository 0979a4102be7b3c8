#include "text/WideBytes.h"

namespace {

using Load = char16_t (*)(const uint8_t*);
using Store = void (*)(uint8_t*, char16_t);

int ReadUnits(Load load, const uint8_t* src, size_t srcBytes, char16_t* dst, int dstUnits, size_t* consumed) {
    size_t used = 0;
    int count = 0;
    if (dstUnits >= 1) {
        while (count < dstUnits - 1 && srcBytes - used >= 2) {
            const char16_t unit = load(src + used);
            used += 2;
            if (unit == 0) break;
            dst[count++] = unit;
        }
        dst[count] = 0;
    }
    if (consumed) *consumed = used;
    return count;
}

size_t WriteUnits(Store store, uint8_t* dst, size_t dstBytes, const char16_t* text, bool withTerminator) {
    static const char16_t kEmpty = 0;
    if (!text) text = &kEmpty;
    size_t written = 0;
    for (;; ++text) {
        if (*text == 0 && !withTerminator) break;
        if (dstBytes - written < 2) break;
        store(dst + written, *text);
        written += 2;
        if (*text == 0) break;
    }
    return written;
}

} // namespace

int ReadUtf16BE(const uint8_t* src, size_t srcBytes, char16_t* dst, int dstUnits, size_t* consumed) {
    return ReadUnits(LoadUtf16BE, src, srcBytes, dst, dstUnits, consumed);
}
int ReadUtf16LE(const uint8_t* src, size_t srcBytes, char16_t* dst, int dstUnits, size_t* consumed) {
    return ReadUnits(LoadUtf16LE, src, srcBytes, dst, dstUnits, consumed);
}
size_t WriteUtf16BE(uint8_t* dst, size_t dstBytes, const char16_t* text, bool withTerminator) {
    return WriteUnits(StoreUtf16BE, dst, dstBytes, text, withTerminator);
}
size_t WriteUtf16LE(uint8_t* dst, size_t dstBytes, const char16_t* text, bool withTerminator) {
    return WriteUnits(StoreUtf16LE, dst, dstBytes, text, withTerminator);
}
