#include "analysis/components/components_install.h"

#include "analysis/components/components_template.h"
#include "analysis/components/components_window.h"
#include "database/template_runner.h"

void InstallComponentsWindow() {
  InstallCompsTemplate();
  SetWindowOpener(kTemplateComponents, OpenComponentsWindow);
  SetDrawingExtentHook(StruxDrawingExtent);
}
