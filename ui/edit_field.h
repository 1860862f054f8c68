#pragma once
// T_Edit (item kind 11): the text field of the windowless controls. At rest it draws its own
// text, frame and state; while it holds the keyboard focus in an active window of the active
// application it lays a native EDIT control (inside a STATIC container that clips it) over its
// text rectangle, the edit overlay, and the text typed there is copied back into the field.
//
// Invariants:
//   1. The overlay exists exactly while editing is set, and at most one overlay exists in the
//      process (EditOverlay_Current).
//   2. While editing, the control's text is the newer one; the field's text catches up when it
//      is taken (CommitText), which textTaken records until the next change.
//   3. Offsets and lengths count UTF-8 bytes of the stored text, whose line ends are a single
//      CR; the control's positions count UTF-16 units with CR LF line ends.
//   4. Between a change and the next commit at most one commit notice (code 2) is sent.
//
// What the field reports to its parents: OnEditEvent (field, code) with the codes below, and
// OnEditText (text, field) before a text is stored by SetTextNotify (a parent may rewrite it).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "ui/item.h"

class T_Edit;

// OnEditEvent codes.
constexpr int32_t kEditBegin = 0;    // the focus arrived: editing begins
constexpr int32_t kEditChanged = 1;  // the user changed the text
constexpr int32_t kEditCommit = 2;   // Enter, keypad Enter, Tab, the focus leaving, CommitEdit
constexpr int32_t kEditSet = 3;      // a text was stored through SetTextNotify
constexpr int32_t kEditEnd = 4;      // the focus left: editing ends

// Enter modes: 0 commits and selects all, 2 reaches the control (a new line), others swallow it.
constexpr int32_t kEnterCommits = 0;
constexpr int32_t kEnterNewLine = 2;

// A text rectangle at least this high edits in a multi-line control.
constexpr int32_t kEditMultiLineHeight = 19;
constexpr uint32_t kEditCursor = 32513;  // the system I-beam

// The menu and command ids the field serves.
constexpr uint16_t kEditMenuCut = 213;
constexpr uint16_t kEditMenuCopy = 214;
constexpr uint16_t kEditMenuPaste = 215;
constexpr uint16_t kEditMenuErase = 216;
constexpr uint16_t kEditMenuDuplicate = 217;
constexpr uint16_t kEditMenuSelectAll = 218;
constexpr uint16_t kEditMenuCreateLink = 729;
constexpr int32_t kEditCommandTag = 723;  // "Text", the tag of the enabled Edit menu entries

// The native controls of an overlay.
struct EditOverlay {
  T_Edit* owner = nullptr;
  T_Window* window = nullptr;
  int32_t originX = 0;  // the owner's offset in its window when the overlay was made
  int32_t originY = 0;
  HWND container = nullptr;  // "STATIC", clips the control
  HWND control = nullptr;    // "EDIT", subclassed
  HFONT font = nullptr;
  uint8_t multiLine = 0;
  uint8_t captured = 0;  // a press was forwarded and its button is still down
};

class T_Edit : public T_Item {
 public:
  // The text rectangle is the item rectangle; framed fields draw a frame 3 pixels outside it.
  // Opened at once when open is set.
  T_Edit(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool framed, bool open);
  ~T_Edit() override;

  void Notify(int32_t code) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void TrackDrag(int32_t code, uint32_t dataKinds) override;
  bool AcceptDrop(TransferList* list) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void OnMoved(int32_t dx, int32_t dy) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void CommitEdit() override;
  void BuildShape() override;
  bool AcceptsFocus() override;

  // Each stores the text, clears the history and shows it (in the control while editing).
  void SetText(const char* value);
  void SetBlockText(const char* block);  // an owned block text
  void SetTextBytes(const char* bytes, int32_t n);
  void Clear();
  // The current text: the control's while editing (line feeds removed), else the stored one.
  void GetText(T_TextBuf* out);
  int32_t GetTextLength();
  int32_t GetSelStart();
  int32_t GetSelLength();
  // Start -2 is 0; -1 or beyond the end is the end; the length is cut to what remains.
  void SetSelection(int32_t start, int32_t length);
  void SelectAll();
  // Replaces the selection (null inserts nothing) and puts the caret after the new bytes.
  void InsertText(const char* value);
  void InsertBlock(const char* block);
  // A password field shows an asterisk per byte and never lets its text out: Cut and Copy are
  // neither offered (context menu, Edit menu) nor run (commands, shortcuts), the link menu
  // loses them too, and no link in it is live.
  void SetPassword(bool on);
  // Takes the control's text into the field (normalised by the link mode) unless taken already.
  void CommitText();
  // Offers the text to the parents (OnEditText), stores what they leave when it differs, sends
  // code 3 and adds it to the history.
  void SetTextNotify(const char* value);

