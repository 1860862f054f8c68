// What any design of the web gateway can reach on this machine: a bare Winsock server without
// QEB's code that answers every gateway request with the same reply bytes, in one of two styles:
//   blocking  accept, then recv and send on the connection until the peer closes it
//   async     WSAAsyncSelect on a message-only window, a GetMessage loop, sockets not blocking
// Both serve one connection at a time from a backlog of 1, as the gateway service does, and send
// each reply (16-byte header and page) in one call with Nagle off.
//
// Usage (bench/web_bench.py starts it): web_ceiling.exe blocking|async PORT PAGE_FILE
// Linked against ws2_32 and user32 only; built with the target "benchmarks", never by the tests.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kSocketMessage = WM_APP + 1;

std::vector<char> reply;
SOCKET listening = INVALID_SOCKET;
SOCKET connection = INVALID_SOCKET;
bool acceptWaiting = false;
// Bytes read and not yet taken as a whole request.
std::vector<char> pending;

uint32_t BigEndian32(const char* p) {
  auto* u = reinterpret_cast<const unsigned char*>(p);
  return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3];
}

void PutBigEndian32(char* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(value >> (24 - 8 * i));
}

bool SendAll(SOCKET s, const char* bytes, int count) {
  while (count > 0) {
    int sent = send(s, bytes, count, 0);
    if (sent == SOCKET_ERROR) {
      if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(s, &writable);
      select(0, nullptr, &writable, nullptr, nullptr);
      continue;
    }
    bytes += sent;
    count -= sent;
  }
  return true;
}

// Answers each whole request in the bytes read so far; false when the connection must close.
bool AnswerPending(SOCKET s) {
  size_t start = 0;
  while (pending.size() - start >= 20) {
    uint32_t total = BigEndian32(pending.data() + start);
    if (total < 20) return false;
    if (pending.size() - start < total) break;
    start += total;
    if (!SendAll(s, reply.data(), static_cast<int>(reply.size()))) return false;
  }
  pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(start));
  return true;
}

// One receive; false at the peer's close or an error other than "would block".
bool ReadSome(SOCKET s) {
  char buffer[8192];
  int got = recv(s, buffer, sizeof(buffer), 0);
  if (got == 0) return false;
  if (got == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK;
  pending.insert(pending.end(), buffer, buffer + got);
  return AnswerPending(s);
}

SOCKET Listen(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 1) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

SOCKET AcceptNoDelay() {
  SOCKET s = accept(listening, nullptr, nullptr);
  if (s == INVALID_SOCKET) return s;
  BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
  return s;
}

void ServeBlocking() {
  for (;;) {
    SOCKET s = AcceptNoDelay();
    if (s == INVALID_SOCKET) continue;
    pending.clear();
    while (ReadSome(s)) {
    }
    closesocket(s);
  }
}

void CloseConnection(HWND window);

void TakeConnection(HWND window) {
  acceptWaiting = false;
  if (connection != INVALID_SOCKET) {
    acceptWaiting = true;  // one at a time: the next waits in the backlog
    return;
  }
  connection = AcceptNoDelay();
  if (connection == INVALID_SOCKET) return;
  pending.clear();
  // The accepted socket takes the listening socket's events; the request usually came with it.
  if (!ReadSome(connection)) CloseConnection(window);
}

void CloseConnection(HWND window) {
  closesocket(connection);
  connection = INVALID_SOCKET;
  if (acceptWaiting) TakeConnection(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kSocketMessage) return DefWindowProcA(window, message, wParam, lParam);
  auto s = static_cast<SOCKET>(wParam);
  if (s == listening && WSAGETSELECTEVENT(lParam) == FD_ACCEPT) {
    TakeConnection(window);
  } else if (s == connection && !ReadSome(connection)) {
    CloseConnection(window);
  }
  return 0;
}

void ServeAsync() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "WebCeilingSockets";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
  WSAAsyncSelect(listening, window, kSocketMessage, FD_ACCEPT | FD_READ | FD_CLOSE);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: web_ceiling blocking|async PORT PAGE_FILE\n");
    return 2;
  }
  FILE* file = std::fopen(argv[3], "rb");
  if (!file) return 2;
  std::vector<char> page;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof(chunk), file)) > 0;)
    page.insert(page.end(), chunk, chunk + n);
  std::fclose(file);
  reply.assign(16, 0);
  PutBigEndian32(reply.data(), static_cast<uint32_t>(page.size() + 16));
  PutBigEndian32(reply.data() + 4, static_cast<uint32_t>(page.size()));
  reply.insert(reply.end(), page.begin(), page.end());

  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 1;
  listening = Listen(std::atoi(argv[2]));
  if (listening == INVALID_SOCKET) return 1;
  if (std::strcmp(argv[1], "async") == 0)
    ServeAsync();
  else
    ServeBlocking();
  return 0;
}
