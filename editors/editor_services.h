#pragma once
// Puts the object editors where the engine reaches them: the password prompt of
// database/protection.h and the editor hooks of BaseServices and ObjectServices. The application
// calls it once at start-up; tests that want the real editors call it too.
void InstallEditors();
