#include "app/web_listener.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "app/preferences.h"
#include "app/web_dispatcher.h"
#include "app/web_protocol.h"
#include "core/alert_handlers.h"
#include "core/output_stream.h"
#include "core/memory.h"
#include "core/settings_store.h"
#include "core/sockets.h"
#include "database/commands.h"
#include "ui/main_loop.h"

namespace {

constexpr uint32_t kRequestMilliseconds = 10000;
constexpr uint32_t kIdleMilliseconds = 60000;
constexpr UINT kSocketMessage = WM_APP + 1;
constexpr UINT_PTR kDeadlineTimer = 1;
constexpr char kWindowClass[] = "QebWebGatewaySockets";
constexpr int32_t kBufferSize = kGatewayBodyLimit + 1;
// The reply buffer is kept from request to request up to this size; a larger page's buffer goes
// after its reply.
constexpr int64_t kKeptReplyCapacity = 1 << 20;
constexpr int64_t kFirstReplyCapacity = 32768;

// Where the connection's current request stands.
enum class Phase : uint8_t {
  kHeader,      // gathering the header (the connection is idle while none of it came)
  kBody,        // gathering the body, at most kGatewayBodyLimit bytes
  kAnswer,      // complete; waits for the top level
  kSending,     // the reply goes out as the peer takes it
  kDiscarding,  // the announced body beyond the limit is read and dropped
};

struct Connection {
  int32_t socket = kNoSocket;
  Phase phase = Phase::kHeader;
  // Read ahead: a gateway sends header and body together, and every receive is a server round
  // trip under Wine, so one receive takes whatever has arrived.
  uint8_t bytes[kGatewayHeaderSize + kBufferSize];
  int32_t start = 0;
  int32_t end = 0;
  uint8_t header[kGatewayHeaderSize];
  int32_t headerHave = 0;
  GatewayHeader fields{};
  char body[kBufferSize + 1];  // with room for the NUL after the bytes read
  int64_t bodyLength = 0;
  int64_t bodyHave = 0;
  int64_t excess = 0;  // announced body bytes beyond those read
  GatewayTexts texts{};
  // Header and page, written into a buffer (MemAlloc) kept from request to request: every block
  // above 4 KB costs the allocator a headroom probe that under Wine maps and unmaps memory with a
  // flush of every processor's TLB, a third of a request on a kept connection.
  uint8_t* reply = nullptr;
  int64_t replyCapacity = 0;
  int64_t replyLength = 0;
  int64_t replySent = 0;
  uint64_t deadline = 0;        // the connection closes at this tick; 0 while a request is answered
  bool readDeferred = false;    // bytes or the close came while a request was answered
  bool waitingForRoom = false;  // the system tells when the peer took enough to send more
};

struct Service {
  bool started = false;
  HWND window = nullptr;
  bool timerRunning = false;
  int32_t listening = kNoSocket;
  uint16_t port = 0;
  bool acceptWaiting = false;        // a connection waits in the backlog behind the current one
  Connection* connection = nullptr;  // lives as long as the window; socket none when closed
  DWORD uiThread = 0;
  WebRequestHandler handler = nullptr;
  uint32_t requestMilliseconds = kRequestMilliseconds;
  uint32_t idleMilliseconds = kIdleMilliseconds;
};

Service service;

// Deadlines are real time: tests replace the core's tick source for the sessions.
uint64_t Now() { return GetTickCount64(); }

bool IsOpen(const Connection* c) { return c && c->socket != kNoSocket; }

void AwaitRequest(Connection* c) {
  c->phase = Phase::kHeader;
  c->headerHave = 0;
  c->deadline = Now() + service.idleMilliseconds;
}

// Looks at the deadline a few times within the shorter limit, while a connection is open.
void WatchDeadlines() {
  if (service.timerRunning) return;
  uint32_t shortest = service.requestMilliseconds < service.idleMilliseconds
                          ? service.requestMilliseconds
                          : service.idleMilliseconds;
  uint32_t period = shortest / 10;
  period = period < 10 ? 10 : period > 500 ? 500 : period;
  service.timerRunning = SetTimer(service.window, kDeadlineTimer, period, nullptr) != 0;
}

void StopWatchingDeadlines() {
  if (service.timerRunning && service.window) KillTimer(service.window, kDeadlineTimer);
  service.timerRunning = false;
}

void GatewayListenThread();

void FreeReplyBuffer(Connection* c) {
  MemFree(c->reply);
  c->reply = nullptr;
  c->replyCapacity = 0;
}

// A graceful close: a reply already handed to the system still reaches the peer.
void CloseConnection() {
  Connection* c = service.connection;
  if (!IsOpen(c)) return;
  SocketClose(c->socket);
  c->socket = kNoSocket;
  c->replyLength = c->replySent = 0;
  c->start = c->end = 0;
  // The timer stays until its next look finds no connection: under load the next one comes at
  // once, and setting a timer is a server round trip under Wine.
  if (service.acceptWaiting) GatewayListenThread();
}

// Moves the bytes read ahead through the request's phases; false when the connection must close.
bool TakeBytes(Connection* c) {
  for (;;) {
    int32_t available = c->end - c->start;
    switch (c->phase) {
      case Phase::kAnswer:
      case Phase::kSending:
        return true;
      case Phase::kDiscarding: {
        int32_t take = c->excess < available ? static_cast<int32_t>(c->excess) : available;
        c->start += take;
        c->excess -= take;
        if (c->excess > 0) return true;
        AwaitRequest(c);
        continue;
      }
      case Phase::kHeader: {
        if (available == 0) return true;
        // From its first byte a request must be complete within the request time.
        if (c->headerHave == 0) c->deadline = Now() + service.requestMilliseconds;
        int32_t take = kGatewayHeaderSize - c->headerHave;
        if (take > available) take = available;
        std::memcpy(c->header + c->headerHave, c->bytes + c->start, static_cast<size_t>(take));
        c->start += take;
        c->headerHave += take;
        if (c->headerHave < kGatewayHeaderSize) return true;
        c->fields = ReadGatewayHeader(c->header);
        c->bodyLength = GatewayBodyToRead(&c->fields);
        if (c->bodyLength < 0) return false;
        c->bodyHave = 0;
        c->phase = Phase::kBody;
        continue;
      }
      case Phase::kBody: {
        int64_t take = c->bodyLength - c->bodyHave;
        if (take > available) take = available;
        std::memcpy(c->body + c->bodyHave, c->bytes + c->start, static_cast<size_t>(take));
        c->start += static_cast<int32_t>(take);
        c->bodyHave += take;
        if (c->bodyHave < c->bodyLength) return true;
        c->body[c->bodyLength] = 0;
        if (!SplitGatewayBody(&c->fields, c->body, c->bodyLength, &c->texts)) return false;
        c->excess = GatewayBodyExcess(&c->fields);
        c->phase = Phase::kAnswer;
        c->deadline = 0;
        return true;
      }
    }
  }
}

// One receive once the bytes read ahead are used up; false when the connection must close.
bool ReadAhead(Connection* c) {
  if (c->phase == Phase::kAnswer || c->phase == Phase::kSending) {
    c->readDeferred = true;
    return true;
  }
  if (c->start < c->end) return TakeBytes(c);
  c->readDeferred = false;
  int32_t got = SocketRecv(c->socket, c->bytes, static_cast<int32_t>(sizeof(c->bytes)));
  if (got == 0) return false;
  if (got < 0) return SocketWouldBlock();
  c->start = 0;
  c->end = got;
  return TakeBytes(c);
}

// Sends what the peer takes of the reply; once it is all out, the next request's bytes are
// taken. False when the connection must close.
bool SendReply(Connection* c) {
  while (c->replySent < c->replyLength) {
    int64_t left = c->replyLength - c->replySent;
    int32_t count = left < (1 << 20) ? static_cast<int32_t>(left) : (1 << 20);
    int32_t sent = SocketSend(c->socket, c->reply + c->replySent, count);
    if (sent < 0) {
      if (!SocketWouldBlock()) return false;
      // The rest goes when the system tells of room, and the peer must take some in time.
      c->deadline = Now() + service.requestMilliseconds;
      if (c->waitingForRoom) return true;
      c->waitingForRoom = true;
      return SocketNotifyWindow(c->socket, service.window, kSocketMessage,
                                kSocketRead | kSocketWrite | kSocketClose);
    }
    c->replySent += sent;
  }
  if (c->replyCapacity > kKeptReplyCapacity) FreeReplyBuffer(c);
  if (c->waitingForRoom) {
    c->waitingForRoom = false;
    if (!SocketNotifyWindow(c->socket, service.window, kSocketMessage, kSocketRead | kSocketClose))
      return false;
  }
  if (c->excess > 0) {
    c->phase = Phase::kDiscarding;
    c->deadline = Now() + service.requestMilliseconds;
  } else {
    AwaitRequest(c);
  }
  if (!TakeBytes(c)) return false;
  return c->readDeferred && c->start == c->end ? ReadAhead(c) : true;
}

// Reads and answers requests until the connection ends: the connection's socket events.
void ServeGatewayConnection(int32_t socket, uint32_t event) {
  Connection* c = service.connection;
  if (!IsOpen(c) || socket != c->socket) return;  // told before it was closed
  bool keep = true;
  // A close is seen as a receive of nothing, so a late message for a socket number used again
  // never closes the connection that has it now.
  if (event == kSocketRead || event == kSocketClose) keep = ReadAhead(c);
  if (event == kSocketWrite && c->phase == Phase::kSending) keep = SendReply(c);
  if (!keep) CloseConnection();
}

// Takes the connection waiting in the backlog when none is served. (The listener's accept
// events; it no longer has a thread of its own.)
void GatewayListenThread() {
  service.acceptWaiting = false;
  Connection* c = service.connection;
  if (service.listening == kNoSocket || !c) return;
  if (IsOpen(c)) {
    service.acceptWaiting = true;
    return;
  }
  int32_t socket = SocketAccept(service.listening, nullptr);
  if (socket == kNoSocket) return;  // the peer went away; the next arrival is told again
  // The connection tells the window of its reads and close already, and sends without delay: an
  // accepted socket takes the listening socket's events and options.
  c->socket = socket;
  c->start = c->end = 0;
  c->readDeferred = false;
  c->waitingForRoom = false;
  AwaitRequest(c);
  WatchDeadlines();
  // The request usually came with the connection: reading now saves waiting for its event.
  if (!ReadAhead(c)) CloseConnection();
}

void LookAtDeadline() {
  Connection* c = service.connection;
  if (!IsOpen(c)) {
    StopWatchingDeadlines();
    return;
  }
  if (c->deadline != 0 && Now() >= c->deadline) CloseConnection();
}

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSocketMessage) {
    auto socket = static_cast<int32_t>(wParam);
    uint32_t event = LOWORD(lParam);
    if (socket == service.listening && event == kSocketAccept) {
      GatewayListenThread();
    } else {
      ServeGatewayConnection(socket, event);
    }
    return 0;
  }
  if (message == WM_TIMER && wParam == kDeadlineTimer) {
    LookAtDeadline();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The window belongs to the user-interface thread, whose loops dispatch its messages.
bool EnsureWindow() {
  if (service.window) return true;
  if (GetCurrentThreadId() != service.uiThread) return false;
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = SocketWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
    if (!registered) return false;
  }
  auto* connection = new (std::nothrow) Connection;
  if (!connection) return false;
  service.window =
      CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!service.window) {
    delete connection;
    return false;
  }
  service.connection = connection;
  return true;
}

