#pragma once
// The client side of socket tests on 127.0.0.1: a port nobody listens on, and a connection to one.
// Windows Sockets must be started by the caller.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>

// A free loopback port: the system picks one, and it is released again.
inline uint16_t FreeLoopbackPort() {
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

// A connected socket, or INVALID_SOCKET when nobody accepts.
inline SOCKET ConnectLoopback(uint16_t port) {
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