  // The text as DrawContent shows it at rest: masked for a password, by the link show mode.
  void ShownText(T_TextBuf* out);
  bool IsMultiLine() const;

  RECT textRect{};
  T_TextBuf text;
  TextHistory history{};
  EditOverlay overlay;
  uint8_t editing = 0;
  uint8_t editOpen = 0;
  int32_t selectionStart = 0;
  int32_t selectionLength = 0;
  uint8_t framed = 0;
  uint8_t password = 0;
  uint8_t textTaken = 0;
  uint8_t commitSent = 0;
  uint8_t changeGuard = 0;
  uint8_t commitGuard = 0;
  uint8_t hover = 0;
  uint8_t contextMenu = 1;
  uint8_t dropHighlight = 0;
  uint8_t replaceOnDrop = 0;
  POINT dropCaret{};  // (0, 0): none drawn
  int32_t enterMode = kEnterCommits;
  T_Edit* joinedAbove = nullptr;
  T_Edit* joinedBelow = nullptr;
  int32_t linkMode = 0;
  int32_t hoveredLink = -1;

 private:
  void Refresh();
  void Remember(const char* value);
  void StoreBytes(const char* bytes, int32_t n);
  void UpdateEditing();
  void FocusChanged();
  void Commit();
  void ChangeNotice();
  void Rejoin();
  void Unjoin();
  void RedrawRegion();
  void ReplaceRange(int32_t start, int32_t length, const char* bytes, int32_t n, bool normalise);
  void Erase();
  void Duplicate();
  bool CopySelection();
  void Paste();
  void StepHistory(bool back);
  void CreateLink();
  bool SelectionEmpty();
  bool ServesCommand(uint16_t id);
  void RunMenuCommand(uint16_t id);
  void KeyFilter(InputEvent* event, bool* handled);
  bool AcceptsKinds(uint32_t kinds) const;
  void EraseDropCaret();
  int32_t ShowMode();
  void SetHover(bool on);
  int32_t IndexAt(POINT point);
  POINT DrawDropCaret(int32_t index);
};

// --- The native control ---------------------------------------------------------------------

// Lays the overlay of the field over its text rectangle with the text; false (nothing made) when
// Windows refuses. It becomes the current overlay.
bool EditOverlay_Create(EditOverlay* overlay, T_Edit* owner, const char* text);
// Destroys the controls and the font; the window keeps the keyboard.
void EditOverlay_Destroy(EditOverlay* overlay);
EditOverlay* EditOverlay_Current();
void EditOverlay_SetText(EditOverlay* overlay, const char* text);
// UTF-8 with line feeds removed.
void EditOverlay_GetText(const EditOverlay* overlay, T_TextBuf* out);
void EditOverlay_GetSelection(const EditOverlay* overlay, int32_t* start, int32_t* length);
// Byte offsets of the text; the selection is scrolled into view.
void EditOverlay_SetSelection(EditOverlay* overlay, int32_t start, int32_t length);
// The byte offset of the character nearest a point in the owner's coordinates.
int32_t EditOverlay_OffsetAt(const EditOverlay* overlay, POINT point);
void EditOverlay_InsertLineBreak(EditOverlay* overlay);
// Hands a press (owner coordinates) to the control.
void EditOverlay_ForwardPress(EditOverlay* overlay, const InputEvent* event);
void EditOverlay_ScrollUp(EditOverlay* overlay, int32_t lines);
// Puts the container over the owner's text rectangle again, sized to it; with takeKeyboard the
// control gets the keyboard back.
void EditOverlay_Follow(EditOverlay* overlay, bool takeKeyboard);
// Runs the control's own window procedure.
LRESULT EditOverlay_CallOwn(const EditOverlay* overlay, UINT message, WPARAM wParam, LPARAM lParam);

// Control positions (UTF-16 units, CR LF counting two) and byte offsets of the text with line
// feeds removed, both ways; beyond the end gives the end.
int32_t EditPositionToOffset(const wchar_t* wide, int32_t n, int32_t position);
int32_t EditOffsetToPosition(const wchar_t* wide, int32_t n, int32_t offset);
