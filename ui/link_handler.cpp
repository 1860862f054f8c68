#include "ui/link_handler.h"

#include <windows.h>

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "ui/small_dialogs.h"

namespace {

constexpr int32_t kErrorCannotOpen = 605;  // "Unable to open file '@0'"

bool CannotOpen(const char* what) {
  if (PendingErrorSet(kErrorCannotOpen)) {
    AlertAddText(&PendingError.request, what);
    AlertAddButton(&PendingError.request, kButtonCancel);
  }
  return false;
}

// A file that would run as a program opens only when the user says so: a link in someone
// else's text must not start code with one click. A refusal is a silent cancel.
bool MayOpen(const char* path) {
  if (!PathRunsProgram(path) || ConfirmOpenProgram(nullptr, path)) return true;
  PendingErrorCancel();
  return false;
}

// The path a "file:" address names: after the scheme, up to a query or fragment, with its
// escapes decoded in either letter case as the shell decodes them, in backslash form. A "+"
// read as a blank only ever makes a name look more like a program, never less.
void FileUrlPath(const char* url, T_TextBuf* path) {
  TextBufAssign(path, url + 5);
  for (const char* stop : {"?", "#"}) {
    int32_t at = TextBufFind(path, 0, stop);
    if (at >= 0) TextBufTruncate(path, at);
  }
  UrlDecode(path);
  StrReplaceChar(path->data, '/', '\\');
}

}  // namespace

// --- T_LinkContext --------------------------------------------------------------------------

T_LinkContext::T_LinkContext(const char* basePath, const char* classText) {
  SetBasePath(basePath);
  SetClassText(classText);
}

T_LinkContext::~T_LinkContext() {
  while (firstHandler != nullptr) delete firstHandler;  // each unlinks itself
  BlockTextFree(&basePath);
  BlockTextFree(&classText);
}

void T_LinkContext::AdjustLink(T_TextBuf*, T_TextBuf*) {}

void T_LinkContext::SetBasePath(const char* path) { BlockTextAssign(&basePath, path); }

void T_LinkContext::SetClassText(const char* text) { BlockTextAssign(&classText, text); }

// --- T_LinkHandler --------------------------------------------------------------------------

T_LinkHandler::T_LinkHandler(T_LinkContext* owner, const char* name, uint32_t id)
    : context(owner), textId(id) {
  tagLength = static_cast<uint32_t>(StrCopyN(tag, kLinkTagSize, name != nullptr ? name : ""));
  if (context != nullptr) {
    next = context->firstHandler;
    context->firstHandler = this;
  }
}

T_LinkHandler::~T_LinkHandler() {
  if (context == nullptr) return;
  for (T_LinkHandler** link = &context->firstHandler; *link != nullptr; link = &(*link)->next) {
    if (*link == this) {
      *link = next;
      break;
    }
  }
}

void T_LinkHandler::StripOwnBase(T_TextBuf*, T_TextBuf*) {}

void T_LinkHandler::WriteLink(T_OStream* stream, const char*, const char* text) {
  stream->PutEscaped(text);
}

// --- Operations on one link -----------------------------------------------------------------

void LinkRef_AdjustLink(LinkRef* link) {
  if (link->context != nullptr) link->context->AdjustLink(&link->target, &link->text);
}

void LinkRef_StripOwnBase(LinkRef* link) {
  if (link->kind == kLinkHandler && link->handler != nullptr) {
    link->handler->StripOwnBase(&link->target, &link->text);
  }
}

