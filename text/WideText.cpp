#include "text/WideText.h"

#include "core/ObsceneFilter.h"
#include "text/BoyerMoore.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

const char16_t kEmpty[1] = {0};

const char16_t* OrEmpty(const char16_t* text) {
    return text ? text : kEmpty;
}

char16_t ZeroExtend(char byte) {
    return static_cast<char16_t>(static_cast<unsigned char>(byte));
}
char16_t SignExtend(char byte) {
    return static_cast<char16_t>(static_cast<signed char>(byte));
}

template <char16_t (*Widen)(char)> void WidenInto(char16_t* dst, const char* src) {
    while (*src)
        *dst++ = Widen(*src++);
    *dst = 0;
}

char16_t FoldAsciiCapital(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + 0x20) : unit;
}

int Sign(unsigned a, unsigned b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// n < 0 compares without limit.
int CompareFolded(const char16_t* a, const char16_t* b, long long n) {
    a = OrEmpty(a);
    b = OrEmpty(b);
    for (long long i = 0; n < 0 || i < n; ++i) {
        char16_t x = FoldAsciiCapital(a[i]);
        char16_t y = FoldAsciiCapital(b[i]);
        if (x != y) return Sign(x, y);
        if (x == 0) return 0;
    }
    return 0;
}

} // namespace

int WideLength(const char16_t* text) {
    if (!text) return 0;
    const char16_t* end = text;
    while (*end)
        ++end;
    return static_cast<int>(end - text);
}

void WideCopy(char16_t* dst, const char16_t* src) {
    src = OrEmpty(src);
    std::memmove(dst, src, (static_cast<size_t>(WideLength(src)) + 1) * sizeof(char16_t));
}

void WideCopyLimited(char16_t* dst, const char16_t* src, int n) {
    if (!dst || !src) return;
    int i = 0;
    for (; i < n && src[i]; ++i)
        dst[i] = src[i];
    dst[i] = 0;
}

char16_t* WideDuplicate(const char16_t* text) {
    if (!text) return nullptr;
    int length = WideLength(text);
    auto* copy = new char16_t[static_cast<size_t>(length) + 1];
    std::memcpy(copy, text, (static_cast<size_t>(length) + 1) * sizeof(char16_t));
    return copy;
}

void WideAppend(char16_t* dst, const char16_t* src) {
    WideCopy(dst + WideLength(dst), src);
}

void WideAppendLimited(char16_t* dst, const char16_t* src, int size) {
    if (size < 1) return;
    int length = WideLength(dst);
    if (length >= size - 1) {
        dst[size - 1] = 0;
        return;
    }
    WideCopyLimited(dst + length, OrEmpty(src), size - 1 - length);
}

void WideAppendAscii(char16_t* dst, const char* src) {
    WidenInto<ZeroExtend>(dst + WideLength(dst), src);
}
void WideAppendAsciiSigned(char16_t* dst, const char* src) {
    WidenInto<SignExtend>(dst + WideLength(dst), src);
}
void WideFromAscii(char16_t* dst, const char* src) {
    WidenInto<ZeroExtend>(dst, src);
}
void WideFromAsciiSigned(char16_t* dst, const char* src) {
    WidenInto<SignExtend>(dst, src);
}

void WideFromAsciiLimited(char16_t* dst, const char* src, int n) {
    if (!dst || !src) return;
    int i = 0;
    for (; i < n && src[i]; ++i)
        dst[i] = ZeroExtend(src[i]);
    dst[i] = 0;
}

void WideToAscii(char* dst, const char16_t* src) {
    src = OrEmpty(src);
    while (*src)
        *dst++ = WideLowByte(*src++);
    *dst = 0;
}

void WideToAsciiStripped(char* dst, const char16_t* src) {
    src = OrEmpty(src);
    for (; *src; ++src)
        if (*src < 0x80) *dst++ = static_cast<char>(*src);
    *dst = 0;
}

char WideLowByte(char16_t unit) {
    return static_cast<char>(unit & 0xFF);
}
bool WideIsSpace(char16_t unit) {
    return unit == 0x20;
}
bool WideIsDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

int WideCompare(const char16_t* a, const char16_t* b) {
    a = OrEmpty(a);
    b = OrEmpty(b);
    for (;; ++a, ++b) {
        if (*a != *b) return Sign(*a, *b);
        if (*a == 0) return 0;
    }
}

int WideCompareNoCase(const char16_t* a, const char16_t* b) {
    return CompareFolded(a, b, -1);
}

int WideCompareNoCaseLimited(const char16_t* a, const char16_t* b, int n) {
    return n <= 0 ? 0 : CompareFolded(a, b, n);
}

