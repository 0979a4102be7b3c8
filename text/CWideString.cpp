#include "text/CWideString.h"

#include "core/SharedServices.h"
#include "text/WideText.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

const char16_t kZeroUnit = 0;

char16_t* Allocate(long long units) {
    if (units <= 0 || units > INT_MAX) OutOfMemoryHandler();
    return new char16_t[static_cast<size_t>(units)];
}

void CopyUnits(char16_t* dst, const char16_t* src, long long units) {
    std::memmove(dst, src, static_cast<size_t>(units) * sizeof(char16_t));
}

} // namespace

CWideString::CWideString() : buffer_(Allocate(1)), capacity_(1) {
    buffer_[0] = 0;
}

CWideString::CWideString(const CWideString& other) : CWideString(other.buffer_) {}

CWideString::CWideString(CWideString&& other) noexcept
    : buffer_(std::exchange(other.buffer_, nullptr)), length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

CWideString::CWideString(const char16_t* text) {
    if (!text) return;
    length_ = WideLength(text);
    capacity_ = length_ + growStep_;
    buffer_ = Allocate(capacity_);
    CopyUnits(buffer_, text, length_ + 1);
}

CWideString::CWideString(const char* text) {
    if (!text) return;
    length_ = static_cast<int>(std::strlen(text));
    capacity_ = length_ + 1;
    buffer_ = Allocate(capacity_);
    WideFromAscii(buffer_, text);
}

CWideString::~CWideString() {
    delete[] buffer_;
    buffer_ = nullptr;
}

CWideString& CWideString::operator=(const CWideString& other) {
    if (this != &other) *this = other.buffer_;
    return *this;
}

