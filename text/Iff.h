#pragma once
// A cursor over one IFF file held whole in memory: nested FORM groups ("FORM", big-endian size,
// type, contents) and chunks (tag, big-endian size, data, a pad byte after odd sizes). The cursor
// knows the buffer's length: every FORM and chunk must lie inside its parent (the buffer at the
// top), and no read passes the innermost entry. It neither reads files nor owns the buffer.
//
// Structural errors go to the error handler: fatal by default (message box, exit). A handler that
// returns leaves the cursor marked failed; from then on every operation answers false or 0 without
// moving, so a loader stops at its next check of failed().
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Four characters, the first in the most significant byte; 0 stands for any type.
using IffTag = uint32_t;

constexpr IffTag MakeIffTag(const char (&s)[5]) {
    return static_cast<IffTag>(static_cast<uint8_t>(s[0])) << 24 |
           static_cast<IffTag>(static_cast<uint8_t>(s[1])) << 16 |
           static_cast<IffTag>(static_cast<uint8_t>(s[2])) << 8 |
           static_cast<IffTag>(static_cast<uint8_t>(s[3]));
}

class Iff {
  public:
    static constexpr int kInitialStackCapacity = 64;
    // Nesting beyond this is refused: no file the client reads comes near it.
    static constexpr int kMaxDepth = 256;

    // line: "File:..., Path:...: text Tag at current position = '....'."; context: the operation.
    using ErrorHandler = void (*)(const std::string& line, const char* context, bool fatal);
    // Replaces the handler of every cursor; null restores the default. Returns the previous one.
    static ErrorHandler setErrorHandler(ErrorHandler handler);

    Iff(const uint8_t* data, size_t length);
    ~Iff();
    Iff(const Iff&) = delete;
    Iff& operator=(const Iff&) = delete;

    void setFileName(const char* name);

    // The four bytes at the position as a big-endian number; 0 when fewer than four remain.
    IffTag getCurrentTag() const;
    const uint8_t* getCurrentData() const;
    size_t getPosition() const { return pos_; }

    // "FORM" at the position (inside the innermost entry) with this type, or any type for 0.
    bool isForm(IffTag type) const;
    // The tag at the position; false for 0.
    bool isChunk(IffTag tag) const;

    bool enterForm(IffTag type);
    bool enterChunk(IffTag tag);
    // Leaves the innermost entry, past a chunk's pad byte. With check, the position must be at its end.
    bool exitChunk(IffTag tag, bool check);
    bool exitForm(IffTag type);
    // Steps over the FORM or chunk at the position.
    bool skipElement();

    bool atEnd() const;
    // Bytes left in the innermost entry; depth 0 is an error (0).
    int charsLeft();
    // Copies a zero-terminated string of at most dstSize - 1 characters and a terminator, and
    // moves past the whole string (to its zero byte, or to the entry's end when it has none).
    bool readString(char* dst, size_t dstSize);
    bool readString(std::string& out, size_t maxLength);
    // Four bytes, little-endian unless bigEndian; 0 when fewer remain (an error).
    int32_t readInt32(bool bigEndian = false);

    void reportError(const char* context, const char* text, bool fatal);

    int depth() const { return static_cast<int>(stack_.size()); }
    bool failed() const { return failed_; }
    int32_t lastFormSize() const { return formSize_; }
    int32_t lastChunkSize() const { return chunkSize_; }

  private:
    struct Entry {
        size_t start = 0; // position of "FORM" or of the chunk's tag
        uint32_t size = 0;
        IffTag tag = 0; // the FORM's type or the chunk's tag
        size_t End() const { return start + size + 8; }
    };

    size_t Limit() const; // end of the innermost entry, or of the buffer
    bool Available(size_t bytes) const { return !failed_ && pos_ <= Limit() && Limit() - pos_ >= bytes; }
    uint32_t BigEndianAt(size_t offset) const;
    bool Push(IffTag tag, size_t headerBytes, const char* context, const char* what);
    std::string TagText(IffTag tag) const;
    void Fail(const char* context, const char* text);
    bool NeedDepth(); // reports "depth <= 0"
    bool CanExit(const char* kind, IffTag tag, const char* context);

    std::string fileName_;
    bool hasFileName_ = false;
    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
    size_t pos_ = 0;
    int32_t formSize_ = 0;
    int32_t chunkSize_ = 0;
    std::vector<Entry> stack_;
    bool failed_ = false;
};