char16_t WideFoldCase(char16_t unit) {
    // Accented capitals and small letters of the old DOS code page, moved to their Latin-1 places.
    static constexpr char16_t kCodePage[][2] = {
        {0x80, 0xC7}, {0x81, 0xFC}, {0x82, 0xE9}, {0x83, 0xE3}, {0x84, 0xE4}, {0x85, 0xE0}, {0x87, 0xE7},
        {0x88, 0xEA}, {0x89, 0xEB}, {0x8A, 0xE8}, {0x8B, 0xEF}, {0x8C, 0xEE}, {0x8E, 0xC4}, {0x90, 0xEB},
        {0x93, 0xF4}, {0x94, 0xF6}, {0x96, 0xFB}, {0x97, 0xF9}, {0x99, 0xD6}, {0x9A, 0xDC}};
    if (unit >= 0x80 && unit <= 0x9A) {
        for (const auto& pair : kCodePage) {
            if (pair[0] == unit) {
                unit = pair[1];
                break;
            }
        }
    }
    if ((unit >= 0x41 && unit <= 0x5A) || (unit >= 0xC0 && unit <= 0xDD))
        return static_cast<char16_t>(unit + 0x20);
    if (unit >= 0x100 && unit <= 0x176) return static_cast<char16_t>(unit | 1);
    if (unit >= 0x179 && unit <= 0x17D) return static_cast<char16_t>((unit + 1) & ~1);
    return unit;
}

namespace {

// The last position + 1 of each folded unit in the current pattern, 0 when absent. Entries are
// cleared again after each search, so a call costs the pattern's length, not the table's.
int32_t g_lastPosition[0x10000];

} // namespace

int WideFindNoCase(const char16_t* pattern, const char16_t* text) {
    pattern = OrEmpty(pattern);
    text = OrEmpty(text);
    const int m = WideLength(pattern);
    const int n = WideLength(text);
    if (m == 0) return 0;
    if (m > n) return -1;

    std::vector<char16_t> folded(pattern, pattern + m);
    for (auto& unit : folded)
        unit = WideFoldCase(unit);
    const std::vector<int> goodSuffix = GoodSuffixShifts(folded);
    for (int k = 0; k < m; ++k)
        g_lastPosition[folded[k]] = k + 1;
    auto badCharacter = [&](char16_t unit) {
        int last = g_lastPosition[unit];
        return last ? m - last : m;
    };

    int found = -1;
    for (long long s = m - 1; s < n;) {
        int k = 0;
        while (k < m && folded[m - 1 - k] == WideFoldCase(text[s - k]))
            ++k;
        if (k == m) {
            found = static_cast<int>(s - (m - 1));
            break;
        }
        s += std::max(badCharacter(WideFoldCase(text[s - k])) - k, goodSuffix[k]);
    }

    for (char16_t unit : folded)
        g_lastPosition[unit] = 0;
    return found;
}

namespace {

int DigitValue(char16_t unit, bool hex) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (!hex) return -1;
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
}

// Unsigned arithmetic gives the 32-bit wrap-around without undefined overflow.
int ParseNumber(const char16_t* text, bool hex) {
    uint32_t value = 0;
    bool negative = false;
    for (text = OrEmpty(text); *text; ++text) {
        if (*text == u'-') {
            negative = !negative;
            continue;
        }
        if (*text == u'+') continue;
        int digit = DigitValue(*text, hex);
        if (digit < 0) break;
        value = value * (hex ? 16u : 10u) + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

} // namespace

int WideToInt(const char16_t* text) {
    return ParseNumber(text, false);
}
int WideHexToInt(const char16_t* text) {
    return ParseNumber(text, true);
}

void IntToWide(int value, char16_t* dst, int base) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    if (base < 2 || base > 36) base = 10;
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *dst++ = u'-';
        magnitude = 0u - magnitude;
    }
    char16_t reversed[32];
    int count = 0;
    do {
        reversed[count++] = static_cast<char16_t>(kDigits[magnitude % static_cast<uint32_t>(base)]);
        magnitude /= static_cast<uint32_t>(base);
    } while (magnitude);
    while (count)
        *dst++ = reversed[--count];
    *dst = 0;
}

namespace {

// The end of a bounded source reads as a zero byte.
struct Utf8Source {
    const unsigned char* bytes;
    long long size; // < 0: zero-terminated
    long long at = 0;
    unsigned next() {
        if (size >= 0 && at >= size) return 0;
        unsigned byte = bytes[at];
        if (byte) ++at;
        return byte;
    }
};

char16_t* DecodeUtf8(char16_t* dst, int n, Utf8Source src) {
    for (int written = 0; written < n; ++written) {
        unsigned lead = src.next();
        unsigned unit = lead;
        if (lead >= 0xE0) {
            unsigned second = src.next();
            unsigned third = second ? src.next() : 0;
            unit = third ? ((lead & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F)) : 0;
        } else if (lead >= 0x80) {
            unsigned second = src.next();
            unit = second ? ((lead & 0x1F) << 6 | (second & 0x3F)) : 0;
        }
        *dst++ = static_cast<char16_t>(unit);
        if (unit == 0) break;
    }
    return dst;
}

} // namespace

