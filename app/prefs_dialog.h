#pragma once
// The preferences dialog (430 x 300): language and date format, automatic recalculation, the
// recent-files options, the file check, the file association and the web gateway's switch and
// port. OK applies and saves the settings; Cancel leaves everything as it was.
//
// User-interface thread only.
#include <cstdint>

#include "ui/dialog_base.h"

class T_Checkbox;
class T_ChooseDateformat;
class T_Edit;
class T_LangChooser;

class T_PrefsDlg : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 430;
  static constexpr int32_t kHeight = 300;

  // Item ids.
  enum : uint32_t {
    kGeneralFrame = 1,
    kLanguage,
    kDateFormat,
    kAnalysesFrame,
    kAutoRecalc,
    kRecentFrame,
    kRecentFiles,
    kFullPaths,
    kSubmenu,
    kFilesFrame,
    kCheckFiles,
    kSystemFrame,
    kAssociate,
    kRegisterServer,
    kUnregisterServer,
    kWebFrame,
    kServeWeb,
    kPortLabel,
    kPort,
  };

  T_PrefsDlg();

  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnButton(T_GrafElement* button) override;

  // The port as the field shows it, or 7412 for anything but a usable port (which the field then
  // shows too).
  int32_t TakePort();
  void Apply();

  T_LangChooser* language = nullptr;
  T_ChooseDateformat* dateFormat = nullptr;
  T_Checkbox* autoRecalc = nullptr;
  T_Checkbox* recentFiles = nullptr;
  T_Checkbox* fullPaths = nullptr;
  T_Checkbox* submenu = nullptr;
  T_Checkbox* checkFiles = nullptr;
  T_Checkbox* serveWeb = nullptr;
  T_Edit* port = nullptr;
};

// Runs the dialog modally.
void ShowPreferencesDialog();
