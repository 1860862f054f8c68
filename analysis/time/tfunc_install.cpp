#include "analysis/time/tfunc_install.h"

#include "analysis/time/tfunc_window.h"
#include "database/template_runner.h"

void InstallTimeFunctionsWindow() { SetWindowOpener(kTemplateTimeFunctions, OpenTimeFunctionsWindow); }
