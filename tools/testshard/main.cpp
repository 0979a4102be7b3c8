// The test server: listens on the loopback interface and logs every packet a client sends,
// deciphered. Usage: testshard [PORT]   (default: the login port of the synthetic installation)
#include "mkinstall/Installation.h"
#include "testshard/LoopbackServer.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}
} // namespace

int main(int argc, char** argv) {
    int port = mkinstall::kLoginPort;
    if (argc > 2 || (argc == 2 && (port = std::atoi(argv[1])) <= 0) || port > 65535) {
        std::fprintf(stderr, "usage: testshard [PORT]\n");
        return 2;
    }
    testshard::LoopbackServer server;
    server.SetLog([](const std::string& line) {
        std::printf("testshard: %s\n", line.c_str());
        std::fflush(stdout);
    });
    if (!server.Start(static_cast<uint16_t>(port))) {
        std::fprintf(stderr, "testshard: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("testshard: listening on 127.0.0.1:%u\n", server.port());
    std::fflush(stdout);
    while (!g_stop)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.Stop();
    return 0;
}
