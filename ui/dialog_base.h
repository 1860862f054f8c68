#pragma once
// T_HDialog: the base of the program's modal dialogs. A dialog is built on the caller's stack
// (unopened), gets its items, runs modally (Dialog_Run) and is read out after the run; its OK and
// Cancel buttons end the run (Dialog_EndModal) after the dialog has taken or dropped its values.
//
// A dialog belongs to a database or to none; with one it links through the database's link
// context. CloseDialogsOfDatabase answers the running dialogs of a database that is going away.
//
// User-interface thread only.
#include <cstdint>

#include "ui/window.h"

class T_Base;
class T_Button;
class T_Checkbox;
class T_Frame;
struct XYWH;

// Item ids of the buttons Dialog_AddButtons makes: behind every other item in tab order.
constexpr uint32_t kDialogOkId = 100;
constexpr uint32_t kDialogCancelId = 101;

// Answers of CloseDialogsOfDatabase (the quit codes of Window_PressForQuit).
constexpr int32_t kDialogAnswerOk = 2;
constexpr int32_t kDialogAnswerCancel = 3;

class T_HDialog : public T_Window {
 public:
  // A dialog window (kind 3) of the size, centred, not opened. With an owner that is not shown
  // the dialog stays hidden, so its run presses the default button at once.
  T_HDialog(int32_t width, int32_t height, T_Base* database, T_Window* owner);

  T_Base* database;
};

// The database a window belongs to: a dialog's own, else the document window's (the database
// layer's hook); null for none.
T_Base* WindowDatabase(T_Window* window);

// OK (700, the default button) and Cancel (701, the cancel button), 70 by 20, at the bottom right
// of the dialog. The buttons report OnButton to the dialog.
void Dialog_AddButtons(T_HDialog* dialog, T_Button** ok, T_Button** cancel);
// An opened frame titled by the text id, and an opened check box labelled by one, as dialogs
// lay them out.
T_Frame* Dialog_AddFrame(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId);
T_Checkbox* Dialog_AddCheckbox(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                               int32_t textId, bool checked);
// Whether a reporting button is the dialog's OK or Cancel button.
bool Dialog_IsOk(const T_GrafElement* button);
bool Dialog_IsCancel(const T_GrafElement* button);

// Opens the dialog when it is not yet, runs it modally (Window_RunModal) and closes it again.
void Dialog_Run(T_HDialog* dialog);
// Ends the dialog's modal run after the current message; also wakes the loop when the end comes
// from the after-message work, where the loop would otherwise wait for the next message.
void Dialog_EndModal(T_Window* dialog);

// Presses OK (answer 2) or Cancel (answer 3) of every running modal dialog that belongs to the
// database, or whose owner does. A dialog that cannot be answered so is activated and the result
// is false; true when all were answered. Dialogs whose run has already been ended are left alone,
// so an answer once given is not overturned. A null database owns no dialogs.
bool CloseDialogsOfDatabase(T_Base* database, int32_t answer);
