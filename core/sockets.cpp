#include "core/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace {

SOCKET ToSocket(int32_t socket) { return static_cast<SOCKET>(static_cast<uint32_t>(socket)); }

int32_t FromSocket(SOCKET socket) {
  return socket == INVALID_SOCKET ? kNoSocket : static_cast<int32_t>(socket);
}

}  // namespace

int32_t ListenSocket(uint16_t port, const char* dotted) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  const char* text = dotted != nullptr && *dotted != 0 ? dotted : "127.0.0.1";
  if (inet_pton(AF_INET, text, &address.sin_addr) != 1) return kNoSocket;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  if (listener == INVALID_SOCKET) return kNoSocket;
  // SO_REUSEADDR would let another program bind the same port and take the gateway's
  // connections; the exclusive form refuses it and refuses us a port that is taken.
  BOOL exclusive = TRUE;
  if (setsockopt(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&exclusive), sizeof(exclusive)) != 0 ||
      bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, 1) != 0) {
    closesocket(listener);
    return kNoSocket;
  }
  return FromSocket(listener);
}

int32_t SocketAccept(int32_t listener, char* peer) {
  if (peer != nullptr) peer[0] = 0;
  sockaddr_in address{};
  int length = sizeof(address);
  SOCKET connection = accept(ToSocket(listener), reinterpret_cast<sockaddr*>(&address), &length);
  if (connection == INVALID_SOCKET) return kNoSocket;
  if (peer != nullptr) {
    char dotted[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof(dotted)) != nullptr) {
      strncpy(peer, dotted, 15);
      peer[15] = 0;
    }
  }
  return FromSocket(connection);
}

int32_t SocketSend(int32_t socket, const void* bytes, int32_t count) {
  return send(ToSocket(socket), static_cast<const char*>(bytes), count, 0);
}

int32_t SocketRecv(int32_t socket, void* buffer, int32_t size) {
  return recv(ToSocket(socket), static_cast<char*>(buffer), size, 0);
}

void SocketClose(int32_t socket) {
  if (socket != kNoSocket) closesocket(ToSocket(socket));
}

void SocketShutdown(int32_t socket) {
  if (socket != kNoSocket) shutdown(ToSocket(socket), SD_BOTH);
}

int32_t SocketWaitReadable(int32_t socket, uint32_t milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(ToSocket(socket), &readable);
  timeval timeout{static_cast<long>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000};
  int result = select(0, &readable, nullptr, nullptr, &timeout);
  return result > 0 ? 1 : result == 0 ? 0 : -1;
}

void SocketSetNoDelay(int32_t socket) {
  BOOL on = TRUE;
  setsockopt(ToSocket(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
             sizeof(on));
}

void SocketSetBlocking(int32_t socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(ToSocket(socket), FIONBIO, &nonBlocking);
}

bool SocketWouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }

static_assert(kSocketRead == FD_READ && kSocketWrite == FD_WRITE && kSocketAccept == FD_ACCEPT &&
              kSocketClose == FD_CLOSE);

bool SocketNotifyWindow(int32_t socket, void* window, uint32_t message, uint32_t events) {
  return WSAAsyncSelect(ToSocket(socket), static_cast<HWND>(window), message,
                        static_cast<long>(events)) == 0;
}
