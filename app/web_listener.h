#pragma once
// The web gateway service's transport: the listening socket, the connection being served and the
// answering of each complete request on the user-interface thread (wire format:
// app/web_protocol.h; pages: app/web_dispatcher.h).
//
// Invariants:
//   1. All of it runs on the user-interface thread. The sockets never block: the system tells a
//      hidden message-only window of each event, and the window's handler reads, accepts and
//      sends whatever is ready, even inside a modal loop. A request is answered only at top
//      level (ServeWebQueue, called by the main loop after each message), inside UiEnter/UiLeave
//      under a silent alert handler; header and page then go out in one buffer. No thread
//      hands anything over, which under Wine would cost more than the request itself.
//   2. One connection is served at a time (backlog 1): another waits in the backlog until the
//      current one closes. A request whose first byte arrived must be complete within the
//      request time (10 s), a reply must make progress within it, and a connection idle for the
//      idle time (60 s) is closed; a timer on the window looks while a connection is open.
//   3. A restart closes the current listening socket and opens the new one before it returns; an
//      open connection is still served to its end, and the new listener accepts only after it.
//   4. ShutdownWebService leaves nothing behind: listening socket closed, the connection shut
//      down and closed with its request unanswered, the window destroyed.
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
// Answers the connection's complete requests in order. Does nothing except at top level on the
// thread that started the service.
void ServeWebQueue();

// The port the service listens on now, 0 when none.
uint16_t WebListeningPort();

// --- Seams for tests ----------------------------------------------------------------------------

// Null puts back DispatchWebRequest.
void SetWebRequestHandler(WebRequestHandler handler);
// 0 puts back 10,000 ms for a request and 60,000 ms of idleness.
void SetWebTimeouts(uint32_t requestMilliseconds, uint32_t idleMilliseconds);
