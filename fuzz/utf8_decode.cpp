// The UTF-8 decoder over bytes from books, bulletin boards and keyword speech.
#include "text/WideText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int limit = data[0]; // the output room varies with the input
    ++data;
    --size;
    const char* bytes = reinterpret_cast<const char*>(data);

    // Exactly limit units of room: any write past it is caught by the address checker.
    std::vector<char16_t> bounded(static_cast<size_t>(limit));
    char16_t* boundedEnd = Utf8ToWideBounded(bounded.data(), limit, bytes, static_cast<int>(size));
    if (boundedEnd < bounded.data() || boundedEnd > bounded.data() + limit) __builtin_trap();

    // The zero-terminated form must decode the same units.
    std::vector<char> terminated(bytes, bytes + size);
    terminated.push_back(0);
    std::vector<char16_t> plain(static_cast<size_t>(limit));
    char16_t* plainEnd = Utf8ToWide(plain.data(), terminated.data(), limit);
    if (plainEnd - plain.data() != boundedEnd - bounded.data()) __builtin_trap();
    if (!std::equal(plain.data(), plainEnd, bounded.data())) __builtin_trap();

    // Whatever was decoded encodes and decodes back to itself.
    std::vector<char16_t> text(bounded.data(), boundedEnd);
    if (text.empty() || text.back() != 0) text.push_back(0);
    const int units = static_cast<int>(text.size());
    std::vector<char> utf8(static_cast<size_t>(units) * 3);
    const int written = WideToUtf8(utf8.data(), text.data(), static_cast<int>(utf8.size()));
    if (written < 1 || written > static_cast<int>(utf8.size()) || utf8[written - 1] != 0) __builtin_trap();
    std::vector<char16_t> back(static_cast<size_t>(units));
    char16_t* backEnd = Utf8ToWide(back.data(), utf8.data(), units);
    if (backEnd - back.data() != units || !std::equal(text.begin(), text.end(), back.data()))
        __builtin_trap();
    return 0;
}
