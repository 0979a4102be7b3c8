#pragma once
// The growable UTF-16 string of all text the player sees or types.
//
// A string may hold no buffer at all (built from a null text, or copied or moved from such a
// string): GetText then answers null, and every operation reads it as empty. Once a text is
// stored the buffer holds exactly GetLength() units and a terminator; it grows but never shrinks.
class CWideString {
  public:
    static constexpr int kGrowStep = 1; // spare units reserved on growth: the terminator

    CWideString(); // empty, with a buffer holding the terminator
    CWideString(const CWideString& other);
    CWideString(CWideString&& other) noexcept;
    CWideString(const char16_t* text); // null: no buffer
    CWideString(const char* text);     // bytes zero-extended (Latin-1); null: no buffer
    ~CWideString();

    CWideString& operator=(const CWideString& other); // a bufferless other empties this string
    CWideString& operator=(CWideString&& other) noexcept;
    CWideString& operator=(const char16_t* text); // null empties this string
    CWideString& operator=(const char* text);     // bytes zero-extended (Latin-1)
    // Bytes sign-extended (0xE9 becomes U+FFE9): only to match text stored in that form.
    CWideString& AssignAsciiSigned(const char* text);

    // Null when the string holds no buffer.
    const char16_t* GetText() const { return buffer_; }
    char16_t* GetText() { return buffer_; }
    bool IsNull() const { return buffer_ == nullptr; }
    int GetLength() const { return length_; }
    int GetCapacity() const { return capacity_; }

    // Returns the buffer. A null or empty text changes nothing.
    char16_t* Append(const char16_t* text);
    CWideString& operator+=(const CWideString& other) {
        Append(other.buffer_);
        return *this;
    }
    CWideString& operator+=(const char16_t* text) {
        Append(text);
        return *this;
    }
    void AppendNumber(int value); // decimal
    // A zero unit is stored but ends the text, so the length stays.
    void AppendChar(char16_t unit);
    // This string followed by the other, as a new string.
    CWideString Concat(const CWideString& other) const;
    void Prepend(const CWideString& other);

    // Lowers 'A'..'Z' only.
    void ToLower();
    bool EqualsNoCase(const CWideString& other) const;
    bool DiffersNoCase(const CWideString& other) const;
    // This string is the 8-bit text or a prefix of it (units compared with zero-extended bytes).
    bool IsPrefixOfAscii(const char* text) const;
    // This string begins with the 8-bit text.
    bool StartsWithAscii(const char* text) const;
    // Unit i, or a zero unit for i at or past the end.
    const char16_t* CharAt(unsigned i) const;
    // out becomes the text after the first separator, or empty when there is none.
    void GetTextAfter(CWideString& out, char16_t separator) const;
    // "[first-last]" with decimal bounds; 0 for a missing bound.
    void ParseRange(int& first, int& last) const;
    // Removes the last unit when it is this one.
    bool RemoveLastChar(char16_t unit);

  private:
    void Assign(const char16_t* text, int length);
    void AssignBytes(const char* text, bool signExtend);

    char16_t* buffer_ = nullptr;
    int length_ = 0;
    int growStep_ = kGrowStep;
    int capacity_ = 0;
};
