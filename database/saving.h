#pragma once
// Saving a database in the kind its save options name, and the save variants behind the menu
// commands Save, Save As and Save Templates (installed as the engine's BaseServices hooks).
//
// A save never damages the file it replaces. The writer fills a temporary file beside the target
// (database/text_form.h SaveTarget), which takes the target's place only when all of these hold:
//   1. the stream closed without a write error;
//   2. "##End" was written;
//   3. neither the abort flag nor the database's error flag is set.
// Otherwise the temporary file is deleted, the target stays byte for byte as it was, and the
// database keeps its path, save kind and modified flag. After a save it adopts, the database
// remembers the file's last-write time, taken after the replace.
//
// Target kinds: 1, 2, 3 the block container in mode N, B, U; 5 the text form (UTF-8 with its
// byte-order mark, lines ended by CR LF); 12 an SIE 4 export (database/sie_export.h). Any other
// kind writes nothing and sets the error flag.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
struct BaseServices;
struct SaveOptions;

// Writes the database to the path with the options (null: SaveOptionsFromBase), which are the
// database's current options for the duration. True when the target now holds the new file;
// otherwise the reason is pending (a write error, a cancel) or the error flag is set.
bool saveByKind(T_Base* base, const char* path, const SaveOptions* options);

// The Save command. An untitled database (or one without a path) asks for a path first (the
// save-file dialog; the extension of its save kind added when the name has none). A titled one asks
// 4004 when its file changed on disk since it was opened or saved here. When the file now at the
// path is of another kind, 4005 (a file of an older program) or 4006 (not a database file) asks
// before it is replaced. A cancelled question raises the abort flag. After a save the database
// takes the path (code 3 when it was untitled), follows the kind, refills its file information and
// clears its modified flag. Code 7 in every case. True when saved.
bool SaveDatabase(T_Base* base);
// Saves to the path. Without options: the database's own, in the kind of the path's extension,
// and a save adopts the path as SaveDatabase does; with options only when they say so
// (adoptFile). Code 7 in every case. True when saved.
bool SaveDatabaseTo(T_Base* base, const char* path, const SaveOptions* options);
// The save-file dialog at the database's path, then SaveDatabaseTo without options.
bool SaveDatabaseAs(T_Base* base);
// The save-file dialog proposing "Templates.qeb" (text 4350) beside the database, then a kind-3
// container of the sections characters, subsets, templates and defaults; the database keeps its
// own path.
bool SaveTemplates(T_Base* base);

// The progress steps the sections of the current save options will count (each writer adds the
// size of what it wrote), added to the current progress window's total.
int64_t EstimateSaveSize(T_Base* base);

// The save hooks of the database commands 204 Save, 205 Save As and 2503 Save Templates.
void InstallSaveHooks(BaseServices* services);
