#include "database/web_request.h"

namespace {

bool requestActive = false;

}  // namespace

bool WebRequestActive() { return requestActive; }

void SetWebRequestActive(bool active) { requestActive = active; }
