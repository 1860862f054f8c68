#include "database/object_services.h"

#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/opening.h"

namespace {

// Links to other databases open them as the program does; tests put others in place.
T_Base* OpenLinkedDatabase(const char* path) { return openDatabase(path, nullptr, 0); }

ObjectServices DefaultServices() {
  ObjectServices defaults{};
  defaults.openDatabase = OpenLinkedDatabase;
  return defaults;
}

ObjectServices services = DefaultServices();
WebLinkHook webHook{};

}  // namespace

void SetObjectServices(const ObjectServices* replacement) {
  services = replacement ? *replacement : DefaultServices();
}

const ObjectServices& CurrentObjectServices() { return services; }

T_Base* OpenLinkedDatabase(const char* path) {
  return services.openDatabase ? services.openDatabase(path) : nullptr;
}

void OpenCardEditor(T_Base* base, const CardId* id, int32_t line) {
  if (services.openCardEditor) services.openCardEditor(base, id, line);
}

void GetSignatureStamp(SignatureStamp* stamp) {
  if (services.signatureStamp) {
    services.signatureStamp(stamp);
    return;
  }
  *stamp = SignatureStamp{};
  stamp->stamp = TimeStampNow();
}

void SetWebLinkHook(const WebLinkHook* hook) { webHook = hook ? *hook : WebLinkHook{}; }

void WebBeginLink(T_OStream* stream, const char* linkClass) {
  if (webHook.beginLink) {
    webHook.beginLink(stream, linkClass);
    return;
  }
  stream->PutText("<a");
  stream->PutAttributeAlways("class", linkClass);
  stream->PutText(" href=\"qeb.cgi?");
}

bool WebMaySeeCards() { return webHook.maySeeCards ? webHook.maySeeCards() : true; }

void WebSelfUrl(T_TextBuf* text) {
  if (webHook.selfUrl)
    webHook.selfUrl(text);
  else
    TextBufAssign(text, "qeb.cgi?");
}