char16_t* Utf8ToWide(char16_t* dst, const char* src, int n) {
    return DecodeUtf8(dst, n, Utf8Source{reinterpret_cast<const unsigned char*>(src), -1});
}

char16_t* Utf8ToWideBounded(char16_t* dst, int n, const char* src, int srcBytes) {
    return DecodeUtf8(dst, n, Utf8Source{reinterpret_cast<const unsigned char*>(src), std::max(srcBytes, 0)});
}

int WideToUtf8(char* dst, const char16_t* src, int n) {
    src = OrEmpty(src);
    int written = 0;
    for (;; ++src) {
        const unsigned unit = *src;
        unsigned char form[3];
        int size;
        if (unit < 0x80) {
            form[0] = static_cast<unsigned char>(unit);
            size = 1;
        } else if (unit < 0x800) {
            form[0] = static_cast<unsigned char>(0xC0 | unit >> 6);
            form[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            size = 2;
        } else {
            form[0] = static_cast<unsigned char>(0xE0 | unit >> 12);
            form[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
            form[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
            size = 3;
        }
        if (written + size > n) break;
        std::memcpy(dst + written, form, static_cast<size_t>(size));
        written += size;
        if (unit == 0) break;
    }
    return written;
}

namespace {

bool IsCjk(char16_t unit) {
    return (unit >= 0x3000 && unit <= 0x9FFF) || (unit >= 0xAC00 && unit <= 0xD7A3) ||
           (unit >= 0xF900 && unit <= 0xFAFF);
}

// Opening brackets and currency signs that must stay with what follows them.
constexpr char16_t kNeverLineEnd[] = {0x0022, 0x0024, 0x0027, 0x0028, 0x005B, 0x005C, 0x007B, 0x00A3,
                                      0x00A5, 0x3008, 0x300A, 0x300C, 0x300E, 0x3010, 0x3014, 0xFF04,
                                      0xFF08, 0xFF3B, 0xFF5B, 0xFF62, 0xFFE1, 0xFFE5};
// Closing brackets, punctuation, small marks that must stay with what precedes them.
constexpr char16_t kNeverLineStart[] = {
    0x0021, 0x0022, 0x0025, 0x0027, 0x0029, 0x002C, 0x002E, 0x003A, 0x003B, 0x003F, 0x005D, 0x007D, 0x00A2,
    0x00B0, 0x2030, 0x2032, 0x2033, 0x2103, 0x3001, 0x3002, 0x3005, 0x3009, 0x300B, 0x300D, 0x300F, 0x3011,
    0x3015, 0x309B, 0x309C, 0x309D, 0x309E, 0x30FB, 0x30FD, 0x30FE, 0xFF01, 0xFF05, 0xFF09, 0xFF0C, 0xFF0E,
    0xFF1A, 0xFF1B, 0xFF1F, 0xFF3D, 0xFF5D, 0xFF61, 0xFF63, 0xFF64, 0xFF65, 0xFF9E, 0xFF9F, 0xFFE0};
static_assert(std::size(kNeverLineEnd) == 22 && std::size(kNeverLineStart) == 51);

template <size_t N> bool Contains(const char16_t (&sorted)[N], char16_t unit) {
    return std::binary_search(sorted, sorted + N, unit);
}

} // namespace

bool UnicodeLineBreakAllowed(char16_t a, char16_t b) {
    if (!IsCjk(a) && !IsCjk(b)) return false;
    if (a == 0 || b == 0) return true;
    if (Contains(kNeverLineEnd, a)) return false;
    if (Contains(kNeverLineStart, b)) return false;
    return true;
}

void FilterWideText(char16_t* text) {
    FilterWideTextWith(text, MaskObsceneWords, MaskObsceneWordsWide);
}

void FilterWideTextWith(char16_t* text, void (*maskNarrow)(char*), void (*maskWide)(char16_t*)) {
    if (!text) return;
    const int length = WideLength(text);
    std::vector<char> narrow(static_cast<size_t>(length) + 1);
    for (int i = 0; i < length; ++i)
        narrow[i] = text[i] >= 0x80 ? ' ' : static_cast<char>(text[i]);
    narrow[length] = 0;
    maskNarrow(narrow.data());
    for (int i = 0; i < length; ++i) {
        if (text[i] < 0x80 && narrow[i] != static_cast<char>(text[i])) text[i] = ZeroExtend(narrow[i]);
    }
    maskWide(text);
}
