#pragma once
// Memory-mapped data files: CMMF maps a file read-only so that its items are read in place;
// CMMF_Wr maps a file of fixed size read/write (the disk cache). Both keep the name so that a
// mapping can be closed and opened again after the file changed.
#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CMMF {
  public:
    explicit CMMF(const char* name);
    ~CMMF();
    CMMF(const CMMF&) = delete;
    CMMF& operator=(const CMMF&) = delete;

    void setName(const char* newName);
    const char* getName() const { return name_.c_str(); }

    // The whole file, read-only; null when it cannot be mapped. An empty file is an empty view.
    const uint8_t* Open(bool showErrors);
    void Close();
    // Copies up to length bytes from offset; returns how many were copied (0 past the end).
    int Read(int offset, int length, void* destination) const;

    const uint8_t* GetView() const { return mapping_.IsOpen() ? mapping_.Data() : nullptr; }
    int GetSize() const { return size_; }

  private:
    std::string name_;
    platform::FileMapping mapping_;
    int size_ = 0;
};

class CMMF_Wr {
  public:
    CMMF_Wr(const char* name, int size);
    ~CMMF_Wr();
    CMMF_Wr(const CMMF_Wr&) = delete;
    CMMF_Wr& operator=(const CMMF_Wr&) = delete;

    // The file, created when missing, mapped read/write at exactly the stored size.
    uint8_t* Open();
    void Close(); // flushes, then unmaps
    uint8_t* GetView() const { return mapping_.IsOpen() ? mapping_.Data() : nullptr; }
    int GetSize() const { return size_; }
    const char* getName() const { return name_.c_str(); }

  private:
    std::string name_;
    platform::FileMapping mapping_;
    int size_ = 0;
};