bool LinkRef_SetTarget(LinkRef* link, const char* typed) {
  T_TextBuf text;
  TextBufAssign(&text, typed);
  int32_t w = 0;
  for (int32_t r = 0; r < text.length; ++r) {
    if (static_cast<uint8_t>(text.data[r]) >= 32) text.data[w++] = text.data[r];
  }
  TextBufSetLength(&text, w);
  TextBufTrim(&text, ' ');
  if (text.empty()) return false;
  if (TextBufFindNoCase(&text, 0, "<a href=\"") == 0) {
    TextBufDelete(&text, 0, 9);
    int32_t quote = TextBufFind(&text, 0, "\"");
    if (quote >= 0) TextBufTruncate(&text, quote);
    // An empty address would resolve to the base folder itself.
    if (text.empty()) return false;
  }
  const char* target = text.c_str();

  T_LinkHandler* handler = nullptr;
  if (link->kind == kLinkHandler && link->handler != nullptr &&
      link->handler->TargetExists(target)) {
    handler = link->handler;
  }
  for (T_LinkHandler* h = link->context != nullptr ? link->context->firstHandler : nullptr;
       handler == nullptr && h != nullptr; h = h->next) {
    if (h->TargetExists(target)) handler = h;
  }
  uint32_t kind = kLinkNone;
  if (handler != nullptr) {
    kind = kLinkHandler;
  } else if (StrStartsWith(target, "www.")) {
    kind = kLinkUrl;
  } else {
    for (const char* scheme : {"shttp:", "http:", "https:", "file:", "ftp:", "afp:", "vnc:"}) {
      if (StrStartsWith(target, scheme)) kind = kLinkUrl;
    }
  }
  if (kind == kLinkNone && PathIsKind(target, 0)) {
    T_TextBuf resolved;
    LinkRef probe;
    probe.context = link->context;
    TextBufAssignBuf(&probe.target, &text);
    LinkRef_ResolvePath(&probe, &resolved);
    if (FileExists(resolved.c_str())) kind = kLinkFile;
  }
  if (kind == kLinkNone) return false;
  link->kind = kind;
  link->handler = handler;
  TextBufAssignBuf(&link->target, &text);
  return true;
}

void LinkRef_ResolvePath(const LinkRef* link, T_TextBuf* path) {
  const char* base = link->context != nullptr ? link->context->basePath : nullptr;
  if (base != nullptr) {
    PathResolve(path, link->target.c_str(), base);
  } else {
    PathAssign(path, link->target.c_str());
  }
}

bool LinkRef_Follow(const LinkRef* link) {
  switch (link->kind) {
    case kLinkFile: {
      T_TextBuf path;
      LinkRef_ResolvePath(link, &path);
      if (!MayOpen(path.c_str())) return false;
      return ShellOpen(path.c_str()) || CannotOpen(path.c_str());
    }
    case kLinkUrl: {
      const char* url = link->target.c_str();
      // Only addresses a browser shows: any other scheme, or a bare name the shell would run
      // as a program, could start code from a text someone else wrote.
      if (!LinkUrl_IsSafeToFollow(url)) return CannotOpen(url);
      T_TextBuf address(url);
      // The shell takes "www.x.com" for a file name, and ".com" runs.
      if (TextBufFindNoCase(&address, 0, "www.") == 0) TextBufInsert(&address, 0, "http://");
      if (TextBufFindNoCase(&address, 0, "file:") == 0) {
        T_TextBuf path;
        FileUrlPath(address.c_str(), &path);
        if (!MayOpen(path.c_str())) return false;
      }
      return BrowserShowUrl(address.c_str()) || CannotOpen(url);
    }
    case kLinkHandler:
      return link->handler != nullptr && link->handler->Follow(link->target.c_str());
    default:
      return false;
  }
}

bool LinkRef_ShowFolder(const LinkRef* link) {
  if (link->kind != kLinkFile) return false;
  T_TextBuf path;
  LinkRef_ResolvePath(link, &path);
  int32_t length = path.length;
  PathCutName(&path);
  // Uncut, the path would open the file itself.
  if (path.length == length) return false;
  // A "folder" of someone else's link may itself be a program file.
  if (!MayOpen(path.c_str())) return false;
  return ShellOpen(path.c_str()) || CannotOpen(path.c_str());
}

bool LinkRef_FileMissing(const LinkRef* link) {
  if (link->kind != kLinkFile) return false;
  T_TextBuf path;
  LinkRef_ResolvePath(link, &path);
  return FileSizeOfPath(path.c_str()) == 0;
}
