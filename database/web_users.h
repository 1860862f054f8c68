#pragma once
// Web users: who may log in to a database through the web gateway, with their password and what
// the gateway shows them. A database keeps them in one list of records held by value.
//
// Record (per user, in list order; lines end with the stream's line end):
//
//   line               written when
//   "U" TAB name TAB pw   always
//   "SB"                  Shibboleth login allowed
//   "SG" TAB text         the subset text exists
//   "TF" TAB text         the templates text exists
//   "BI"                  "Database Info" shown
//   "CL"                  "Cards" shown
//   "CN"                  "Card Notes" shown
//   "BD"                  drilling allowed
//   "LG" TAB code         language set ("US", "CZE", ... "SWE")
//   "FR" TAB code         format language set
//
// In a database file the records form the section "##WebUsers" (tag line, records, one empty
// line); on the clipboard and in exported files they follow the first line "## WebUsers".
//
// Invariants:
//   1. after every read and every sort the list is in name order (letter case ignored) and no
//      two users share a name; users without a name exist only in an editor's working copy;
//   2. every text of a record is an owned block text or null, and is wiped before it is freed
//      (passwords included).
//
// User-interface thread only.
#include <cstdint>

#include "core/paged_array.h"
#include "ui/database_services.h"

class T_Base;
class T_IStream;
class T_OStream;

struct WebUser {
  char* name = nullptr;
  char* password = nullptr;
  int32_t shibboleth = 0;
  char* subset = nullptr;     // combination text naming database subsets
  char* templates = nullptr;  // filter on the templates the user may open
  uint8_t databaseInfo = 0;
  uint8_t cards = 0;
  uint8_t cardNotes = 0;
  uint8_t drilling = 0;
  int32_t language = -1;  // -1 unset
  int32_t format = -1;    // -1 unset
};

struct WebUserList {
  T_Base* database = nullptr;
  PagedArray users;  // WebUser records
};

WebUserList* WebUserListCreate(T_Base* base);  // null when memory runs out
void WebUserListFree(WebUserList* list);
int64_t WebUserListMemSize(const WebUserList* list);
int64_t WebUserCount(const WebUserList* list);
WebUser* WebUserAt(const WebUserList* list, int64_t index);
// True when a user has a name.
bool WebUserListNotEmpty(const WebUserList* list);
// The index of the user of that name (letter case ignored, null counting as empty), or -1.
int64_t WebUserFind(const WebUserList* list, const char* name);
// True when a user of that name exists and its password equals the given one, letter case
// ignored, a missing password counting as empty.
bool WebUserCheck(const WebUserList* list, const char* name, const char* password);
// Appends a new empty user; its index, or -1 (pending error 600) without memory.
int64_t WebUserAdd(WebUserList* list);
// Clears the user and closes the gap.
void WebUserRemove(WebUserList* list, int64_t index);
// Wipes and frees the record's texts and makes it new.
void WebUserClear(WebUser* user);
// The target is cleared, then takes every named user of the source, in order.
bool WebUserListCopy(WebUserList* target, const WebUserList* source);
// Equal when neither has a named user, or both have as many records and each pair is equal.
bool WebUserListEqual(const WebUserList* a, const WebUserList* b);
// Users without a name go; the rest are sorted by name, letter case ignored.
void SortWebUsers(WebUserList* list);
// Code 58 of a database subset renames it in every user's subset text.
void WebUserListOnChange(WebUserList* list, const ChangeNote* note);

// With the tag line current: the records up to the next "##" line (left current). Without the
// import flag a user of an existing name is cleared and refilled; with it, the name is raised
// until it is free. A nameless "U" is ignored together with the keys after it. Sorted at the end.
void ReadWebUsers(WebUserList* list, T_IStream* stream, bool import);
// The records only.
void WriteWebUsers(const WebUserList* list, T_OStream* stream);
// The records of the chosen users (all when chosen is null) after the line "## WebUsers".
void WriteWebUsersText(const WebUserList* list, T_OStream* stream, const uint8_t* chosen);
// Writes the export file; false with the pending error set.
bool ExportWebUsers(const WebUserList* list, const char* path);
// Reads a text file of users with the import flag; a database file is refused with the pending
// error 2111 and nothing is read.
bool ImportWebUsers(WebUserList* list, const char* path);