CWideString& CWideString::operator=(CWideString&& other) noexcept {
    if (this == &other) return *this;
    if (!other.buffer_) { // as for a copy: this string is emptied, not made bufferless
        Assign(nullptr, 0);
        return *this;
    }
    delete[] buffer_;
    buffer_ = std::exchange(other.buffer_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

CWideString& CWideString::operator=(const char16_t* text) {
    Assign(text, WideLength(text));
    return *this;
}

CWideString& CWideString::operator=(const char* text) {
    AssignBytes(text, false);
    return *this;
}

CWideString& CWideString::AssignAsciiSigned(const char* text) {
    AssignBytes(text, true);
    return *this;
}

void CWideString::AssignBytes(const char* text, bool signExtend) {
    if (!text) {
        Assign(nullptr, 0);
        return;
    }
    const long long length = static_cast<long long>(std::strlen(text));
    char16_t* wide = Allocate(length + 1);
    if (signExtend)
        WideFromAsciiSigned(wide, text);
    else
        WideFromAscii(wide, text);
    Assign(wide, static_cast<int>(length));
    delete[] wide;
}

// The text may lie inside this string's own buffer.
void CWideString::Assign(const char16_t* text, int length) {
    if (!text) {
        if (buffer_) buffer_[0] = 0;
        length_ = 0;
        return;
    }
    if (capacity_ < length + 1) {
        const long long size = static_cast<long long>(length) + growStep_;
        char16_t* grown = Allocate(size);
        CopyUnits(grown, text, length + 1);
        delete[] buffer_;
        buffer_ = grown;
        capacity_ = static_cast<int>(size);
    } else {
        CopyUnits(buffer_, text, length + 1);
    }
    length_ = length;
}

char16_t* CWideString::Append(const char16_t* text) {
    const int added = WideLength(text);
    if (added == 0) return buffer_;
    const long long total = static_cast<long long>(length_) + added;
    if (capacity_ < total + 1) {
        const long long size = total + growStep_;
        char16_t* grown = Allocate(size);
        if (buffer_) CopyUnits(grown, buffer_, length_);
        CopyUnits(grown + length_, text, added);
        delete[] buffer_;
        buffer_ = grown;
        capacity_ = static_cast<int>(size);
    } else {
        CopyUnits(buffer_ + length_, text, added);
    }
    length_ = static_cast<int>(total);
    buffer_[length_] = 0;
    return buffer_;
}

void CWideString::AppendNumber(int value) {
    char digits[256];
    std::snprintf(digits, sizeof digits, "%d", value);
    char16_t wide[256];
    WideFromAscii(wide, digits);
    Append(wide);
}

void CWideString::AppendChar(char16_t unit) {
    if (static_cast<long long>(length_) + 2 > capacity_) {
        const long long size = static_cast<long long>(length_) + 2;
        char16_t* grown = Allocate(size);
        if (buffer_) CopyUnits(grown, buffer_, length_);
        delete[] buffer_;
        buffer_ = grown;
        capacity_ = static_cast<int>(size);
    }
    buffer_[length_] = unit;
    buffer_[length_ + 1] = 0;
    length_ = WideLength(buffer_);
}

CWideString CWideString::Concat(const CWideString& other) const {
    CWideString result;
    result.Append(buffer_);
    result.Append(other.buffer_);
    return result;
}

void CWideString::Prepend(const CWideString& other) {
    const int added = other.length_;
    const long long step = std::max(growStep_, added);
    long long size = static_cast<long long>(length_) + step < capacity_ ? capacity_ : capacity_ + step;
    // A bufferless string has no room for its terminator in the rule above.
    size = std::max(size, static_cast<long long>(length_) + added + 1);
    char16_t* grown = Allocate(size);
    if (other.buffer_) CopyUnits(grown, other.buffer_, added);
    if (buffer_) CopyUnits(grown + added, buffer_, length_);
    grown[added + length_] = 0;
    delete[] buffer_;
    buffer_ = grown;
    capacity_ = static_cast<int>(size);
    length_ = WideLength(buffer_);
}

void CWideString::ToLower() {
    if (!buffer_) return;
    for (char16_t* p = buffer_; *p; ++p)
        if (*p >= u'A' && *p <= u'Z') *p = static_cast<char16_t>(*p + 0x20);
}

bool CWideString::EqualsNoCase(const CWideString& other) const {
    return WideCompareNoCase(buffer_, other.buffer_) == 0;
}

bool CWideString::DiffersNoCase(const CWideString& other) const {
    return !EqualsNoCase(other);
}

bool CWideString::IsPrefixOfAscii(const char* text) const {
    if (!buffer_ || !text) return false;
    for (int i = 0; i < length_; ++i) {
        if (buffer_[i] != static_cast<unsigned char>(text[i])) return false; // also stops at text's end
    }
    return true;
}

bool CWideString::StartsWithAscii(const char* text) const {
    if (!buffer_ || !text) return false;
    for (int i = 0; text[i]; ++i) {
        if (buffer_[i] != static_cast<unsigned char>(text[i])) return false; // also stops at our end
    }
    return true;
}

const char16_t* CWideString::CharAt(unsigned i) const {
    return i < static_cast<unsigned>(length_) ? buffer_ + i : &kZeroUnit;
}

void CWideString::GetTextAfter(CWideString& out, char16_t separator) const {
    const char16_t* at = buffer_ ? std::find(buffer_, buffer_ + length_, separator) : nullptr;
    if (!at || at == buffer_ + length_) {
        out = u"";
        return;
    }
    out = at + 1;
}

void CWideString::ParseRange(int& first, int& last) const {
    first = 0;
    last = 0;
    if (!buffer_) return;
    // The bounds come from layout files: unsigned arithmetic keeps odd text from overflowing.
    unsigned low = 0;
    unsigned high = 0;
    const char16_t* p = buffer_;
    while (*p && *p != u'[')
        ++p;
    if (*p) ++p;
    for (; *p && *p != u'-'; ++p)
        low = low * 10u + (static_cast<unsigned>(*p) - u'0');
    if (*p) ++p;
    for (; *p && *p != u']'; ++p)
        high = high * 10u + (static_cast<unsigned>(*p) - u'0');
    first = static_cast<int>(low);
    last = static_cast<int>(high);
}

bool CWideString::RemoveLastChar(char16_t unit) {
    if (!buffer_ || length_ == 0 || buffer_[length_ - 1] != unit) return false;
    buffer_[--length_] = 0;
    return true;
}
