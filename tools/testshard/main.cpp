// The test server: a login server on PORT and a game server on PORT + 1 (loopback), playing the
// server side of the login road and logging every packet a client sends, deciphered.
//
// Usage: testshard [--scenario NAME] [--record] [PORT]
//   PORT      default: the login port of the synthetic installation's "login.cfg"
//   NAME      demo (default: stays up, accepts any account; two shards, three characters, a small
//             living world; in every scenario the account "new" starts without characters and
//             keeps those it creates), deny:REASON, full, self, error:CODE, close (the game server closes in
//             the middle of a packet), bytes (one byte per send), edit (an edit server: no seed, no
//             cipher; sends a tile data group, a multi and 0xC6), world:items, world:mobiles,
//             world:containers, world:death, world:weather, world:light, world:season, world:figures
//             (one family of the world, ticking), down (no shards), zones (shards of several zones and loads,
//             one of zone 50, one that never echoes), five, protected, one (the one-character flag), delete,
//             delete:REASON, nologout (0xD1 unanswered), closedrelay (the relay names a port nobody
//             listens on), gumps (every window a server asks for; replies logged), config (files
//             both ways), dropack:N (the Nth walk acknowledgement is lost), cross:N (the Nth
//             comes after the next), delay:MS (walk answers are held MS milliseconds),
//             liftrefuse:R (lifts are refused with reason R), night (light level 20, a torch in
//             the player's hand, a personal light), show (a recorded show of effects, an action
//             and a sound, played twice). The game server judges each step by the sample world
//             and refuses the gate at 1504,1602.
//   --record  the old recorder: one port, every packet logged, nothing answered
#include "core/QVReport.h"
#include "mkinstall/Installation.h"
#include "platform/platform.h"
#include "testshard/EffectScenarios.h"
#include "testshard/GumpScenarios.h"
#include "testshard/LoopbackServer.h"
#include "testshard/ScenarioServer.h"
#include "testshard/ShardWorld.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

void Print(const std::string& line) {
    std::printf("testshard: %s\n", line.c_str());
    std::fflush(stdout);
}

bool ScriptFor(const std::string& name, testshard::Script& script) {
    script.shards = {{"Veldaria"}, {"Emberfall", platform::kLoopback, 40, -5}};
    // Every scenario judges walking by the sample world, with the demo's gate refused.
    script.walk = std::make_shared<testshard::WalkJudge>();
    script.walk->AddBarrier(testshard::kDemoGateX, testshard::kDemoGateY);
    testshard::WalkFaults faults;
    if (name == "demo") script.characters = {"Aldric", "Brenna", "Corwin"};
    if (testshard::ShardWorld::IsWorldScenario(name)) return true;
    if (name.rfind("dropack:", 0) == 0) {
        faults.dropAck = std::atoi(name.c_str() + 8);
        script.walk->SetFaults(faults);
        return true;
    }
    if (name.rfind("cross:", 0) == 0) {
        faults.crossAck = std::atoi(name.c_str() + 6);
        script.walk->SetFaults(faults);
        return true;
    }
    if (name.rfind("delay:", 0) == 0) {
        faults.delayMs = std::atoi(name.c_str() + 6);
        script.walk->SetFaults(faults);
        return true;
    }
    if (name.rfind("liftrefuse:", 0) == 0) {
        faults.liftRefusal = std::atoi(name.c_str() + 11);
        script.walk->SetFaults(faults);
        return true;
    }
    if (name == "full") return script.relayFull = true;
    if (name == "self") return script.relayToSelf = true;
    if (name == "close") return script.closeMidStream = true;
    if (name == "bytes") return script.byteAtATime = true;
    if (name == "edit") {
        script.editServer = true;
        script.worldPackets = testshard::EditServerPackets();
        return true;
    }
    if (name == "gumps") { // every server window; the client's replies are logged
        // The windows come after the login is complete: entering the game display closes the
        // windows open before it.
        script.loginComplete = false;
        script.worldPackets = {{0x55}};
        for (const std::vector<uint8_t>& p : testshard::GumpScenarioPackets())
            script.worldPackets.push_back(p);
        script.answer = testshard::AnswerGumpScenario;
        return true;
    }
    if (name == "config") { // the server keeps the configuration files: both ways
        script.clientFlags = 0x0A;
        script.worldPackets = testshard::ConfigScenarioPackets();
        return true;
    }
    if (testshard::EffectScenario(name, script)) return true;
    if (name.rfind("deny:", 0) == 0) {
        script.denyReason = std::atoi(name.c_str() + 5);
        return true;
    }
    if (name.rfind("error:", 0) == 0) {
        script.errorCode = std::atoi(name.c_str() + 6);
        return true;
    }
    if (testshard::GameRoomScenario(name, script)) return true;
    return testshard::FrontEndScenario(name, script);
}

