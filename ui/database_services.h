#pragma once
// What the toolkit needs of an open database, which lives in a layer above it: the change record
// that the database broadcasts to its windows, and a hook record through which dialogs and value
// choosers read the few facts they show (link context, value columns, decimals codes, field
// names). The database layer installs the hooks; until it does, a database has no link context,
// no value columns and no field names, and no window other than a dialog belongs to one.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
class T_LinkContext;
class T_Window;
struct T_TextBuf;

// One change of a database object, broadcast to the open windows of its database (OnChange).
struct ChangeNote {
  int32_t code = 0;
  T_Base* database = nullptr;
  int32_t index = 0;  // the dimension or another index, by code
  int32_t valueColumn = 0;
  void* object = nullptr;  // the window, subset or control the note names
};

// Change codes the toolkit reacts to or sends.
constexpr int32_t kChangeDecimals = 30;      // decimals codes of the value columns
constexpr int32_t kChangeValueColumns = 32;  // value columns added, removed or renamed
constexpr int32_t kChangeValueColumn = 37;   // one value column (valueColumn) changed
constexpr int32_t kChangeControl = 69;       // a control changed its value (object: the control)

constexpr int32_t kMaxValueColumns = 24;
// Field ids of the database's labels.
constexpr int32_t kFieldValueFirst = 67;  // + the value column

struct DatabaseOperations {
  T_LinkContext* (*linkContext)(T_Base* database);
  int32_t (*valueColumnCount)(T_Base* database);
  // 0-6 decimals, 7 floating, 8 thousands, 9 millions.
  int32_t (*decimalsCode)(T_Base* database, int32_t column);
  // The label of a field id (empty for an unknown id).
  void (*fieldName)(T_Base* database, T_TextBuf* text, int32_t fieldId);
  // The database a window that is not a dialog belongs to (document windows), or null.
  T_Base* (*windowDatabase)(T_Window* window);
};
// Null puts back the defaults.
void SetDatabaseOperations(const DatabaseOperations* operations);

// The hooks, with the defaults above for a missing one or a null database.
T_LinkContext* Database_LinkContext(T_Base* database);
int32_t Database_ValueColumnCount(T_Base* database);  // 0 to 24
int32_t Database_DecimalsCode(T_Base* database, int32_t column);
void Database_FieldName(T_Base* database, T_TextBuf* text, int32_t fieldId);
T_Base* Database_OfWindow(T_Window* window);  // the hook only; see WindowDatabase for dialogs
