#pragma once
// Menu entries of stored objects. The application's menus list, for the database they are for
// (the current menu database), its save setups, import setups, subsets, time scales, macros and
// templates; each entry is a T_MenuItem of a small class that remembers its object and, when
// chosen, opens the object's editor, runs the macro or runs the template.
//
// The application owns the menus and rebuilds them when another database becomes the current
// one (SetMenuDatabase, menu_marks.h): it empties each submenu, adds its fixed entries and a
// separator, and calls the builder below that fills the submenu with the entries of one list.
//
// An entry may outlive its object until the next rebuild. A template deletes its own entry
// (T_Template::menuCommand); every other entry checks, when chosen, that its object still stands
// in the current menu database's list, and does nothing otherwise.
//
// User-interface thread only.
#include <cstdint>

#include "ui/menu_model.h"

class T_Base;
class T_Template;
struct ImportSetup;
struct Macro;
struct SaveSetup;
struct Subset;
struct TimeScale;

// The database the menus are for (set by the application through SetMenuDatabase); null for
// none.
T_Base* CurrentMenuDatabase();

// Opens the save setup editor on the setup in the current menu database.
class T_SaveSetupCom : public T_MenuItem {
 public:
  T_SaveSetupCom(T_MenuItem* parent, SaveSetup* setup);
  void Execute() override;
  SaveSetup* setup;
};

// Opens the import setup editor on the setup in the current menu database.
class T_ImpSetupCom : public T_MenuItem {
 public:
  T_ImpSetupCom(T_MenuItem* parent, ImportSetup* setup);
  void Execute() override;
  ImportSetup* setup;
};

// Opens the subset's editor; the entry carries the subset picture (2006).
class T_SubsetCom : public T_MenuItem {
 public:
  T_SubsetCom(T_MenuItem* parent, Subset* subset);
  void Execute() override;
  Subset* subset;
};

// Opens the time scale editor on the time scale in the current menu database.
class T_TScaleCom : public T_MenuItem {
 public:
  T_TScaleCom(T_MenuItem* parent, TimeScale* scale);
  void Execute() override;
  TimeScale* scale;
};

// Macro entry modes.
constexpr int32_t kMacroComRun = 0;
constexpr int32_t kMacroComEdit = 1;

// Mode 0 runs the macro, mode 1 opens the macro editor on it in its database, other modes do
// nothing. The label is copied.
class T_BMacroCom : public T_MenuItem {
 public:
  T_BMacroCom(T_MenuItem* parent, Macro* macro, int32_t mode, const char* label);
  void Execute() override;
  Macro* macro;
  int32_t mode;
};

// Runs the template (a folder: every template below it) through the template runner, without
// parameter or flags. Made by T_Template::BuildMenu; it and its template know each other, and
// whichever goes first clears the other's link.
class T_TemplateCom : public T_MenuItem {
 public:
  T_TemplateCom(T_MenuItem* parent, T_Template* templ);
  ~T_TemplateCom() override;
  void Execute() override;
  T_Template* templ;
};

// --- Builders: each appends the entries of one list of the database to the parent ---------------

void BuildSaveSetupMenu(T_Base* base, T_MenuItem* parent);
void BuildImportSetupMenu(T_Base* base, T_MenuItem* parent);
void BuildSubsetMenu(T_Base* base, T_MenuItem* parent);
void BuildTimeScaleMenu(T_Base* base, T_MenuItem* parent);
// The macros in name order. A name is split at each ":" that is not the first character of what
// is left (blanks after it skipped): every part before a colon names a submenu (one with that
// title, letter case ignored, is reused), the last part is the entry's label; a name whose last
// part would be empty is one entry labelled with the whole name. A macro with flag A gets a
// second entry, labelled with its whole name, in the "Execute" submenu (text 2555) of the
// templates' menu, made once at position 3 (null: no such entries).
void BuildMacroMenu(T_Base* base, T_MenuItem* macrosMenu, T_MenuItem* templatesMenu);
// The template tree below the root: T_Template::BuildMenu for each template under the root.
void BuildTemplateMenu(T_Base* base, T_MenuItem* parent);

// The text of the "Execute" submenu.
constexpr int32_t kTextExecuteMenu = 2555;