// Echoes the latency probe's datagrams (UDP port 12000) while the server runs; silently absent when
// the port is taken.
void EchoLatencyProbes(std::atomic<bool>& stop) {
    const int socket = platform::OpenUdpSocket();
    if (socket < 0 || !platform::BindSocket(socket, platform::kLoopback, 12000)) {
        platform::CloseSocket(socket);
        return;
    }
    uint8_t datagram[256];
    while (!stop) {
        uint32_t address = 0;
        uint16_t port = 0;
        const int n = platform::ReceiveDatagram(socket, datagram, sizeof datagram, &address, &port);
        if (n > 0)
            platform::SendDatagram(socket, datagram, static_cast<size_t>(n), address, port);
        else
            platform::SleepMillis(5);
    }
    platform::CloseSocket(socket);
}

int Usage() {
    std::fprintf(stderr, "usage: testshard [--scenario NAME] [--record] [PORT]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    int port = mkinstall::kLoginPort;
    std::string scenario = "demo";
    bool record = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scenario") == 0 && i + 1 < argc) {
            scenario = argv[++i];
        } else if (std::strcmp(argv[i], "--record") == 0) {
            record = true;
        } else if ((port = std::atoi(argv[i])) <= 0 || port > 65534) {
            return Usage();
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    if (record) {
        testshard::LoopbackServer server;
        server.SetLog(Print);
        if (!server.Start(static_cast<uint16_t>(port))) {
            std::fprintf(stderr, "testshard: cannot listen on 127.0.0.1:%d\n", port);
            return 1;
        }
        Print("recording on 127.0.0.1:" + std::to_string(server.port()));
        while (!g_stop)
            platform::SleepMillis(100);
        return 0;
    }

    testshard::Script script;
    if (!ScriptFor(scenario, script)) return Usage();
    // The world's ticks: one game minute each, sent once a client plays.
    std::unique_ptr<testshard::ShardWorld> world;
    if (testshard::ShardWorld::IsWorldScenario(scenario)) {
        world = std::make_unique<testshard::ShardWorld>(scenario, script.serial, script.x, script.y);
        script.worldPackets = world->Initial();
    }
    testshard::ScenarioServer server;
    server.SetLog(Print);
    if (!server.Start(script, static_cast<uint16_t>(port), static_cast<uint16_t>(port + 1))) {
        std::fprintf(stderr, "testshard: cannot listen on 127.0.0.1:%d and %d\n", port, port + 1);
        return 1;
    }
    std::atomic<bool> stopEcho{false};
    std::thread echo(EchoLatencyProbes, std::ref(stopEcho));
    Print("scenario " + scenario + ": login server on 127.0.0.1:" + std::to_string(server.loginPort()) +
          ", game server on 127.0.0.1:" + std::to_string(server.gamePort()));
    uint32_t lastTick = platform::TickCount();
    while (!g_stop) {
        platform::SleepMillis(100);
        if (!world || platform::TickCount() - lastTick < 500 || !server.WaitForPacket(0x5D, 0)) continue;
        lastTick = platform::TickCount();
        for (const std::vector<uint8_t>& packet : world->Tick())
            server.Send(packet);
    }
    server.Stop();
    stopEcho = true;
    echo.join();
    return 0;
}
