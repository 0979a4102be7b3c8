#pragma once
// A bounded little-endian reader over bytes of a world file or a server packet: reads past the end
// answer 0, move nothing and leave the reader failed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace world {

class ByteReader {
  public:
    ByteReader(const uint8_t* bytes, size_t size) : p_(bytes), left_(bytes ? size : 0) {}

    bool ok() const { return ok_; }
    size_t left() const { return left_; }
    bool has(size_t n) const { return ok_ && left_ >= n; }

    uint8_t u8() {
        if (!Need(1)) return 0;
        uint8_t v = p_[0];
        Advance(1);
        return v;
    }
    uint16_t u16() {
        if (!Need(2)) return 0;
        uint16_t v = static_cast<uint16_t>(p_[0] | p_[1] << 8);
        Advance(2);
        return v;
    }
    int16_t s16() { return static_cast<int16_t>(u16()); }
    uint32_t u32() {
        if (!Need(4)) return 0;
        uint32_t v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
                     static_cast<uint32_t>(p_[2]) << 16 | static_cast<uint32_t>(p_[3]) << 24;
        Advance(4);
        return v;
    }
    // Copies n bytes; on a short read the destination is left as it was.
    void bytes(void* out, size_t n) {
        if (!Need(n)) return;
        std::memcpy(out, p_, n);
        Advance(n);
    }
    void skip(size_t n) {
        if (Need(n)) Advance(n);
    }

  private:
    bool Need(size_t n) {
        if (ok_ && left_ >= n) return true;
        ok_ = false;
        return false;
    }
    void Advance(size_t n) {
        p_ += n;
        left_ -= n;
    }

    const uint8_t* p_;
    size_t left_;
    bool ok_ = true;
};

// The bytes of a file, not zero-filled before reading.
struct FileBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};
// Reads up to maxBytes of an installation file opened by name through the file manager. False when
// the file cannot be opened (nothing is logged: the caller names itself in its own line).
bool ReadInstallationFile(const char* name, size_t maxBytes, FileBytes& out);

} // namespace world
