// The gateway transport with a stand-in for the dispatcher: framing cases from a client on
// 127.0.0.1, stalled peers, restarts, the service switch and the shutdown. The test thread plays
// the user-interface thread: while it waits for replies it dispatches the socket events and, as
// the main loop does after each message, answers the complete requests.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <vector>

#include "app/preferences.h"
#include "app/web_listener.h"
#include "core/output_stream.h"
#include "core/sockets.h"
#include "tests/app/gateway_wire.h"
#include "tests/app/wait_bound.h"
#include "tests/core/streams/loopback_client.h"

namespace {

// "size=N" writes N "x"; anything else echoes the three texts in brackets.
void EchoHandler(T_OStream* page, const char* query, const char* key, const char* settings) {
  std::string q = query;
  if (q.rfind("size=", 0) == 0) {
    page->PutText(std::string(std::stoi(q.substr(5)), 'x').c_str());
    return;
  }
  page->PutText(("[" + std::string(key) + "][" + q + "][" + settings + "]").c_str());
}

constexpr size_t kBodyCut = 5999 - 4;  // the body read, less the key, the query and their NULs

using gateway_wire::Header;
using gateway_wire::Word;
using gateway_wire::Request;

uint16_t FreePort() { return FreeLoopbackPort(); }
SOCKET Connect(uint16_t port) { return ConnectLoopback(port); }

// Under Wine a closed listening socket may take a moment to leave the system while its thread
// wakes from its wait, and a connection made meanwhile lands in the old backlog: what counts is
// that the port is given up, so the refusal is awaited for at most two seconds.
bool RefusedSoon(uint16_t port) {
  return wait_bound::Deadline(2000).Until([port] {
    SOCKET client = Connect(port);
    if (client == INVALID_SOCKET) return true;
    closesocket(client);
    return false;
  });
}

void SendText(SOCKET client, const std::string& bytes) {
  send(client, bytes.data(), static_cast<int>(bytes.size()), 0);
}

// The socket events and timer ticks that have come, as a message loop would dispatch them.
void DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

enum Outcome { kReply, kClosed, kTimeout };

struct Reply {
  Outcome outcome = kTimeout;
  std::string header;
  std::string page;
};

class WebListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    ResetPreferences();
    InstallWebService();
    SetWebRequestHandler(EchoHandler);
    port = FreePort();
    Prefs().serveWeb = true;
    Prefs().webPort = port;
    RestartGatewayService();
    ASSERT_EQ(WebListeningPort(), port);
  }
  void TearDown() override {
    ShutdownWebService();
    SetWebRequestHandler(nullptr);
    SetWebTimeouts(0, 0);
    ResetPreferences();
    WSACleanup();
  }

  // Reads one reply (or the close) while serving the queue, for at most the milliseconds.
  static Reply Receive(SOCKET client, DWORD milliseconds = 5000) {
    Reply reply;
    std::string bytes;
    const wait_bound::Deadline deadline(milliseconds);
    while (!deadline.Passed()) {
      DispatchPending();
      ServeWebQueue();
      if (SocketWaitReadable(static_cast<int32_t>(client), 5) != 1) continue;
      char buffer[8192];
      int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) {
        reply.outcome = kClosed;
        return reply;
      }
      bytes.append(buffer, got);
      if (bytes.size() >= 16) {
        uint32_t total = 0;
        for (int i = 0; i < 4; ++i) total = total << 8 | static_cast<uint8_t>(bytes[i]);
        if (bytes.size() >= total) {
          reply.outcome = kReply;
          reply.header = bytes.substr(0, 16);
          reply.page = bytes.substr(16, total - 16);
          pending = bytes.substr(total);
          return reply;
        }
      }
    }
    return reply;
  }

  static inline std::string pending;  // bytes of a following reply read with one
  uint16_t port = 0;
};