void CloseListening() {
  SocketClose(service.listening);
  service.listening = kNoSocket;
  service.port = 0;
  service.acceptWaiting = false;
}

void ReadListenAddress(char* address, int32_t size) {
  SettingsStore store;
  SettingsOpen(&store, kPreferencesSection, kSettingsUser);
  SettingsReadText(&store, "WebqebAddress", address, size);
  SettingsClose(&store);
}

void DefaultHandler(T_OStream* page, const char* query, const char* key, const char* settings) {
  DispatchWebRequest(page, query, key, settings);
}

// The page as a reply: written behind room for the header into the connection's reply buffer.
// False when memory runs out.
bool Answer(Connection* c) {
  if (!c->reply) {
    c->reply = static_cast<uint8_t*>(MemAlloc(kFirstReplyCapacity, 2));
    if (!c->reply) return false;
    c->replyCapacity = kFirstReplyCapacity;
  }
  int64_t length = 0;
  {
    // The stream grows the lent buffer as its own and hands it back.
    T_OStream page;
    page.SetNewlineChar(10);
    page.ownedBuffer = c->reply;
    page.SetBuffer(c->reply, c->replyCapacity, c->reply + kGatewayReplyHeaderSize);
    UiEnter();
    T_NoAlerts silent;
    (service.handler ? service.handler : DefaultHandler)(&page, c->texts.query, c->texts.key,
                                                         c->texts.settings);
    UiLeave();
    c->reply = page.ownedBuffer;
    c->replyCapacity = page.end - page.start;
    length = page.pos - page.start;
    page.ownedBuffer = nullptr;
  }
  WriteGatewayReplyHeader(c->reply, static_cast<uint32_t>(length - kGatewayReplyHeaderSize));
  c->replyLength = length;
  c->replySent = 0;
  c->phase = Phase::kSending;
  return true;
}

}  // namespace

