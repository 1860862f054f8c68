#pragma once
// The questions the object editors ask before they change or add a stored object, and the memory
// they need before they open. The questions go through the alert handlers with the editor as
// the request's window, so a dialog, a log or a test answers them alike.
//
// User-interface thread only.
#include <cstdint>
#include <initializer_list>

#include "core/alert.h"

class T_Window;

// Buttons (label text ids) beside core/alert.h's.
constexpr int32_t kButtonClose = 707;
constexpr int32_t kButtonChange = 712;
constexpr int32_t kButtonDontChange = 713;
constexpr int32_t kButtonAdd = 714;
constexpr int32_t kButtonDontAdd = 715;
constexpr int32_t kButtonDelete = 718;

// Question texts.
constexpr int32_t kAskChange = 3203;  // Are you sure you want to change\n"@0"?
constexpr int32_t kAskAdd = 3205;     // Are you sure you want to add\n"@0"?
constexpr int32_t kAskDelete = 3208;  // Are you sure you want to delete\n"@0"?

// Free memory an editor needs before it opens.
constexpr int64_t kEditorReserve = 16384;

// Asks the question with "@0" filled by the name and returns the id of the chosen button. Nobody
// there to answer chooses the button at the default index (Cancel by convention).
int32_t AskEditorQuestion(T_Window* owner, int32_t message, const char* name,
                          std::initializer_list<int32_t> buttons, int32_t defaultIndex);
