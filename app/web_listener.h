#pragma once
// The web gateway service's transport: the listening socket, the listener threads and the
// hand-over of each complete request to the user-interface thread (wire format:
// app/web_protocol.h; pages: app/web_dispatcher.h).
//
// Invariants:
//   1. Listener threads do socket I/O only. A complete request goes into one queue and a message
//      wakes the user-interface thread, which serves the queue in arrival order, one request at a
//      time, only at top level (ServeWebQueue), each inside UiEnter/UiLeave under a silent alert
//      handler; the waiting listener then sends header and page in one buffer.
//   2. A listener serves one connection at a time (backlog 1). A request whose first byte arrived
//      must be complete within the request time (10 s); a connection idle for the idle time (60 s)
//      is closed.
//   3. The listener records, the queue and the stopping flag are guarded by one lock; a
//      listening socket is closed only under it, and accept runs only under it, so no thread
//      accepts on a socket another thread closed.
//   4. A restart closes the current listening socket and opens the new one before it returns; a
//      connection being served finishes on its old thread, which is joined later.
//   5. ShutdownWebService leaves nothing behind: listening sockets closed, connections shut down,
//      queued requests ended without a reply, every listener thread joined.
#include <cstdint>

class T_OStream;

// What a request is turned into: the page written to the stream (a memory stream whose newline
// is LF). The service's is DispatchWebRequest.
using WebRequestHandler = void (*)(T_OStream* page, const char* query, const char* key,
                                   const char* settings);

// Fills the web hooks: RestartWebService, the main loop's hand-over, the "webqebserver" command.
// User-interface thread, at start-up.
void InstallWebService();

// Stops the current listener (its socket closed at once) and, while "ServeWebQEB" is on, listens
// on "WebqebPort" at the settings-store value "WebqebAddress" (a local IPv4 address or "0.0.0.0";
// 127.0.0.1 when missing). A port that cannot be had leaves the service serving nothing.
void RestartGatewayService();
// The "webqebserver" command: a port from 81 to 65535 is taken, others are ignored; mode 1 turns
// the service on, 2 off, any other keeps it; then the restart.
void SetWebService(int32_t mode, int32_t port);
// Everything ends (invariant 5). Called by the application object's destructor.
void ShutdownWebService();
// Serves the queued requests in order. Does nothing except at top level on the thread that
// started the service.
void ServeWebQueue();

// The port the service listens on now, 0 when none.
uint16_t WebListeningPort();

// --- Seams for tests ----------------------------------------------------------------------------

// Null puts back DispatchWebRequest.
void SetWebRequestHandler(WebRequestHandler handler);
// 0 puts back 10,000 ms for a request and 60,000 ms of idleness.
void SetWebTimeouts(uint32_t requestMilliseconds, uint32_t idleMilliseconds);
