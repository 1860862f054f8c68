#pragma once
// The components window's one entry for the application: its template class in the template
// factory and its window in the template runner.
void InstallComponentsWindow();
