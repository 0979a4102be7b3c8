#pragma once
// The one-shot list of shards to log in to at once: "servers.txt" in the installation folder, or,
// when there is none, the list the web host keeps for the account (an HTTP/1.0 GET, bounded in
// connect time, download time and size), stored as "servers.tmp".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ServerListFetch {

constexpr size_t kMaxReplyBytes = 64 * 1024;
constexpr uint32_t kTimeoutMs = 10000;

// Every byte outside A-Z a-z 0-9 - _ . ~ as %XX.
std::string PercentEncode(std::string_view text);
// "GET <path>login.pl?acctname=<escaped> HTTP/1.0", the Host line, an empty line.
std::string BuildRequest(std::string_view host, std::string_view path, std::string_view account);
// The body of a complete reply whose status is 200; nullopt for anything else.
std::optional<std::string> ParseReply(std::string_view reply);
// "host" or "host:port" (port 80 by default); false for an empty host or a bad port.
bool SplitHostPort(std::string_view text, std::string* host, uint16_t* port);

// Connects, sends the request and reads the reply within the bounds; the body, or nullopt with the
// failure line for the player in *failure.
std::optional<std::string> Download(std::string_view hostPort, std::string_view path,
                                    std::string_view account, std::string* failure,
                                    uint32_t timeoutMs = kTimeoutMs);

// The usable lines of a list: trailing blanks and control characters cut, empty lines and lines
// starting with '#' skipped, at most 254 characters each.
std::vector<std::string> UsableLines(std::string_view text);

} // namespace ServerListFetch
