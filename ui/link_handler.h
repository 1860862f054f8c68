#pragma once
// Link contexts and link handlers: who knows the targets of links, and following a link.
//
// Every element carries the link context of the object it shows; the application owns one
// context, and a database owns a context of its own (a subclass with a base path and the class
// text "data") with the handlers of its cards, templates and macros. A handler registers under a
// tag, the keyword of its links ("card" in card="17-3").
//
// Invariants:
//   1. A context's handlers form a list through next, most recently registered first; each
//      handler's context is the context whose list holds it.
//   2. A context owns its handlers: destroying it destroys them. A handler destroyed on its own
//      unlinks itself first.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/element.h"
#include "ui/link_markup.h"

class T_OStream;

constexpr int32_t kLinkTagSize = 16;  // NUL included

class T_LinkContext : public T_Object {
 public:
  // The base path is a file path (or a folder path ending in a backslash) whose folder resolves
  // relative file targets; null for none (file targets are only normalised). The class text is
  // the class attribute of HTML links; null for none. Both are copied.
  explicit T_LinkContext(const char* basePath = nullptr, const char* classText = nullptr);
  // Destroys the handlers.
  virtual ~T_LinkContext();
  T_LinkContext(const T_LinkContext&) = delete;
  T_LinkContext& operator=(const T_LinkContext&) = delete;

  // Lets the context rewrite a link before it is written back; the base does nothing.
  virtual void AdjustLink(T_TextBuf* target, T_TextBuf* text);

  // A database gets a new path when it is saved under another name.
  void SetBasePath(const char* path);
  void SetClassText(const char* text);

  T_LinkHandler* firstHandler = nullptr;
  char* basePath = nullptr;   // owned block text; null for none
  char* classText = nullptr;  // owned block text; null for none
};

class T_LinkHandler : public T_Object {
 public:
  // Registers the handler at the head of the context's list. The tag is kept to at most 15
  // bytes, cut only between UTF-8 characters; a handler with an empty tag never matches markup.
  T_LinkHandler(T_LinkContext* context, const char* tag, uint32_t textId);
  // Unlinks the handler from its context.
  virtual ~T_LinkHandler();
  T_LinkHandler(const T_LinkHandler&) = delete;
  T_LinkHandler& operator=(const T_LinkHandler&) = delete;

  // True when the object the target names exists.
  virtual bool TargetExists(const char* target) = 0;
  // Opens or runs what the target names; false with the pending error set when it cannot.
  virtual bool Follow(const char* target) = 0;
  // Removes from both texts a qualifier that names the handler's own owner; the base does
  // nothing.
  virtual void StripOwnBase(T_TextBuf* target, T_TextBuf* text);
  // The link in an HTML page; the base writes the link text XML-escaped.
  virtual void WriteLink(T_OStream* stream, const char* target, const char* text);

  T_LinkContext* context;
  T_LinkHandler* next = nullptr;
  char tag[kLinkTagSize] = {};
  uint32_t tagLength = 0;
  uint32_t textId;  // localized name of the link kind
};

// The context's AdjustLink on the link's target and text.
void LinkRef_AdjustLink(LinkRef* link);
// For handler links, the handler's StripOwnBase on the link's target and text.
void LinkRef_StripOwnBase(LinkRef* link);
// Classifies a target typed or pasted by the user: control bytes go, blanks are trimmed, a
// leading '<a href="' and everything from the next double quote go; then a handler that knows
// the target (the link's own first), a URL scheme or "www.", or an existing file in the form of
// a path decides the kind. True (target set to the cleaned text) when one did.
bool LinkRef_SetTarget(LinkRef* link, const char* typed);
// The target resolved against the context's base path (absolute targets as they are), then
// normalised.
void LinkRef_ResolvePath(const LinkRef* link, T_TextBuf* path);
// File links open with the shell's "open" verb, URL links in a browser window ("www." addresses
// as "http://www."), handler links through their handler. A file link or "file:" address whose
// target would run as a program, script or shortcut (PathRunsProgram) asks first, No being the
// default answer. False with the pending error set when the link cannot be followed (605 with
// the target for a file or URL that does not open or a URL that may not be followed; a silent
// cancel when the user said No).
bool LinkRef_Follow(const LinkRef* link);
// File links only: opens the folder of the resolved path (asking first, as above, when that
// would run a program). False for other links and for a path without a folder part longer than
// 2 bytes.
bool LinkRef_ShowFolder(const LinkRef* link);
// File links only: true when the resolved file cannot be opened or is empty.
bool LinkRef_FileMissing(const LinkRef* link);
