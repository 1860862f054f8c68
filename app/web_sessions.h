#pragma once
// The web gateway's sessions: one entry per browser and database, keyed by the client key
// followed by the database's short id. The first text is "ok" for a logged-in session or the
// query that waits for a login; the second is the user name. An entry expires 1,200,000 ms after
// its last use (the core's tick source); expired entries go at every look-up.
//
// The table holds at most 4,096 entries, since every refused request with a new key stores one:
// a new entry first purges the expired ones, then drops the least recently used waiting entry,
// a logged-in one only when none waits.
//
// User-interface thread only (requests run there).
#include <cstdint>

struct T_TextBuf;

constexpr int64_t kWebSessionCap = 4096;
constexpr const char* kWebSessionLoggedIn = "ok";

// False (both texts empty) when there is no live entry.
bool WebSessionGet(const char* key, T_TextBuf* first, T_TextBuf* userName);
void WebSessionSet(const char* key, const char* first, const char* userName);
void WebSessionTouch(const char* key);
void WebSessionRemove(const char* key);
int64_t WebSessionCount();
// Empties the table (tests, and the program's end).
void WebSessionsClear();