void InstallWebService() {
  service.started = true;
  service.uiThread = GetCurrentThreadId();
  SetWebServiceRestart(RestartGatewayService);
  // The database window reopens a file changed on disk without asking while pages are served,
  // since no one may be at the screen to answer.
  SetWebServiceServingQuery(
      [] { return service.listening != kNoSocket || IsOpen(service.connection); });
  SetMainLoopHook(ServeWebQueue);
  CommandAppServices commands = CurrentCommandAppServices();
  commands.setWebService = SetWebService;
  SetCommandAppServices(&commands);
}

void RestartGatewayService() {
  if (!service.started) return;
  CloseListening();
  if (!Prefs().serveWeb || !IsUsableWebPort(Prefs().webPort) || !EnsureWindow()) return;
  char address[32] = {};
  ReadListenAddress(address, sizeof(address));
  int32_t socket = ListenSocket(static_cast<uint16_t>(Prefs().webPort), address);
  if (socket == kNoSocket) return;
  // Set once here rather than on each accepted connection: under Wine every socket option costs
  // server round trips, a tenth of a request on a new connection.
  SocketSetNoDelay(socket);
  if (!SocketNotifyWindow(socket, service.window, kSocketMessage,
                          kSocketAccept | kSocketRead | kSocketClose)) {
    SocketClose(socket);
    return;
  }
  service.listening = socket;
  service.port = static_cast<uint16_t>(Prefs().webPort);
}

