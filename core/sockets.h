#pragma once
// The five socket operations of the web gateway service: one listening TCP port, one connection
// at a time. Windows Sockets 2.2 is started by the program's start-up.
//
// Sockets are 32-bit descriptors (Windows keeps socket handles within 32 bits); -1 means none.
// No call blocks longer than the system call it makes; callers loop over partial sends.
#include <cstdint>

constexpr int32_t kNoSocket = -1;

// A TCP socket bound to the local IPv4 address (dotted text; null or empty for 127.0.0.1,
// "0.0.0.0" for every address) at the port (host order) and listening with a backlog of 1; -1 on
// any failure (an address that is not a dotted IPv4 address included), with the socket closed.
// The port is held exclusively, so no other program can bind it while the service listens, and a
// port already in use gives -1.
int32_t ListenSocket(uint16_t port, const char* address = nullptr);
// The connected socket or -1. With a peer buffer (16 bytes), the peer's dotted IPv4 address
// goes there; the buffer is emptied first.
int32_t SocketAccept(int32_t listener, char* peer);
// One send or receive call: the count, 0 at the peer's close (receive), negative on error.
int32_t SocketSend(int32_t socket, const void* bytes, int32_t count);
int32_t SocketRecv(int32_t socket, void* buffer, int32_t size);
void SocketClose(int32_t socket);
// Ends both directions without freeing the socket: a call blocked on it in another thread
// returns, and the owner still closes it.
void SocketShutdown(int32_t socket);
// Waits up to the milliseconds until the socket can be read (data, the peer's close or an error)
// or, for a listening socket, a connection waits: 1 then, 0 on timeout, -1 on error.
int32_t SocketWaitReadable(int32_t socket, uint32_t milliseconds);
// A socket that does not block makes accept, send and receive fail at once instead of waiting
// (on Windows a connection accepted from such a socket does not block either).
void SocketSetBlocking(int32_t socket, bool blocking);
// Sends each write at once instead of holding small ones back for the peer's acknowledgement.
void SocketSetNoDelay(int32_t socket);

// After a send or receive failed: true when it only would have blocked (a socket that does not
// block, nothing to read or no room to write).
bool SocketWouldBlock();
// The events a window can be told of.
constexpr uint32_t kSocketRead = 1;
constexpr uint32_t kSocketWrite = 2;
constexpr uint32_t kSocketAccept = 8;
constexpr uint32_t kSocketClose = 32;
// From now on the window (an HWND) gets the message, the socket as its first parameter and the
// event in the low word of the second, whenever one of the events happens; the socket no longer
// blocks. Each event is told once until the call that answers it (receive, send, accept) is made
// again. Another call replaces the events; 0 stops the messages. False on failure.
bool SocketNotifyWindow(int32_t socket, void* window, uint32_t message, uint32_t events);
