#include "editors/editor_services.h"

#include "database/base.h"
#include "database/object_services.h"
#include "database/protection.h"
#include "editors/macro_editor.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "editors/time_scale_editor.h"
#include "editors/web_user_editor.h"

void InstallEditors() {
  SetPasswordPrompt(PasswordDialogPrompt);
  // The engine's own hooks stay: only the editors' places are filled.
  BaseServices services = CurrentBaseServices();
  services.editProtection = [](T_Base* base) { OpenProtectionEditor(base); };
  services.editWebUsers = [](T_Base* base) { OpenWebUsersEditor(base); };
  services.newMacro = [](T_Base* base) { OpenMacroEditor(base, nullptr); };
  services.deleteMacro = [](T_Base* base) {
    DeleteMacroOfEditor(FindWindowOfKind(kWindowMacro, base));
  };
  services.newTimeScale = [](T_Base* base) { OpenTimeScaleEditor(base, nullptr); };
  services.deleteTimeScale = [](T_Base* base) {
    DeleteTimeScaleOfEditor(FindWindowOfKind(kWindowTimeScale, base));
  };
  SetBaseServices(&services);
  ObjectServices objects = CurrentObjectServices();
  objects.openMacroEditor = [](T_Base* base, Macro* macro) { OpenMacroEditor(base, macro); };
  objects.openTimeScaleEditor = [](T_Base* base, TimeScale* scale) {
    OpenTimeScaleEditor(base, scale);
  };
  SetObjectServices(&objects);
}
