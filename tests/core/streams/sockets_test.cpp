#include "core/sockets.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace {

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  // A free loopback port: the system picks one, and it is released again.
  static uint16_t FreePort() {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    return ntohs(address.sin_port);
  }

  static SOCKET Connect(uint16_t port) {
    SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      closesocket(client);
      return INVALID_SOCKET;
    }
    return client;
  }
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
}

}  // namespace
