#pragma once
// What the stored objects and the links of a database need of services that live above the
// engine or arrive with later work: opening a database file, the card editor, the user's
// signature stamp, the command interpreter, the editors of save setups, import setups, time
// scales and macros, and the web gateway's link writing. Each layer installs its part; a missing
// hook gives the harmless answer written beside it, so the engine runs without any of them.
//
// User-interface thread only, like the database.
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
class T_IStream;
class T_OStream;
struct T_TextBuf;
struct ImportSetup;
struct Macro;
struct SaveSetup;
struct TimeScale;

struct ObjectServices {
  // The database of the file, opened when it is not open yet; null (with the pending error set)
  // when it cannot be. Missing: no database.
  T_Base* (*openDatabase)(const char* path);
  // Shows the card in its card window, the line (from 1; 0 for none) selected. Missing: nothing.
  void (*openCardEditor)(T_Base* base, const CardId* id, int32_t line);
  // The current user's signature stamp. Missing: the time now without a signature.
  void (*signatureStamp)(SignatureStamp* stamp);
  // Stands in for the command interpreter (tests record what runs). Missing: the interpreter.
  void (*runCommands)(T_Base* base, T_IStream* stream);
  // The editors; an editor open on the same object comes forward. Missing: nothing opens.
  void (*openSaveSetupEditor)(T_Base* base, SaveSetup* setup);
  void (*openImportSetupEditor)(T_Base* base, ImportSetup* setup);
  void (*openTimeScaleEditor)(T_Base* base, TimeScale* scale);
  void (*openMacroEditor)(T_Base* base, Macro* macro);
};
// Null puts back the defaults (every hook missing).
void SetObjectServices(const ObjectServices* services);
const ObjectServices& CurrentObjectServices();

// The hooks with their defaults.
T_Base* OpenLinkedDatabase(const char* path);
void OpenCardEditor(T_Base* base, const CardId* id, int32_t line);
void GetSignatureStamp(SignatureStamp* stamp);

// The web gateway's part of a link in an HTML page. The gateway serves one request at a time and
// knows its user; outside a request there is no web user and links point at the gateway program.
struct WebLinkHook {
  // Writes the start of a gateway link up to and including the "?" of its query.
  void (*beginLink)(T_OStream* stream, const char* linkClass);
  // False only while a web user who may not see cards is being served.
  bool (*maySeeCards)();
  // Sets the text to the gateway path, "?" and the query of the request being served.
  void (*selfUrl)(T_TextBuf* text);
};
// Null puts back the state outside a request.
void SetWebLinkHook(const WebLinkHook* hook);
// Without a hook: <a class="linkClass" href="qeb.cgi?
void WebBeginLink(T_OStream* stream, const char* linkClass);
// Without a hook: true (no web user).
bool WebMaySeeCards();
// Without a hook: "qeb.cgi?".
void WebSelfUrl(T_TextBuf* text);
