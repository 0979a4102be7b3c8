#include "text/Iff.h"

#include "core/QVReport.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr IffTag kForm = MakeIffTag("FORM");

void DefaultHandler(const std::string& line, const char* context, bool fatal) {
    if (fatal) QVReport::fatal("%s %s\n", line.c_str(), context);
    QVReport::warning("%s %s\n", line.c_str(), context);
}

Iff::ErrorHandler g_handler = DefaultHandler;

} // namespace

Iff::ErrorHandler Iff::setErrorHandler(ErrorHandler handler) {
    ErrorHandler previous = g_handler;
    g_handler = handler ? handler : DefaultHandler;
    return previous;
}

Iff::Iff(const uint8_t* data, size_t length) : data_(data), length_(data ? length : 0) {
    stack_.reserve(kInitialStackCapacity);
}

Iff::~Iff() = default;

void Iff::setFileName(const char* name) {
    fileName_ = name ? name : "";
    hasFileName_ = name != nullptr;
}

size_t Iff::Limit() const {
    return stack_.empty() ? length_ : stack_.back().End();
}

uint32_t Iff::BigEndianAt(size_t offset) const {
    const uint8_t* p = data_ + offset;
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

IffTag Iff::getCurrentTag() const {
    if (!data_ || pos_ > length_ || length_ - pos_ < 4) return 0;
    return BigEndianAt(pos_);
}

const uint8_t* Iff::getCurrentData() const {
    return data_ ? data_ + pos_ : nullptr;
}

std::string Iff::TagText(IffTag tag) const {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        unsigned char c = static_cast<unsigned char>(tag >> shift);
        text += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    return text + "'";
}

void Iff::reportError(const char* context, const char* text, bool fatal) {
    std::string line = "File:" + (hasFileName_ ? fileName_ : std::string()) + ", Path:";
    for (const Entry& e : stack_)
        line += "/" + TagText(e.tag).substr(1, 4);
    line += ": ";
    line += text ? text : "";
    line += " Tag at current position = " + TagText(getCurrentTag()) + ".";
    if (fatal) failed_ = true;
    g_handler(line, context ? context : "", fatal);
}

void Iff::Fail(const char* context, const char* text) {
    if (failed_) return; // the first error says what went wrong; the rest follow from it
    reportError(context, text, true);
}

bool Iff::NeedDepth() {
    if (failed_) return false;
    if (!stack_.empty()) return true;
    Fail("unsigned int Iff::charsLeft (void)", "depth <= 0");
    return false;
}

bool Iff::Push(IffTag tag, size_t headerBytes, const char* context, const char* what) {
    uint32_t size = BigEndianAt(pos_ + 4);
    // The entry, its header included, must lie inside its parent; a FORM's size counts its type.
    size_t room = Limit() - pos_ - 8;
    if (size > room || (headerBytes == 12 && size < 4)) {
        std::string text = std::string("Cannot enter ") + what + " " + TagText(tag) + ": size " +
                           std::to_string(size) + " does not fit in its parent";
        Fail(context, text.c_str());
        return false;
    }
    if (depth() >= kMaxDepth) {
        Fail(context, "nesting too deep");
        return false;
    }
    stack_.push_back(Entry{pos_, size, tag});
    pos_ += headerBytes;
    return true;
}

bool Iff::isForm(IffTag type) const {
    if (!data_ || !Available(12)) return false;
    return BigEndianAt(pos_) == kForm && (type == 0 || BigEndianAt(pos_ + 8) == type);
}

bool Iff::isChunk(IffTag tag) const {
    if (tag == 0 || !data_ || !Available(4)) return false;
    return BigEndianAt(pos_) == tag;
}

bool Iff::enterForm(IffTag type) {
    if (failed_) return false;
    if (!data_) {
        Fail("bool Iff::enterForm (IffTag tag)", "no current data!");
        return false;
    }
    if (!isForm(type)) {
        std::string text = "Cannot enter FORM " + TagText(type);
        Fail("bool Iff::enterForm (IffTag tag)", text.c_str());
        return false;
    }
    IffTag actual = BigEndianAt(pos_ + 8);
    if (!Push(actual, 12, "bool Iff::enterForm (IffTag tag)", "FORM")) return false;
    formSize_ = static_cast<int32_t>(stack_.back().size);
    return true;
}

bool Iff::enterChunk(IffTag tag) {
    if (failed_) return false;
    if (!data_) {
        Fail("bool Iff::enterChunk (IffTag tag)", "no current data!");
        return false;
    }
    if (tag == 0 || !Available(8) || BigEndianAt(pos_) != tag) {
        std::string text = "Cannot enter CHUNK " + TagText(tag);
        Fail("bool Iff::enterChunk (IffTag tag)", text.c_str());
        return false;
    }
    if (!Push(tag, 8, "bool Iff::enterChunk (IffTag tag)", "CHUNK")) return false;
    chunkSize_ = static_cast<int32_t>(stack_.back().size);
    return true;
}

bool Iff::CanExit(const char* kind, IffTag tag, const char* context) {
    if (failed_) return false;
    if (!stack_.empty()) return true;
    std::string text = std::string("depth <= 0. Cannot exit ") + kind + (tag ? " " + TagText(tag) : "");
    Fail(context, text.c_str());
    return false;
}

bool Iff::exitChunk(IffTag tag, bool check) {
    if (!CanExit("CHUNK", tag, "bool Iff::exitChunk (IffTag tag)")) return false;
    if (check && pos_ != Limit()) {
        Fail("bool Iff::exitChunk (IffTag tag)", "extra data in CHUNK");
        return false;
    }
    Entry e = stack_.back();
    stack_.pop_back();
    // A missing pad byte at the very end of the parent is forgiven.
    pos_ = std::min(e.End() + (e.size & 1), Limit());
    return true;
}

bool Iff::exitForm(IffTag type) {
    if (!CanExit("FORM", type, "bool Iff::exitForm (IffTag tag)")) return false;
    pos_ = stack_.back().End();
    stack_.pop_back();
    return true;
}

bool Iff::skipElement() {
    if (isForm(0)) return enterForm(0) && exitForm(0);
    IffTag tag = getCurrentTag();
    return enterChunk(tag) && exitChunk(tag, false);
}

bool Iff::atEnd() const {
    if (failed_) return true; // loops over a failed cursor end at once
    return !stack_.empty() && pos_ == stack_.back().End();
}

int Iff::charsLeft() {
    if (!NeedDepth()) return 0;
    return static_cast<int>(Limit() - pos_);
}

bool Iff::readString(char* dst, size_t dstSize) {
    if (!NeedDepth()) return false;
    if (!Available(1)) {
        Fail("void Iff::readString", "At end of CHUNK. Not enough data ?");
        return false;
    }
    size_t end = Limit();
    size_t n = 0;
    while (pos_ < end && data_[pos_] != 0) {
        if (dst && n + 1 < dstSize) dst[n++] = static_cast<char>(data_[pos_]);
        ++pos_;
    }
    if (pos_ < end) ++pos_; // the terminator
    if (dst && dstSize > 0) dst[n] = '\0';
    return true;
}

bool Iff::readString(std::string& out, size_t maxLength) {
    out.clear();
    if (!NeedDepth()) return false;
    if (!Available(1)) {
        Fail("void Iff::readString", "At end of CHUNK. Not enough data ?");
        return false;
    }
    size_t end = Limit();
    size_t start = pos_;
    const void* zero = std::memchr(data_ + pos_, 0, end - pos_);
    size_t stop = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data_) : end;
    out.assign(reinterpret_cast<const char*>(data_ + start), std::min(stop - start, maxLength));
    pos_ = zero ? stop + 1 : end;
    return true;
}

int32_t Iff::readInt32(bool bigEndian) {
    if (!NeedDepth()) return 0;
    if (!Available(4)) {
        Fail("int Iff::readInt32", "At end of CHUNK. Not enough data ?");
        return 0;
    }
    const uint8_t* p = data_ + pos_;
    uint32_t v = bigEndian ? BigEndianAt(pos_)
                           : static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                                 static_cast<uint32_t>(p[1]) << 8 | p[0];
    pos_ += 4;
    return static_cast<int32_t>(v);
}
