#pragma once
// The five socket operations of the web gateway service: one listening TCP port, one connection
// at a time. Windows Sockets 2.2 is started by the program's start-up.
//
// Sockets are 32-bit descriptors (Windows keeps socket handles within 32 bits); -1 means none.
// No call blocks longer than the system call it makes; callers loop over partial sends.
#include <cstdint>

constexpr int32_t kNoSocket = -1;

// A TCP socket bound to every local address at the port (host order) and listening with a
// backlog of 1; -1 on any failure, with the socket closed. The port is held exclusively, so no
// other program can bind it while the service listens, and a port already in use gives -1.
int32_t ListenSocket(uint16_t port);
// The connected socket or -1. With a peer buffer (16 bytes), the peer's dotted IPv4 address
// goes there; the buffer is emptied first.
int32_t SocketAccept(int32_t listener, char* peer);
// One send or receive call: the count, 0 at the peer's close (receive), negative on error.
int32_t SocketSend(int32_t socket, const void* bytes, int32_t count);
int32_t SocketRecv(int32_t socket, void* buffer, int32_t size);
void SocketClose(int32_t socket);
