#include "core/CCharString.h"

#include "core/SharedServices.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char* Allocate(long long size) {
    if (size <= 0 || size > INT_MAX) OutOfMemoryHandler();
    auto* p = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    if (!p) OutOfMemoryHandler();
    return p;
}

} // namespace

CCharString::CCharString(const char* text) {
    if (!text) return;
    long long len = static_cast<long long>(std::strlen(text));
    buffer_ = Allocate(len + kGrowStep);
    std::memcpy(buffer_, text, static_cast<size_t>(len) + 1);
    length_ = static_cast<int>(len);
    capacity_ = static_cast<int>(len + kGrowStep);
}

CCharString::CCharString(const CCharString& other) : CCharString(other.buffer_) {}

CCharString& CCharString::operator=(const CCharString& other) {
    if (this != &other) Assign(other.buffer_);
    return *this;
}

CCharString::~CCharString() {
    std::free(buffer_);
    buffer_ = nullptr;
}

char* CCharString::Append(const char* text) {
    if (!text || !*text) return buffer_;
    long long added = static_cast<long long>(std::strlen(text));
    if (capacity_ < length_ + added + 1) {
        char* grown = Allocate(length_ + added + kGrowStep);
        if (buffer_) std::memcpy(grown, buffer_, static_cast<size_t>(length_));
        std::memcpy(grown + length_, text, static_cast<size_t>(added) + 1);
        std::free(buffer_);
        buffer_ = grown;
        capacity_ = static_cast<int>(length_ + added + kGrowStep);
    } else {
        std::memcpy(buffer_ + length_, text, static_cast<size_t>(added) + 1);
    }
    length_ = static_cast<int>(length_ + added);
    return buffer_;
}

CCharString& CCharString::Assign(const char* text) {
    if (!text) {
        if (buffer_) buffer_[0] = 0;
        length_ = 0;
        return *this;
    }
    long long len = static_cast<long long>(std::strlen(text));
    if (capacity_ < len + 1) {
        char* fresh = Allocate(len + kGrowStep);
        std::free(buffer_);
        buffer_ = fresh;
        capacity_ = static_cast<int>(len + kGrowStep);
    }
    std::memmove(buffer_, text, static_cast<size_t>(len) + 1); // text may lie in our own buffer
    length_ = static_cast<int>(len);
    return *this;
}

CCharString& CCharString::operator+=(int number) {
    char scratch[256];
    std::snprintf(scratch, sizeof scratch, "%d", number);
    Append(scratch);
    return *this;
}
