#pragma once
// A growable 8-bit text: the configuration reader's, the speech queue's, the saved overhead texts'.
class CCharString {
  public:
    static constexpr int kGrowStep = 64;

    CCharString() = default;
    explicit CCharString(const char* text);
    CCharString(const CCharString& other);
    CCharString& operator=(const CCharString& other);
    ~CCharString();

    char* Append(const char* text);
    CCharString& Assign(const char* text);
    CCharString& operator+=(const char* text) {
        Append(text);
        return *this;
    }
    CCharString& operator+=(int number);

    // Null while nothing was ever stored.
    const char* GetBuffer() const { return buffer_; }
    const char* c_str() const { return buffer_ ? buffer_ : ""; }
    int GetLength() const { return length_; }
    int GetCapacity() const { return capacity_; }

  private:
    char* buffer_ = nullptr;
    int length_ = 0;
    int capacity_ = 0;
};
