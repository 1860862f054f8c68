#pragma once
// The time functions window's one entry for the application: its window in the template runner
// (the template class comes with the function templates).
void InstallTimeFunctionsWindow();
