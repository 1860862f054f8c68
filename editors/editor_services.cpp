#include "editors/editor_services.h"

#include "database/base.h"
#include "database/protection.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"

void InstallEditors() {
  SetPasswordPrompt(PasswordDialogPrompt);
  // The engine's own hooks stay: only the editors' places are filled.
  BaseServices services = CurrentBaseServices();
  services.editProtection = [](T_Base* base) { OpenProtectionEditor(base); };
  SetBaseServices(&services);
}
