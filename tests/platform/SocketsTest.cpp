#include "platform/platform.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using namespace platform;

// A listener on an ephemeral loopback port.
struct Listener {
    SocketHandle socket = ListenTcp(kLoopback, 0);
    uint16_t port = BoundPort(socket);
    ~Listener() { CloseSocket(socket); }
    SocketHandle Accept() {
        for (int i = 0; i < 2000; ++i) {
            SocketHandle s = AcceptConnection(socket);
            if (s != kInvalidSocket) return s;
            SleepMillis(1);
        }
        return kInvalidSocket;
    }
};

TEST(SocketsTest, LoopbackRoundTripAndCleanClose) {
    Listener listener;
    ASSERT_NE(listener.socket, kInvalidSocket);
    SocketHandle client = OpenTcpSocket();
    ASSERT_TRUE(ConnectSocket(client, kLoopback, listener.port, 2000));
    ASSERT_TRUE(SetSocketNonBlocking(client, true));
    SocketHandle server = listener.Accept();
    ASSERT_NE(server, kInvalidSocket);

    // Nothing to read yet: would block.
    char buf[64];
    EXPECT_EQ(ReceiveBytes(client, buf, sizeof buf), -1);
    EXPECT_EQ(LastSocketError(), WSAEWOULDBLOCK);

    ASSERT_EQ(SendBytes(server, "seed", 4), 4);
    ASSERT_TRUE(WaitSocketReadable(client, 2000));
    SocketReadiness r;
    ASSERT_TRUE(PollSocket(client, true, r));
    EXPECT_TRUE(r.readable);
    EXPECT_TRUE(r.writable);
    EXPECT_EQ(ReceiveBytes(client, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "seed");

    CloseSocket(server);
    ASSERT_TRUE(WaitSocketReadable(client, 2000));
    EXPECT_EQ(ReceiveBytes(client, buf, sizeof buf), 0); // the peer closed cleanly
    // Sending into a closed connection fails with an error instead of a signal.
    int rc = 0;
    for (int i = 0; i < 50 && rc >= 0; ++i)
        rc = SendBytes(client, "x", 1), SleepMillis(1);
    EXPECT_EQ(rc, -1);
    CloseSocket(client);
}

TEST(SocketsTest, RefusedConnectReportsItsWinSockCode) {
    SocketHandle probe = ListenTcp(kLoopback, 0);
    uint16_t port = BoundPort(probe);
    CloseSocket(probe); // nobody listens there now
    SocketHandle s = OpenTcpSocket();
    EXPECT_FALSE(ConnectSocket(s, kLoopback, port, 2000));
    EXPECT_EQ(LastSocketError(), WSAECONNREFUSED);
    CloseSocket(s);
}

TEST(SocketsTest, DatagramsEcho) {
    SocketHandle a = OpenUdpSocket();
    SocketHandle b = OpenUdpSocket();
    ASSERT_TRUE(BindSocket(a, kLoopback, 0));
    ASSERT_TRUE(BindSocket(b, kLoopback, 0));
    ASSERT_EQ(SendDatagram(a, "ping", 4, kLoopback, BoundPort(b)), 4);
    ASSERT_TRUE(WaitSocketReadable(b, 2000));
    char buf[16];
    uint32_t from = 0;
    uint16_t fromPort = 0;
    ASSERT_EQ(ReceiveDatagram(b, buf, sizeof buf, &from, &fromPort), 4);
    EXPECT_EQ(from, kLoopback);
    EXPECT_EQ(fromPort, BoundPort(a));
    EXPECT_EQ(ReceiveDatagram(b, buf, sizeof buf, nullptr, nullptr), -1);
    EXPECT_EQ(LastSocketError(), WSAEWOULDBLOCK);
    CloseSocket(a);
    CloseSocket(b);
}

TEST(SocketsTest, ResolvesDottedAndLocalNames) {
    EXPECT_EQ(ResolveHostIPv4("127.0.0.1"), kLoopback);
    EXPECT_EQ(ResolveHostIPv4("10.1.2.3"), MakeIPv4(10, 1, 2, 3));
    EXPECT_EQ(ResolveHostIPv4("localhost"), kLoopback);
    EXPECT_FALSE(ResolveHostIPv4("no-such-host.invalid").has_value());
}

TEST(SocketsTest, ErrnoMapsToWinSockCodes) {
    EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), WSAECONNRESET);
    EXPECT_EQ(SocketErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
    EXPECT_EQ(SocketErrorFromErrno(EPIPE), WSAESHUTDOWN);
    EXPECT_EQ(SocketErrorFromErrno(ETIMEDOUT), WSAETIMEDOUT);
}

} // namespace
