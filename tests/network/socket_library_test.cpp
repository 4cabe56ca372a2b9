// The socket library on loopback: what the virtual scanner's server does not exercise
// (client connects, failures, closed sockets, UDP).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cstring>

#include "loopback_peer.h"
#include "network/socket_objects.h"
#include "network/udp_socket.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using sockets::Result;
using sockets::SocketError;
using sockets::TCPClient;
using sockets::TCPServer;
using sockets::UDPClient;
using sockets::UDPServer;
using testing::CapturedLines;

constexpr PullPacing kQuickPacing{30, std::chrono::milliseconds(5)};

// A listening server on loopback and a client connected to it, accepted.
struct Connected {
    TCPServer server{"127.0.0.1", 0};
    TCPClient client{"127.0.0.1", 0};
    std::optional<TCPClient> accepted;

    Connected() {
        EXPECT_TRUE(server.listen().isSuccess());
        client = TCPClient("127.0.0.1", server.port());
        EXPECT_TRUE(client.connect(2).isSuccess());
        accepted = server.accept(2);
        EXPECT_TRUE(accepted);
        client.setPullPacing(kQuickPacing);
        accepted->setPullPacing(kQuickPacing);
    }
};

TEST(TcpObjects, EverythingAfterCloseReportsClosed) {
    Connected c;
    c.client.close();
    c.client.close();  // a second close does nothing
    EXPECT_FALSE(c.client.fd());
    EXPECT_EQ(c.client.send(std::string("x")), Result::failure(SocketError::connectionClosed));
    EXPECT_FALSE(c.client.read(4, 1));
    EXPECT_FALSE(c.client.bytesAvailable());
    c.server.close();
    EXPECT_FALSE(c.server.accept(1));
}

TEST(TcpObjects, ConnectFailuresMapToTheirErrors) {
    TCPClient unresolvable("", 80);
    EXPECT_EQ(unresolvable.connect(1), Result::failure(SocketError::queryFailed));
    TCPClient refused("127.0.0.1", testing::unusedLoopbackPort());
    const Result result = refused.connect(1);
    EXPECT_TRUE(result.isFailure());
    EXPECT_NE(result.error(), SocketError::connectionTimeout);
    EXPECT_FALSE(refused.fd());
    EXPECT_EQ(Result::success().error(), std::nullopt);
}

// A listener whose queue is full drops new handshakes, so the connect times out.
TEST(TcpLowLayer, ConnectToAPeerThatDoesNotAnswerTimesOut) {
    const int listener = tcpsocket_listen("127.0.0.1", 0);
    ASSERT_GE(listener, 0);
    ::listen(listener, 0);
    const int port = tcpsocket_port(listener);
    std::vector<UniqueFd> queued;
    int result = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 8 && result >= 0; ++i) {
        result = tcpsocket_connect("127.0.0.1", port, 1);
        if (result >= 0) {
            queued.emplace_back(result);
        }
    }
    EXPECT_EQ(result, -3);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    TCPClient client("127.0.0.1", port);
    EXPECT_EQ(client.connect(1), Result::failure(SocketError::connectionTimeout));
    tcpsocket_close(listener);
}

TEST(TcpLowLayer, PullGivesUpAfterTwentyNineEmptyReads) {
    CapturedLines lines;
    Connected c;
    uint8_t buffer[8];
    EXPECT_EQ(tcpsocket_pull(*c.client.fd(), buffer, 8, 0, kQuickPacing), 0);
    size_t reads = 0;
    for (const auto& line : lines.lines()) {
        reads += line.starts_with("socketFd = ") ? 1 : 0;
    }
    EXPECT_EQ(reads, 29u);
    EXPECT_TRUE(lines.containsFragment(",try times = 29 ,readlen = -1"));
}

TEST(TcpLowLayer, BlockingFlagAndBindFailures) {
    Connected c;
    const int fd = *c.client.fd();
    EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK);  // connect leaves it non-blocking
    tcpsocket_set_block(fd, 1);
    EXPECT_FALSE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
    // 192.0.2.1 is not an address of this machine: binding fails, nothing is sent.
    EXPECT_EQ(tcpsocket_listen("192.0.2.1", 0), -1);
    EXPECT_EQ(udpsocket_server("192.0.2.1", 0), -1);
    EXPECT_EQ(tcpsocket_port(-1), -1);
    EXPECT_LT(tcpsocket_bytes_available(-1), 0);
    char address[kAddressTextSize] = {};
    int port = 0;
    EXPECT_EQ(tcpsocket_accept(*c.server.fd(), address, &port, 1), -1);  // nobody waiting
}

TEST(UdpObjects, DatagramCarriesItsSender) {
    UDPServer server("127.0.0.1", 0);
    ASSERT_TRUE(server.fd());
    const int port = tcpsocket_port(*server.fd());
    UDPClient client("127.0.0.1", port);
    EXPECT_EQ(client.address(), "127.0.0.1");
    ASSERT_TRUE(client.send(std::string("ping")).isSuccess());
    const auto datagram = server.recv(64);
    EXPECT_EQ(datagram.data, toBytes("ping"));
    EXPECT_EQ(datagram.address, "127.0.0.1");
    EXPECT_EQ(datagram.port, tcpsocket_port(*client.fd()));
}

TEST(UdpObjects, UnresolvableOrClosedSocketsSendAndReceiveNothing) {
    UDPClient nowhere("", 9);
    EXPECT_EQ(nowhere.address(), "");
    EXPECT_EQ(nowhere.port(), 0);
    EXPECT_FALSE(nowhere.fd());
    EXPECT_EQ(nowhere.send(Bytes{1}), Result::failure(SocketError::connectionClosed));
    const auto datagram = nowhere.recv(8);
    EXPECT_FALSE(datagram.data);
    EXPECT_EQ(datagram.address, "no ip");
    EXPECT_EQ(datagram.port, 0);
    UDPServer server("127.0.0.1", 0);
    server.close();
    EXPECT_EQ(server.recv(8).address, "no ip");
}

TEST(UdpLowLayer, AnyAddressServerAndBroadcastOption) {
    CapturedLines lines;
    const int server = udpsocket_server("255.255.255.255", 0);
    ASSERT_GE(server, 0);
    EXPECT_TRUE(lines.contains("udp server ip len = 15"));
    EXPECT_TRUE(lines.containsFragment("bind server success and r = 0 and socketfd = "));
    udpsocket_close(server);

    UDPClient client("127.0.0.1", 9);
    client.enableBroadcast();
    int on = 0;
    socklen_t size = sizeof(on);
    ::getsockopt(*client.fd(), SOL_SOCKET, SO_BROADCAST, &on, &size);
    EXPECT_EQ(on, 1);

    char text[kAddressTextSize] = {};
    EXPECT_EQ(udpsocket_get_server_ip("127.0.0.1", text), 0);
    EXPECT_STREQ(text, "127.0.0.1");
    EXPECT_EQ(udpsocket_get_server_ip("", text), -1);
}

}  // namespace
}  // namespace scandesk
