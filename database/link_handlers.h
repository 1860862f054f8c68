#pragma once
// The links of a database: its link context and the handlers of "card", "macro" and "template"
// links (on the toolkit's framework, ui/link_handler.h), the targets they read, and the map-site
// filter of the context.
//
// Target of a handler link (the value after the keyword and "="):
//
//   part                form                               meaning
//   database (optional) "[" file "]" first, blanks around  a database file: relative to the
//                                                          folder of the linking database's file
//                                                          ("/" may stand for "\"), or the file
//                                                          name of an open database
//   card                yymmdd "-" n, then "#" line        a card id and the line to show (from
//                                                          1); n in 1 to 10 digits, zeros in
//                                                          front allowed (displays pad numbers)
//   template            names joined by ":" (blanks after  a template or folder of the tree
//                       the colon allowed)
//   macro               the name                           a macro of the database
//
// A database part names the linking database itself when it is its path or its file name;
// StripOwnBase removes such a part before a link is stored.
//
// User-interface thread only.
#include <cstdint>

#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "ui/link_handler.h"

class T_Base;
class T_OStream;

// Message ids of failed follows.
constexpr int32_t kErrorLinkDatabase = 3821;  // Database "@0" not found
constexpr int32_t kErrorLinkCard = 3823;      // Card "@0" not found
constexpr int32_t kErrorLinkMacro = 3824;     // Macro "@0" not found
constexpr int32_t kErrorLinkTemplate = 3825;  // Template "@0" not found

// The link context of one database: the base path follows the database's file (none while it is
// untitled), the class text is "data".
class T_BaseLinkContext : public T_LinkContext {
 public:
  explicit T_BaseLinkContext(T_Base* database);
  // MapSiteFilter on both texts.
  void AdjustLink(T_TextBuf* target, T_TextBuf* text) override;

  T_Base* database;
};

class T_BaseLink : public T_LinkHandler {
 public:
  // Registers the handler in the context under the keyword (without "=").
  T_BaseLink(T_BaseLinkContext* context, const char* keyword, uint32_t textId);
  // A database part naming the own database goes from the target, the own file name and ":"
  // from the front of either text; both are trimmed of blanks.
  void StripOwnBase(T_TextBuf* target, T_TextBuf* text) override;

  T_Base* database;
};

// "card" (3100): opens a card.
class T_CardLink : public T_BaseLink {
 public:
  explicit T_CardLink(T_BaseLinkContext* context);
  // The database resolves without opening and the card of the key exists.
  bool TargetExists(const char* target) override;
  // 3821 when the database does not resolve (a closed file is opened), 3823 when the card does
  // not exist; otherwise the card opens at its line.
  bool Follow(const char* target) override;
  // A gateway link for a target of the checked shape whose database resolves, when the web user
  // may see cards; any other writes the link text.
  void WriteLink(T_OStream* stream, const char* target, const char* text) override;
};

// "macro" (7100): runs a macro.
class T_MacroLink : public T_BaseLink {
 public:
  explicit T_MacroLink(T_BaseLinkContext* context);
  bool TargetExists(const char* target) override;
  // 3821 when the database does not resolve, 3824 without such a macro.
  bool Follow(const char* target) override;
};

// "template" (4400): runs an analysis template.
class T_TemplateLink : public T_BaseLink {
 public:
  explicit T_TemplateLink(T_BaseLinkContext* context);
  bool TargetExists(const char* target) override;
  // 3821 when the database does not resolve, 3825 without such a template; the template runs
  // replacing an open window of it.
  bool Follow(const char* target) override;
  // A gateway link with the template's kind key and short-id path when the template exists and
  // the web user may see cards; otherwise the link text.
  void WriteLink(T_OStream* stream, const char* target, const char* text) override;
};

// The context with its three handlers, registered card, macro, template, so the link dialog
// offers them as Template, Macro, Card. Installed as BaseServices::createLinkContext.
T_LinkContext* CreateBaseLinkContext(T_Base* base);
// The context takes the database's path as its base path (none while untitled); code 3.
void LinkContextFollowPath(T_Base* base);

// --- Targets -------------------------------------------------------------------------------------

// Skips blanks; a "[" starts a file part that runs to "]" and must hold a character other than a
// blank and no "?" (trimmed into file; the position then moves behind "]" and the blanks after
// it). Without "[" the file part is empty. False for an unclosed, empty or "?" part.
bool ParseLinkDatabase(const char** position, T_TextBuf* file);
// The database the target at the position names (the position moves past the file part, which
// goes to file): the handler's own for no file part; else the file resolved against the own
// database's folder (again with "/" read as "\"), else the open database of that file name, else
// none. A file that exists is the open database of it, or with open the database opened from it.
T_Base* ResolveLinkDatabase(T_BaseLink* handler, const char** position, T_TextBuf* file, bool open);

// A card key: its id and the form it was written in.
struct CardKey {
  CardId id;
  int32_t digits = 0;   // digits of the number
  bool padded = false;  // the number has zeros in front
};
// Reads a key at text in [text, end): six digits of a real date, "-", a number of 1 to 10
// digits up to 2^31 - 1. The bytes read, 0 when no key stands there; a digit right after the
// number is no key either.
int32_t ScanCardKey(const char* text, const char* end, CardKey* key);
// Reads "#" and a line number from 1 to 2^31 - 1 (digits up to the first non-digit). The bytes
// read, 0 when none stands there.
int32_t ScanCardLine(const char* text, const char* end, int32_t* line);
// Appends the id in the key's form: the number padded to the key's digits when the key was.
void AppendCardKey(T_TextBuf* out, const CardId* id, const CardKey* form);

// --- Map site ------------------------------------------------------------------------------------

// In a text that holds the map site's host (letter case ignored), every query parameter of the
// address after it other than "e", "n" and "scale" goes; the "?" goes with the last. Other texts
// stay as they are.
void MapSiteFilter(T_TextBuf* text);
// The host (tests); null puts back the program's own.
void SetMapSiteHost(const char* host);
