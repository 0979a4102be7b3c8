#include "frontend/ServerListFetch.h"

#include "core/FileManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "gumps/CGump.h"
#include "net/AppLink.h"
#include "net/NetServices.h"
#include "platform/platform.h"

#include <cstdio>

namespace ServerListFetch {

std::string PercentEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string BuildRequest(std::string_view host, std::string_view path, std::string_view account) {
    std::string request = "GET ";
    request += path;
    request += "login.pl?acctname=";
    request += PercentEncode(account);
    request += " HTTP/1.0\r\nHost: ";
    request += host;
    request += "\r\nConnection: close\r\n\r\n";
    return request;
}

std::optional<std::string> ParseReply(std::string_view reply) {
    const size_t lineEnd = reply.find('\n');
    if (lineEnd == std::string_view::npos) return std::nullopt;
    std::string_view status = reply.substr(0, lineEnd);
    // "HTTP/1.x 200 ..."
    if (status.size() < 12 || status.compare(0, 7, "HTTP/1.") != 0 || status[8] != ' ' ||
        status.compare(9, 3, "200") != 0 || (status.size() > 12 && status[12] != ' ' && status[12] != '\r'))
        return std::nullopt;
    size_t bodyStart = reply.find("\r\n\r\n");
    size_t skip = 4;
    const size_t bare = reply.find("\n\n");
    if (bare != std::string_view::npos && (bodyStart == std::string_view::npos || bare < bodyStart)) {
        bodyStart = bare;
        skip = 2;
    }
    if (bodyStart == std::string_view::npos) return std::nullopt;
    return std::string(reply.substr(bodyStart + skip));
}

bool SplitHostPort(std::string_view text, std::string* host, uint16_t* port) {
    *port = 80;
    const size_t colon = text.rfind(':');
    std::string_view name = text;
    if (colon != std::string_view::npos) {
        name = text.substr(0, colon);
        std::string_view digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) return false;
        uint32_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + static_cast<uint32_t>(c - '0');
        }
        if (value == 0 || value > 65535) return false;
        *port = static_cast<uint16_t>(value);
    }
    if (name.empty()) return false;
    *host = std::string(name);
    return true;
}

std::optional<std::string> Download(std::string_view hostPort, std::string_view path,
                                    std::string_view account, std::string* failure, uint32_t timeoutMs) {
    std::string host;
    uint16_t port = 80;
    if (!SplitHostPort(hostPort, &host, &port)) {
        *failure = "Unable to resolve host " + std::string(hostPort);
        return std::nullopt;
    }
    const std::optional<uint32_t> address = platform::ResolveHostIPv4(host);
    if (!address) {
        *failure = "Unable to resolve host " + host;
        return std::nullopt;
    }
    platform::SocketHandle s = platform::OpenTcpSocket();
    if (s == platform::kInvalidSocket || !platform::ConnectSocket(s, *address, port, timeoutMs)) {
        if (s != platform::kInvalidSocket) platform::CloseSocket(s);
        *failure = "Unable to connect to " + host;
        return std::nullopt;
    }
    const std::string request = BuildRequest(hostPort, path, account);
    size_t sent = 0;
    while (sent < request.size()) {
        const int n = platform::SendBytes(s, request.data() + sent, request.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    std::string reply;
    const uint32_t start = platform::ProcessClockMillis();
    bool complete = sent == request.size();
    while (complete) {
        const uint32_t spent = platform::ProcessClockMillis() - start;
        if (spent >= timeoutMs || !platform::WaitSocketReadable(s, timeoutMs - spent)) {
            complete = false;
            break;
        }
        char chunk[256];
        const int n = platform::ReceiveBytes(s, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0 || reply.size() + static_cast<size_t>(n) > kMaxReplyBytes) {
            complete = false;
            break;
        }
        reply.append(chunk, static_cast<size_t>(n));
    }
    platform::CloseSocket(s);
    std::optional<std::string> body = complete ? ParseReply(reply) : std::nullopt;
    if (!body) *failure = "Unable to download the shard list from " + host;
    return body;
}

std::vector<std::string> UsableLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, std::min<size_t>(end - at, 254));
        at = end + 1;
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32)
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        lines.emplace_back(line);
    }
    return lines;
}

} // namespace ServerListFetch

int FetchServerList(CGump*) {
    NetServices& services = GetNetServices();
    const std::string folder = FileManager::getHDPath();
    std::optional<std::vector<uint8_t>> local = platform::ReadWholeFile(folder + "servers.txt");
    std::string text;
    if (local) {
        text.assign(local->begin(), local->end());
    } else {
        const FrontEnd::WebSettings web = FrontEnd::ReadWebSettings();
        std::string failure;
        std::optional<std::string> body =
            ServerListFetch::Download(web.listHost, web.listPath, AcctID, &failure);
        if (!body) {
            services.showSystemMessage(0x21, 3, failure.c_str());
            return 0;
        }
        if (!platform::AtomicReplaceFile(folder + "servers.tmp", body->data(), body->size())) {
            services.showSystemMessage(0x21, 3, "Unable to create servers.tmp!");
            return 0;
        }
        text = std::move(*body);
    }
    ChooseServer(false);
    int count = 0;
    for (const std::string& line : ServerListFetch::UsableLines(text)) {
        CApp::ConnectToShard(line.c_str(), -1);
        ++count;
    }
    FrontEnd::CloseWaiting();
    return count;
}
