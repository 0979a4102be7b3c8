#pragma once
// UTF-16 text in byte buffers with an explicit byte order: big-endian on the wire, little-endian
// in files unless a format says otherwise. Every read and write is bounded by the buffer's size.
#include <cstddef>
#include <cstdint>

inline char16_t LoadUtf16BE(const uint8_t* p) {
    return static_cast<char16_t>(p[0] << 8 | p[1]);
}
inline char16_t LoadUtf16LE(const uint8_t* p) {
    return static_cast<char16_t>(p[1] << 8 | p[0]);
}
inline void StoreUtf16BE(uint8_t* p, char16_t unit) {
    p[0] = static_cast<uint8_t>(unit >> 8);
    p[1] = static_cast<uint8_t>(unit);
}
inline void StoreUtf16LE(uint8_t* p, char16_t unit) {
    p[0] = static_cast<uint8_t>(unit);
    p[1] = static_cast<uint8_t>(unit >> 8);
}

// Reads units from srcBytes bytes until a zero unit, the last whole unit, or dstUnits - 1 units,
// then writes a terminator (nothing when dstUnits < 1). Returns the units read, terminator
// excluded; *consumed (when given) gets the bytes used, a zero unit that ended the text included.
int ReadUtf16BE(const uint8_t* src, size_t srcBytes, char16_t* dst, int dstUnits, size_t* consumed = nullptr);
int ReadUtf16LE(const uint8_t* src, size_t srcBytes, char16_t* dst, int dstUnits, size_t* consumed = nullptr);

// Writes the units of text (null reads as empty), then its zero unit when withTerminator is set,
// while whole units fit in dstBytes. Returns the bytes written.
size_t WriteUtf16BE(uint8_t* dst, size_t dstBytes, const char16_t* text, bool withTerminator);
size_t WriteUtf16LE(uint8_t* dst, size_t dstBytes, const char16_t* text, bool withTerminator);
