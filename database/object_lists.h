#pragma once
// What a database does with its lists of stored objects as a whole: a new subset from the menu,
// and the subsets and macros that open or run when the database has been opened. The lists
// themselves are kept by their objects (stored_object_holders.h, time_scale.h, subsets.h); their
// menus are in object_menus.h.
//
// User-interface thread only.

class T_Base;
struct Subset;

// A new subset of the database, marked as new, with its editor opened; null (pending error 600)
// without memory.
Subset* NewSubset(T_Base* base);
// Opens the editor of every subset marked to open with the database, in list order, until the
// abort flag is set or Control is held down.
void OpenStartSubsets(T_Base* base);
// Runs every macro with flag S in name order, polling the keyboard before each: the abort flag
// or a held Control key stops the rest. After each run the next one is the first start macro
// whose name sorts after the one just run, so a macro that deletes or adds macros leaves the
// loop on a live one.
void RunStartMacros(T_Base* base);