void SetWebService(int32_t mode, int32_t port) {
  if (IsUsableWebPort(port)) Prefs().webPort = port;
  if (mode == 1) Prefs().serveWeb = true;
  if (mode == 2) Prefs().serveWeb = false;
  RestartWebService();
}

void ShutdownWebService() {
  if (!service.started) return;
  CloseListening();
  if (IsOpen(service.connection)) SocketShutdown(service.connection->socket);
  CloseConnection();
  StopWatchingDeadlines();
  if (service.window) DestroyWindow(service.window);
  service.window = nullptr;
  if (service.connection) FreeReplyBuffer(service.connection);
  delete service.connection;
  service.connection = nullptr;
}

void ServeWebQueue() {
  if (!service.started || GetCurrentThreadId() != service.uiThread || !UiAtTopLevel()) return;
  Connection* c = service.connection;
  while (IsOpen(c) && c->phase == Phase::kAnswer) {
    if (!Answer(c) || !SendReply(c)) CloseConnection();
  }
}

uint16_t WebListeningPort() { return service.listening != kNoSocket ? service.port : 0; }

void SetWebRequestHandler(WebRequestHandler handler) { service.handler = handler; }

void SetWebTimeouts(uint32_t requestMilliseconds, uint32_t idleMilliseconds) {
  service.requestMilliseconds = requestMilliseconds ? requestMilliseconds : kRequestMilliseconds;
  service.idleMilliseconds = idleMilliseconds ? idleMilliseconds : kIdleMilliseconds;
  // A running timer looks as often as the old limits asked.
  StopWatchingDeadlines();
  if (IsOpen(service.connection)) WatchDeadlines();
}
