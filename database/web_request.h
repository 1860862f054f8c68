#pragma once
// Whether the web gateway is serving a request at this moment. While it is, the engine asks no
// questions and reports nothing that would wait for a person; the web user's restrictions apply.
// The gateway raises and lowers it around each request; until the gateway exists it stays false.
//
// User-interface thread, or the request worker while it holds the user-interface/worker
// exclusion.

bool WebRequestActive();
void SetWebRequestActive(bool active);
