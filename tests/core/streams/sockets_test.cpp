#include "core/sockets.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "tests/core/streams/loopback_client.h"

namespace {

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  static uint16_t FreePort() { return FreeLoopbackPort(); }
  static SOCKET Connect(uint16_t port) { return ConnectLoopback(port); }
};

TEST_F(SocketTest, AcceptsALoopbackConnection) {
  uint16_t port = FreePort();
  int32_t listener = ListenSocket(port);
  ASSERT_NE(listener, kNoSocket);
  SOCKET client = Connect(port);
  ASSERT_NE(client, INVALID_SOCKET);

  char peer[16] = "stale";
  int32_t connection = SocketAccept(listener, peer);
  ASSERT_NE(connection, kNoSocket);
  EXPECT_STREQ(peer, "127.0.0.1");
  EXPECT_EQ(SocketSend(connection, "ping", 4), 4);
  char buffer[8] = {};
  EXPECT_EQ(recv(client, buffer, sizeof(buffer), 0), 4);
  EXPECT_STREQ(buffer, "ping");
  send(client, "pong", 4, 0);
  closesocket(client);
  memset(buffer, 0, sizeof(buffer));
  EXPECT_EQ(SocketRecv(connection, buffer, sizeof(buffer)), 4);
  EXPECT_EQ(SocketRecv(connection, buffer, sizeof(buffer)), 0);  // the peer closed
  SocketClose(connection);

  // Without a buffer the peer is not reported.
  client = Connect(port);
  connection = SocketAccept(listener, nullptr);
  EXPECT_NE(connection, kNoSocket);
  SocketClose(connection);
  closesocket(client);
  SocketClose(listener);
}

TEST_F(SocketTest, APortInUseIsRefused) {
  uint16_t port = FreePort();
  int32_t first = ListenSocket(port);
  ASSERT_NE(first, kNoSocket);
  EXPECT_EQ(ListenSocket(port), kNoSocket);
  SocketClose(first);
  int32_t again = ListenSocket(port);  // free again once closed
  EXPECT_NE(again, kNoSocket);
  SocketClose(again);
  // Only a dotted IPv4 address names where to listen.
  EXPECT_EQ(ListenSocket(port, "localhost"), kNoSocket);
  EXPECT_EQ(ListenSocket(port, "127.0.0.1 "), kNoSocket);
}

}  // namespace
