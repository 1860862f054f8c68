#include "app/web_listener.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "app/preferences.h"
#include "app/web_dispatcher.h"
#include "app/web_protocol.h"
#include "core/alert_handlers.h"
#include "core/file_stream.h"
#include "core/memory.h"
#include "core/settings_store.h"
#include "core/sockets.h"
#include "core/threads.h"
#include "database/commands.h"
#include "ui/main_loop.h"

namespace {

constexpr uint32_t kRequestMilliseconds = 10000;
constexpr uint32_t kIdleMilliseconds = 60000;
// How often a listener looks at its running flag while no connection arrives, and at the
// service's end while it waits for bytes.
constexpr uint32_t kAcceptPollMilliseconds = 100;
constexpr uint64_t kWaitSliceMilliseconds = 100;
constexpr int32_t kBufferSize = kGatewayBodyLimit + 1;

struct Listener {
  Listener* next = nullptr;
  void* thread = nullptr;
  int32_t socket = kNoSocket;      // listening; closed and set to none under the lock
  int32_t connection = kNoSocket;  // the connection being served
  bool running = true;
  bool finished = false;  // the thread's body has ended; joining it does not wait
  uint16_t port = 0;
};

struct WebJob {
  WebJob* next = nullptr;
  GatewayTexts texts{};
  uint8_t* reply = nullptr;  // header and page (MemAlloc), handed to the listener
  int64_t replyLength = 0;
  int32_t state = 0;  // 0 waiting, 1 answered, 2 ended without a reply
};

struct Service {
  bool started = false;
  LightLock lock;
  // Signalled under the lock when a job's state changes. A condition variable wakes the waiting
  // listener in user space; an event costs a server round trip each way under Wine.
  CONDITION_VARIABLE answered = CONDITION_VARIABLE_INIT;
  Listener* listeners = nullptr;  // the newest first; only the first may be running
  WebJob* queueHead = nullptr;
  WebJob* queueTail = nullptr;
  std::atomic<bool> stopping{false};  // read by the listeners without the lock
  DWORD uiThread = 0;
  WebRequestHandler handler = nullptr;
  uint32_t requestMilliseconds = kRequestMilliseconds;
  uint32_t idleMilliseconds = kIdleMilliseconds;
};

Service service;

// Listener threads measure real time: tests replace the core's tick source for the sessions.
uint64_t Now() { return GetTickCount64(); }

bool EnsureStarted() {
  service.started = true;
  return true;
}

// The bytes of one connection read ahead: a gateway sends header and body together, and every
// receive is a server round trip under Wine, so one receive takes whatever has arrived.
struct Incoming {
  int32_t socket = kNoSocket;
  uint8_t bytes[kGatewayHeaderSize + kBufferSize];
  int32_t start = 0;
  int32_t end = 0;
};

// Reads count bytes; the first byte may take wait ms, the rest must come by the deadline (set
// once the first byte is there when *deadline is 0). False on a timeout, a close, an error or the
// service's end, which it notices within one slice even where a shut-down socket wakes nobody.
// A null into discards the bytes.
bool ReadBytes(Incoming* in, uint8_t* into, int64_t count, uint32_t wait, uint64_t* deadline) {
  uint64_t waitEnd = Now() + wait;
  while (count > 0) {
    if (in->start < in->end) {
      int32_t take = in->end - in->start < count ? in->end - in->start : static_cast<int32_t>(count);
      if (into) {
        std::memcpy(into, in->bytes + in->start, static_cast<size_t>(take));
        into += take;
      }
      in->start += take;
      count -= take;
      continue;
    }
    if (service.stopping.load()) return false;
    uint64_t now = Now();
    uint64_t end = *deadline != 0 ? *deadline : waitEnd;
    if (now >= end) return false;
    uint64_t slice = end - now < kWaitSliceMilliseconds ? end - now : kWaitSliceMilliseconds;
    int32_t ready = SocketWaitReadable(in->socket, static_cast<uint32_t>(slice));
    if (ready < 0) return false;
    if (ready == 0) continue;
    int32_t got = SocketRecv(in->socket, in->bytes, static_cast<int32_t>(sizeof(in->bytes)));
    if (got <= 0) return false;
    if (*deadline == 0) *deadline = Now() + service.requestMilliseconds;
    in->start = 0;
    in->end = got;
  }
  return true;
}

bool SendAll(int32_t socket, const uint8_t* bytes, int64_t count) {
  while (count > 0) {
    int32_t sent = SocketSend(socket, bytes, static_cast<int32_t>(count < 65536 ? count : 65536));
    if (sent <= 0) return false;
    bytes += sent;
    count -= sent;
  }
  return true;
}

// Queues the request and waits for its reply; false when the service stops first.
bool HandOver(WebJob* job) {
  LightLockEnter(&service.lock);
  if (service.stopping) {
    LightLockLeave(&service.lock);
    return false;
  }
  if (service.queueTail)
    service.queueTail->next = job;
  else
    service.queueHead = job;
  service.queueTail = job;
  PostThreadMessageA(service.uiThread, WM_NULL, 0, 0);
  LightLockLeave(&service.lock);
  // The answer sets the state before the event, both under the lock: a state still 0 here
  // means the event is yet to come.
  LightLockEnter(&service.lock);
  while (job->state == 0) {
    SleepConditionVariableSRW(&service.answered, reinterpret_cast<PSRWLOCK>(&service.lock.state),
                              INFINITE, 0);
  }
  bool answered = job->state == 1;
  LightLockLeave(&service.lock);
  return answered;
}

void ServeGatewayConnection(int32_t connection) {
  auto* body = static_cast<char*>(MemAlloc(kBufferSize + 1, 2));
  auto* in = static_cast<Incoming*>(MemAlloc(sizeof(Incoming), 2));
  WebJob job;
  if (!body || !in) {
    MemFree(body);
    MemFree(in);
    return;
  }
  *in = Incoming{};
  in->socket = connection;
  for (;;) {
    uint8_t header[kGatewayHeaderSize];
    uint64_t deadline = 0;
    if (!ReadBytes(in, header, kGatewayHeaderSize, service.idleMilliseconds, &deadline)) break;
    GatewayHeader fields = ReadGatewayHeader(header);
    int64_t bodyLength = GatewayBodyToRead(&fields);
    if (bodyLength < 0) break;
    if (!ReadBytes(in, reinterpret_cast<uint8_t*>(body), bodyLength, 0, &deadline)) break;
    body[bodyLength] = 0;
    job.next = nullptr;
    job.state = 0;
    if (!SplitGatewayBody(&fields, body, bodyLength, &job.texts)) break;
    if (!HandOver(&job)) break;
    bool sent = SendAll(connection, job.reply, job.replyLength);
    MemFree(job.reply);
    job.reply = nullptr;
    uint64_t discardDeadline = Now() + service.requestMilliseconds;
    if (!sent || !ReadBytes(in, nullptr, GatewayBodyExcess(&fields), 0, &discardDeadline)) break;
  }
  MemFree(in);
  MemFree(body);
}

// Takes one connection when the listener is still running; kNoSocket when it is not.
int32_t AcceptUnderLock(Listener* self, bool* keepGoing) {
  LightLockEnter(&service.lock);
  int32_t connection = kNoSocket;
  *keepGoing = self->running && self->socket != kNoSocket;
  if (*keepGoing) {
    // The listening socket does not block: a peer gone between the wait and here must not
    // leave this thread waiting in accept with the lock held.
    connection = SocketAccept(self->socket, nullptr);
    if (connection != kNoSocket) SocketSetBlocking(connection, true);
    self->connection = connection;
  }
  LightLockLeave(&service.lock);
  return connection;
}

void GatewayListenThread(void* argument, void*) {
  auto* self = static_cast<Listener*>(argument);
  for (;;) {
    LightLockEnter(&service.lock);
    int32_t listening = self->running ? self->socket : kNoSocket;
    LightLockLeave(&service.lock);
    if (listening == kNoSocket) break;
    // A socket closed meanwhile only wakes the wait; accept looks again under the lock.
    int32_t ready = SocketWaitReadable(listening, kAcceptPollMilliseconds);
    if (ready == 0) continue;
    bool keepGoing = false;
    int32_t connection = AcceptUnderLock(self, &keepGoing);
    if (!keepGoing) break;
    if (connection == kNoSocket) {
      if (ready < 0) break;
      continue;  // the peer went away before it was taken
    }
    SocketSetNoDelay(connection);
    ServeGatewayConnection(connection);
    LightLockEnter(&service.lock);
    self->connection = kNoSocket;
    SocketClose(connection);
    LightLockLeave(&service.lock);
  }
  LightLockEnter(&service.lock);
  SocketClose(self->socket);
  self->socket = kNoSocket;
  self->finished = true;
  LightLockLeave(&service.lock);
}

// Stops the newest listener's accepting; its thread ends once its connection is done.
void StopListening() {
  LightLockEnter(&service.lock);
  if (Listener* current = service.listeners) {
    current->running = false;
    SocketClose(current->socket);
    current->socket = kNoSocket;
  }
  LightLockLeave(&service.lock);
}

// Joins the listeners whose threads have ended (all of them when every one was told to stop).
void JoinListeners(bool all) {
  LightLockEnter(&service.lock);
  Listener** link = &service.listeners;
  Listener* done = nullptr;
  while (*link) {
    Listener* l = *link;
    if (all || l->finished) {
      *link = l->next;
      l->next = done;
      done = l;
    } else {
      link = &l->next;
    }
  }
  LightLockLeave(&service.lock);
  while (done) {
    Listener* next = done->next;
    ThreadJoin(done->thread);
    delete done;
    done = next;
  }
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

// The page as a reply: header and bytes in one block.
void AnswerJob(WebJob* job) {
  T_OStreamBlock page;
  page.SetNewlineChar(10);
  {
    UiEnter();
    T_NoAlerts silent;
    (service.handler ? service.handler : DefaultHandler)(&page, job->texts.query, job->texts.key,
                                                         job->texts.settings);
    UiLeave();
  }
  int64_t length = page.TotalLength();
  uint8_t* bytes = page.Collect();
  auto* reply = static_cast<uint8_t*>(MemAlloc(length + kGatewayReplyHeaderSize, 2));
  if (reply && (bytes || length == 0)) {
    WriteGatewayReplyHeader(reply, static_cast<uint32_t>(length));
    if (length > 0) std::memcpy(reply + kGatewayReplyHeaderSize, bytes, length);
  } else {
    MemFree(reply);
    reply = nullptr;
  }
  MemFree(bytes);
  LightLockEnter(&service.lock);
  job->reply = reply;
  job->replyLength = length + kGatewayReplyHeaderSize;
  job->state = reply ? 1 : 2;
  WakeAllConditionVariable(&service.answered);
  LightLockLeave(&service.lock);
}

}  // namespace

void InstallWebService() {
  EnsureStarted();
  service.uiThread = GetCurrentThreadId();
  SetWebServiceRestart(RestartGatewayService);
  // The database window reopens a file changed on disk without asking while pages are served,
  // since no one may be at the screen to answer.
  SetWebServiceServingQuery([] {
    LightLockEnter(&service.lock);
    bool listening = service.listeners != nullptr;
    LightLockLeave(&service.lock);
    return listening;
  });
  SetMainLoopHook(ServeWebQueue);
  CommandAppServices commands = CurrentCommandAppServices();
  commands.setWebService = SetWebService;
  SetCommandAppServices(&commands);
}

void RestartGatewayService() {
  if (!EnsureStarted()) return;
  service.uiThread = GetCurrentThreadId();
  StopListening();
  JoinListeners(false);
  if (!Prefs().serveWeb || !IsUsableWebPort(Prefs().webPort)) return;
  char address[32] = {};
  ReadListenAddress(address, sizeof(address));
  int32_t socket = ListenSocket(static_cast<uint16_t>(Prefs().webPort), address);
  if (socket == kNoSocket) return;
  SocketSetBlocking(socket, false);
  auto* listener = new Listener;
  listener->socket = socket;
  listener->port = static_cast<uint16_t>(Prefs().webPort);
  LightLockEnter(&service.lock);
  listener->next = service.listeners;
  service.listeners = listener;
  LightLockLeave(&service.lock);
  listener->thread = ThreadStartJoinable(GatewayListenThread, listener, nullptr);
  if (!listener->thread) {
    LightLockEnter(&service.lock);
    SocketClose(listener->socket);
    listener->socket = kNoSocket;
    listener->finished = true;
    LightLockLeave(&service.lock);
  }
}

void SetWebService(int32_t mode, int32_t port) {
  if (IsUsableWebPort(port)) Prefs().webPort = port;
  if (mode == 1) Prefs().serveWeb = true;
  if (mode == 2) Prefs().serveWeb = false;
  RestartWebService();
}

void ShutdownWebService() {
  if (!service.started) return;
  LightLockEnter(&service.lock);
  service.stopping = true;
  for (Listener* l = service.listeners; l; l = l->next) {
    l->running = false;
    SocketClose(l->socket);
    l->socket = kNoSocket;
    SocketShutdown(l->connection);
  }
  for (WebJob* job = service.queueHead; job; job = job->next) {
    job->state = 2;
  }
  WakeAllConditionVariable(&service.answered);
  service.queueHead = service.queueTail = nullptr;
  LightLockLeave(&service.lock);
  JoinListeners(true);
  service.stopping = false;
}

void ServeWebQueue() {
  if (!service.started || GetCurrentThreadId() != service.uiThread || !UiAtTopLevel()) return;
  for (;;) {
    LightLockEnter(&service.lock);
    WebJob* job = service.queueHead;
    if (job) {
      service.queueHead = job->next;
      if (!service.queueHead) service.queueTail = nullptr;
    }
    LightLockLeave(&service.lock);
    if (!job) break;
    AnswerJob(job);
  }
}

uint16_t WebListeningPort() {
  if (!service.started) return 0;
  LightLockEnter(&service.lock);
  Listener* l = service.listeners;
  uint16_t port = l && l->running && l->socket != kNoSocket ? l->port : 0;
  LightLockLeave(&service.lock);
  return port;
}

void SetWebRequestHandler(WebRequestHandler handler) { service.handler = handler; }

void SetWebTimeouts(uint32_t requestMilliseconds, uint32_t idleMilliseconds) {
  service.requestMilliseconds = requestMilliseconds ? requestMilliseconds : kRequestMilliseconds;
  service.idleMilliseconds = idleMilliseconds ? idleMilliseconds : kIdleMilliseconds;
}
