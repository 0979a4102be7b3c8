// The shard-list web host's reply: the status line, the headers and the body taken from any bytes,
// then the body's lines as the list reader cuts them.
#include "core/QVReport.h"
#include "frontend/ServerListFetch.h"

#include <cstdint>
#include <string_view>

static size_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        return true;
    }();
    (void)once;
    if (size > ServerListFetch::kMaxReplyBytes) return 0;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> body = ServerListFetch::ParseReply(reply);
    size_t total = body ? body->size() : 0;
    for (const std::string& line : ServerListFetch::UsableLines(body ? std::string_view(*body) : reply)) {
        if (line.empty() || line.size() > 254 || line[0] == '#') __builtin_trap();
        total += line.size();
    }
    std::string host;
    uint16_t port = 0;
    if (ServerListFetch::SplitHostPort(reply.substr(0, 64), &host, &port) && (host.empty() || port == 0))
        __builtin_trap();
    g_sink += total;
    return 0;
}
