// A server-kept configuration file (0xD0) over any bytes: the receiver inflates into a capped
// buffer, keeps the local file when the data is damaged, and writes inside the scratch folder.
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "core/config.h"
#include "support/FuzzEnvironment.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        QVReport::startWithoutFile();
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        ConfigFiles::SetWorkingFolder(qvfuzz::ScratchFolder());
        CServerConfigSync::SetEnabled(true);
        return true;
    }();
    (void)ready;
    if (size < 1) return 0;
    // The first byte picks the slot (the fuzzer's files stay in the scratch folder); the upload
    // flag sends each accepted file back through the compressor.
    CServerConfigSync::SetLoginFlag(data[0] & 0x80);
    CServerConfigSync::ReceiveFile(data[0] % 14, data + 1, size - 1);
    return 0;
}
