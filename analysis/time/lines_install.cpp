#include "analysis/time/lines_install.h"

#include "analysis/time/lines_template.h"

void InstallLinesWindow() { InstallLinesTemplate(); }
