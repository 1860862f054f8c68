#include "analysis/time/lines_install.h"

#include "analysis/time/lines_template.h"
#include "analysis/time/lines_window.h"
#include "database/template_runner.h"

void InstallLinesWindow() {
  InstallLinesTemplate();
  SetWindowOpener(kTemplateLines, OpenLinesWindow);
}
