#include "core/CMMF.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool OutOfMemory(int error) {
    return error == ENOMEM;
}

std::string Formatted(const char* format, const char* name, int error) {
    char text[1200];
    std::snprintf(text, sizeof text, format, name, error);
    return text;
}

} // namespace

CMMF::CMMF(const char* name) {
    QVReport::message("CMMF::CMMF: begin. file '%s'\n", name ? name : "(null)");
    setName(name);
}

CMMF::~CMMF() {
    Close();
}

void CMMF::setName(const char* newName) {
    if (!newName) QVReport::fatal("CMMF::setName: new_name == NULL\n");
    name_ = newName;
}

const uint8_t* CMMF::Open(bool showErrors) {
    if (name_.empty()) return nullptr;
    Close();
    int error = 0;
    if (!mapping_.OpenRead(name_, &error)) {
        if (OutOfMemory(error)) OutOfMemoryHandler();
        QVReport::warning("CMMF::Open: cannot map '%s' (error %d)\n", name_.c_str(), error);
        if (showErrors)
            platform::ShowMessageBox(Formatted("Failed to open mmf %s: Error %d.", name_.c_str(), error),
                                     "MMF Error");
        return nullptr;
    }
    if (mapping_.Size() > static_cast<size_t>(INT_MAX)) {
        // Item offsets in the data files are 32-bit signed; a larger file cannot be addressed.
        QVReport::error("CMMF::Open: '%s' is larger than 2 GiB\n", name_.c_str());
        mapping_.Close();
        return nullptr;
    }
    size_ = static_cast<int>(mapping_.Size());
    return mapping_.Data();
}

void CMMF::Close() {
    mapping_.Close();
    size_ = 0;
}

int CMMF::Read(int offset, int length, void* destination) const {
    if (!mapping_.IsOpen() || !destination || offset < 0 || length <= 0 || offset >= size_) return 0;
    int n = length > size_ - offset ? size_ - offset : length;
    std::memcpy(destination, mapping_.Data() + offset, static_cast<size_t>(n));
    return n;
}

CMMF_Wr::CMMF_Wr(const char* name, int size) {
    QVReport::message("CMMF_Wr::CMMF_Wr(const char *theName, int theSize): begin.\n");
    if (!name) QVReport::fatal("CMMF::setName: new_name == NULL\n");
    name_ = name;
    size_ = size < 0 ? 0 : size;
}

CMMF_Wr::~CMMF_Wr() {
    Close();
}

uint8_t* CMMF_Wr::Open() {
    Close();
    int error = 0;
    if (!mapping_.OpenReadWrite(name_, static_cast<size_t>(size_), &error)) {
        if (OutOfMemory(error)) OutOfMemoryHandler();
        platform::ShowMessageBox(Formatted("Failed to open mmf_wr %s: Error %d.", name_.c_str(), error),
                                 "MMF Error");
        return nullptr;
    }
    return mapping_.Data();
}

void CMMF_Wr::Close() {
    if (mapping_.IsOpen()) mapping_.Flush();
    mapping_.Close();
}