TEST_F(WebListenerTest, FramingCasesEndInAReplyOrAClose) {
  std::string overLong = Header(20 + 7000, 1, 1) + "k" + '\0' + "q" + '\0' + std::string(6996, 'z');
  const struct {
    const char* name;
    std::string bytes;
    Outcome outcome;
    std::string page;
  } cases[] = {
      {"total 19", Header(19, 0, 0), kClosed, ""},
      {"total 20", Header(20, 0, 0), kClosed, ""},
      {"total 23, three NULs", Header(23, 0, 0) + std::string(3, '\0'), kReply, "[][][]"},
      {"key past the body", Header(25, 10, 0) + "abcde", kClosed, ""},
      {"query past the body", Header(25, 1, 4) + std::string("k\0qqq", 5), kClosed, ""},
      {"lengths near 2^32", Header(25, 0xFFFFFFFF, 0xFFFFFFFF) + "abcde", kClosed, ""},
      {"missing NULs", Header(25, 1, 1) + "kXqYs", kReply, "[k][q][s]"},
      {"over-long body is cut", overLong, kReply, "[k][q][" + std::string(kBodyCut, 'z') + "]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SOCKET client = Connect(port);
    ASSERT_NE(client, INVALID_SOCKET);
    SendText(client, c.bytes);
    Reply reply = Receive(client);
    EXPECT_EQ(reply.outcome, c.outcome);
    EXPECT_EQ(reply.page, c.page);
    if (c.outcome == kReply) {
      // The rest of an over-long body is not taken for the next request.
      SendText(client, Request("a", "b", "c"));
      Reply next = Receive(client);
      EXPECT_EQ(next.outcome, kReply);
      EXPECT_EQ(next.page, "[a][b][c]");
    }
    closesocket(client);
  }
}

TEST_F(WebListenerTest, AHeaderInPiecesTwoRequestsBackToBackAndTheReplyHeader) {
  SOCKET client = Connect(port);
  ASSERT_NE(client, INVALID_SOCKET);
  std::string request = Request("key", "query", "gateway=x");
  for (char byte : request) {
    SendText(client, std::string(1, byte));
    Sleep(1);
  }
  EXPECT_EQ(Receive(client).page, "[key][query][gateway=x]");

  SendText(client, Request("1", "a", "") + Request("2", "b", ""));
  EXPECT_EQ(Receive(client).page, "[1][a][]");
  std::string second = pending;
  if (second.empty())
    second = Receive(client).page;
  else
    second = second.substr(16);
  EXPECT_EQ(second, "[2][b][]");

  // The reply buffer is kept from request to request, grows for a long page and is given up
  // after one above a megabyte: each reply has its own length and bytes, also on the next
  // connection.
  for (int size : {100, 100000, 10, 2000000, 0, 5}) {
    if (size == 0) {
      closesocket(client);
      client = Connect(port);
    }
    SendText(client, Request("", "size=" + std::to_string(size), ""));
    Reply reply = Receive(client);
    ASSERT_EQ(reply.outcome, kReply) << size;
    EXPECT_EQ(reply.header, Word(16 + size) + Word(size) + std::string(8, 0)) << size;
    EXPECT_EQ(reply.page, std::string(size, 'x')) << size;
  }
  closesocket(client);
}

TEST_F(WebListenerTest, StalledAndIdlePeersLoseTheirConnection) {
  SetWebTimeouts(300, 800);
  SOCKET stalled = Connect(port);
  ASSERT_NE(stalled, INVALID_SOCKET);
  SendText(stalled, Header(40, 1, 1).substr(0, 5));  // stops halfway through the header
  Sleep(50);
  SOCKET waiting = Connect(port);  // in the backlog until the stalled peer is dropped
  ASSERT_NE(waiting, INVALID_SOCKET);
  SendText(waiting, Request("w", "q", ""));
  DWORD start = GetTickCount();
  EXPECT_EQ(Receive(waiting).page, "[w][q][]");
  EXPECT_LT(GetTickCount() - start, wait_bound::Scaled(3000));
  EXPECT_EQ(Receive(stalled, 1000).outcome, kClosed);
  closesocket(stalled);

  // The kept connection, now idle, is closed after the idle time; the next client is served.
  EXPECT_EQ(Receive(waiting, 3000).outcome, kClosed);
  closesocket(waiting);
  SOCKET next = Connect(port);
  SendText(next, Request("n", "q", ""));
  EXPECT_EQ(Receive(next).page, "[n][q][]");
  closesocket(next);
}

TEST_F(WebListenerTest, APeerThatTakesNoReplyLosesItsConnectionInTime) {
  SetWebTimeouts(300, 800);
  SOCKET greedy = Connect(port);
  ASSERT_NE(greedy, INVALID_SOCKET);
  // Far more than the system buffers between the two ends hold, and never read.
  SendText(greedy, Request("", "size=16000000", ""));
  SOCKET next = Connect(port);
  ASSERT_NE(next, INVALID_SOCKET);
  SendText(next, Request("n", "q", ""));
  DWORD start = GetTickCount();
  EXPECT_EQ(Receive(next).page, "[n][q][]");
  EXPECT_LT(GetTickCount() - start, wait_bound::Scaled(3000));
  closesocket(greedy);
  closesocket(next);
}

TEST_F(WebListenerTest, RestartsMoveTheListenerAndTheSwitchClosesThePort) {
  // Served, then restarted on the same port: the port is taken again at once.
  SOCKET client = Connect(port);
  SendText(client, Request("a", "b", "c"));
  EXPECT_EQ(Receive(client).outcome, kReply);
  closesocket(client);
  RestartGatewayService();
  EXPECT_EQ(WebListeningPort(), port);
  client = Connect(port);
  ASSERT_NE(client, INVALID_SOCKET);
  SendText(client, Request("a", "b", "c"));
  EXPECT_EQ(Receive(client).page, "[a][b][c]");
  closesocket(client);

  uint16_t moved = FreePort();
  Prefs().webPort = moved;
  RestartGatewayService();
  EXPECT_TRUE(RefusedSoon(port));
  client = Connect(moved);
  ASSERT_NE(client, INVALID_SOCKET);
  closesocket(client);

  Prefs().serveWeb = false;
  RestartGatewayService();
  EXPECT_EQ(WebListeningPort(), 0);
  EXPECT_TRUE(RefusedSoon(moved));
}

TEST_F(WebListenerTest, SetWebServiceTakesPortsAbove80AndTheModes) {
  const struct {
    int32_t mode;
    int32_t port;
    bool serving;
    int32_t portAfter;
  } cases[] = {
      {2, 80, false, 0},    // off; 80 belongs to the web server
      {1, 65536, true, 0},  // on; 65536 would wrap to another port
      {3, 81, true, 81},    // any other mode keeps the switch
      {2, 0, false, 81},
  };
  int32_t before = Prefs().webPort;
  for (const auto& c : cases) {
    SetWebService(c.mode, c.port);
    EXPECT_EQ(Prefs().serveWeb, c.serving);
    EXPECT_EQ(Prefs().webPort, c.portAfter ? c.portAfter : before);
  }
}

TEST_F(WebListenerTest, ShutdownEndsQueuedRequestsAndIdleConnections) {
  SOCKET queued = Connect(port);
  SendText(queued, Request("q", "q", ""));
  for (int32_t i = 0; i < 30; ++i) {  // read, but nobody answers it
    Sleep(10);
    DispatchPending();
  }
  ShutdownWebService();
  EXPECT_EQ(Receive(queued, 2000).outcome, kClosed);
  closesocket(queued);
  EXPECT_EQ(WebListeningPort(), 0);
  EXPECT_TRUE(RefusedSoon(port));
}

}  // namespace
