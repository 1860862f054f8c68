#pragma once
// The questions the object editors ask before they change or add a stored object, and the memory
// they need before they open. The questions go through the alert handlers with the editor as
// the request's window, so a dialog, a log or a test answers them alike.
//
// User-interface thread only.
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "core/alert.h"

class T_Edit;
class T_Window;
struct T_TextBuf;

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

// The close code of closing every window: an editor closes without saving or asking.
constexpr int32_t kCloseWithoutSaving = 3;

// Free memory an editor needs before it opens.
constexpr int64_t kEditorReserve = 16384;

// Asks the question with "@0" filled by the name and returns the id of the chosen button. Nobody
// there to answer chooses the button at the default index (Cancel by convention).
int32_t AskEditorQuestion(T_Window* owner, int32_t message, const char* name,
                          std::initializer_list<int32_t> buttons, int32_t defaultIndex);

// The questions before saving an edited object: for an existing one 3203 with Change, Cancel,
// Don't Change and Add; for a new one 3205 with Add, Cancel and Don't Add. The chosen button.
int32_t AskSaveQuestion(T_Window* owner, const char* name, bool existing);

// Control characters removed, blanks trimmed: a name or text as the lists keep it.
void CleanEditorText(T_TextBuf* text);

// The name an editor saves its object under: the field's text (cleaned); for a new object with
// an empty field the window's title; the text of defaultTextId when still empty; its number
// raised (BumpNameNumber) while taken says another object of the database has it.
void EditorUniqueName(T_TextBuf* name, T_Edit* field, const T_Window* window, bool isNew,
                      int32_t defaultTextId, const std::function<bool(const char*)>& taken);

// The delete command on an editor: asks 3208 with the window's title (Delete, Cancel) and,
// unless cancelled, closes the editor without a save question. True when it closed: the caller
// then destroys the object.
bool ConfirmDeleteAndClose(T_Window* editor);
