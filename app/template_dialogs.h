#pragma once
// The two dialogs an analysis window opens on its templates: T_TmplDefaults ("Set Defaults")
// makes the window's settings the default of its kind or puts the standard default back, and
// T_Install ("Install Template") stores them as a named template in the database's tree.
//
// User-interface thread only.
#include <cstdint>

#include <windows.h>

#include "ui/dialog_base.h"

class T_Button;
class T_Checkbox;
class T_Edit;
class T_HWindow;
class T_Template;

class T_TmplDefaults : public T_HDialog {
 public:
  explicit T_TmplDefaults(T_HWindow* window);
  void OnButton(T_GrafElement* button) override;

  // "Change": the window's settings go into the default template of its kind.
  void Change();

  T_HWindow* window;
  int32_t kind;
  T_Template* defaults;
  T_Checkbox* sizeByContents = nullptr;  // card windows
  T_Checkbox* pageSetup = nullptr;       // other kinds, when the window has a page setup
  T_Button* standard = nullptr;
  T_Button* change = nullptr;
};

class T_Install : public T_HDialog {
 public:
  explicit T_Install(T_HWindow* window);
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnButton(T_GrafElement* button) override;

  // "Install" enabled for any name, "Add" only for a name other than the template's own path.
  void UpdateButtons();
  // Steps of "Add" (replace false) and "Install" (replace true); false when the user cancelled
  // replacing another template or nothing could be stored.
  bool Store(bool install);

  T_HWindow* window;
  T_Template* treeTemplate;  // the window's template when it lies in the tree
  RECT opened{};             // the window's rectangle when the dialog opened
  T_Edit* name = nullptr;
  T_Checkbox* openAtStart = nullptr;
  T_Checkbox* calculate = nullptr;
  T_Checkbox* sizeByContents = nullptr;
  T_Checkbox* keepPosition = nullptr;
  T_Checkbox* pageSetup = nullptr;
  T_Checkbox* onWeb = nullptr;
  T_Button* add = nullptr;
  T_Button* install = nullptr;
};

// Fills the engine's template dialog seams. Call after InstallDatabaseServices.
void InstallTemplateDialogs();
